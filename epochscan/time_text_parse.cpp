// SPDX-License-Identifier: BSD-2-Clause
#include "epochscan/time_text_parse.hpp"

#include <cctype>

#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "timestamp/civil_time.hpp"
#include "timestamp/template_split.hpp"

namespace epochscan {

namespace {

// Reads the seconds field at text into the record and the nanoseconds; the
// end of what was read, or nullptr.
const char* read_seconds_field(const char* text, tm* broken_down, int64_t* nanoseconds)
{
    char* end = nullptr;
    const double seconds = strtod(text, &end);
    // Refuses nothing read, negative numbers, NaN, infinity and values the
    // record's seconds field cannot hold.
    if (end == text || !(seconds >= 0.0) || !(seconds < 2147483648.0))
        return nullptr;
    broken_down->tm_sec = static_cast<int>(seconds);
    int64_t ns = static_cast<int64_t>((seconds - broken_down->tm_sec) * 1e9 + 0.5);
    if (ns >= 1000000000) {
        broken_down->tm_sec += 1;
        ns -= 1000000000;
    }
    *nanoseconds = ns;
    return end;
}

}  // namespace

bool parse_time_string(const char* text, const char* time_template, timestamp::epoch_ns* out)
{
    return parse_canonical(text, time_template, out) || parse_with_library(text, time_template, out);
}

namespace {

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

// A number of exactly width digits within [low, high]; advances text.
bool fixed_number(const char*& text, int width, int low, int high, int* value)
{
    int v = 0;
    for (int i = 0; i < width; ++i) {
        if (!digit(text[i]))
            return false;
        v = v * 10 + (text[i] - '0');
    }
    if (v < low || v > high)
        return false;
    text += width;
    *value = v;
    return true;
}

// One or two digits, then optionally "." and one to nine digits, followed
// by nothing a decimal number could go on with. Below 100 seconds a double
// holds such a fraction closely enough that rounding it to nanoseconds
// gives its digits exactly, as here.
bool plain_seconds(const char*& text, int* seconds, int64_t* nanoseconds)
{
    const char* p = text;
    int s = 0;
    int n = 0;
    while (digit(*p) && n < 3) {
        s = s * 10 + (*p++ - '0');
        ++n;
    }
    if (n == 0 || n > 2)
        return false;
    int64_t ns = 0;
    if (*p == '.') {
        ++p;
        int places = 0;
        while (digit(*p) && places < 10) {
            ns = ns * 10 + (*p++ - '0');
            ++places;
        }
        if (places == 0 || places > 9)
            return false;
        for (; places < 9; ++places)
            ns *= 10;
    }
    if (digit(*p) || *p == '.' || *p == 'e' || *p == 'E' || *p == 'x' || *p == 'X' || *p == 'p' ||
        *p == 'P')
        return false;
    text = p;
    *seconds = s;
    *nanoseconds = ns;
    return true;
}

}  // namespace

bool parse_canonical(const char* text, const char* time_template, timestamp::epoch_ns* out)
{
    int year = 1900, month = 1, day = 0, hour = 0, minute = 0, second = 0;
    int64_t nanoseconds = 0;
    bool seconds_read = false;
    const char* t = text;
    for (const char* f = time_template; *f != '\0'; ++f) {
        if (*f == ' ') {
            if (*t != ' ' || isspace(static_cast<unsigned char>(t[1])))
                return false;
            ++t;
            continue;
        }
        if (*f != '%') {
            if (isspace(static_cast<unsigned char>(*f)) || *t != *f)
                return false;
            ++t;
            continue;
        }
        bool ok = false;
        switch (*++f) {
        case 'Y': ok = fixed_number(t, 4, 0, 9999, &year); break;
        case 'm': ok = fixed_number(t, 2, 1, 12, &month); break;
        case 'd': ok = fixed_number(t, 2, 1, 31, &day); break;
        case 'H': ok = fixed_number(t, 2, 0, 23, &hour); break;
        case 'M': ok = fixed_number(t, 2, 0, 59, &minute); break;
        case 'S':
            ok = !seconds_read && plain_seconds(t, &second, &nanoseconds);
            seconds_read = true;
            break;
        case '%':
            ok = *t == '%';
            t += ok ? 1 : 0;
            break;
        default: return false;
        }
        if (!ok)
            return false;
    }
    if (*t != '\0')
        return false;
    const int64_t days = timestamp::days_from_civil(year, month, day);
    *out = timestamp::from_seconds(days * 86400 + hour * 3600 + minute * 60 + second, nanoseconds);
    return true;
}

bool template_gives_instant(const char* time_template)
{
    for (const char* p = time_template; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == 'z' || p[1] == 's')
            return true;
        if (p[1] == '\0')
            return false;
        ++p;  // the conversion character, whatever it is
    }
    return false;
}

bool parse_with_library(const char* text, const char* time_template, timestamp::epoch_ns* out)
{
    tm broken_down{};
    int64_t nanoseconds = 0;
    const char* end = nullptr;
    const timestamp::template_parts parts = timestamp::split_template(time_template);
    if (!parts.has_seconds) {
        end = strptime(text, time_template, &broken_down);
    } else {
        const char* seconds_field = strptime(text, parts.prefix, &broken_down);
        free(parts.prefix);
        if (seconds_field != nullptr)
            end = read_seconds_field(seconds_field, &broken_down, &nanoseconds);
        if (end != nullptr && parts.suffix[0] != '\0')
            end = strptime(end, parts.suffix, &broken_down);
    }
    if (end == nullptr || *end != '\0')
        return false;
    // The text's own offset from UTC, as %z leaves it in the record (0 when
    // the template reads none): the instant is the time less its offset.
    // Taken first, as timegm sets it to 0.
    const long offset = broken_down.tm_gmtoff;
    *out = timestamp::from_seconds(timegm(&broken_down) - offset, nanoseconds);
    return true;
}

}  // namespace epochscan
