// SPDX-License-Identifier: BSD-2-Clause
#include "epochfmt/time_text.hpp"

#include <cstdint>
#include <cstring>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "frame/tool_frame.hpp"
#include "timestamp/civil_time.hpp"

namespace epochfmt {

namespace {

// The instant of a broken-down time: its fields less its offset.
int64_t epoch_seconds_of(const tm& t)
{
    return timestamp::days_from_civil(int64_t{t.tm_year} + 1900, t.tm_mon + 1, t.tm_mday) * 86400 +
           t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec - t.tm_gmtoff;
}

char* two_digits(char* p, int value)
{
    p[0] = static_cast<char>('0' + value / 10);
    p[1] = static_cast<char>('0' + value % 10);
    return p + 2;
}

char* four_digits(char* p, int value)
{
    return two_digits(two_digits(p, value / 100), value % 100);
}

// strftime of a template part in which each %s conversion is written out
// as the seconds since the Epoch of the broken-down time: strftime takes
// the fields for the process's own zone (UTC) and would be off by the
// offset. 0 when strftime fails.
size_t strftime_with_epoch_seconds(char* buffer, size_t size, const char* part, const tm& t)
{
    size_t conversions = 0;
    for (const char* f = strstr(part, "%s"); f != nullptr; f = strstr(f + 2, "%s"))
        ++conversions;
    char* copy = static_cast<char*>(malloc(strlen(part) + conversions * 24 + 1));
    if (copy == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
    char* p = copy;
    for (const char* f = part; *f != '\0'; ++f) {
        if (f[0] == '%' && f[1] == 's') {
            p += snprintf(p, 24, "%lld", static_cast<long long>(epoch_seconds_of(t)));
            ++f;
        } else {
            *p++ = f[0];
            if (f[0] == '%' && f[1] != '\0')
                *p++ = *++f;
        }
    }
    *p = '\0';
    const size_t n = strftime(buffer, size, copy, &t);
    free(copy);
    return n;
}

// What format_part returns when strftime fails.
constexpr size_t part_failed = static_cast<size_t>(-1);

// strftime of a part that format_numeric leaves to the library; out of the
// way of the numeric parts, whose formatting it would slow.
[[gnu::noinline]] size_t format_by_library(char* buffer, size_t size, const char* part, const tm& broken_down)
{
    if (broken_down.tm_gmtoff != 0 && strstr(part, "%s") != nullptr)
        return strftime_with_epoch_seconds(buffer, size, part, broken_down);
    return strftime(buffer, size, part, &broken_down);
}

// strftime of a non-empty part; an empty part gives empty text. Returns
// the length of the text, or part_failed.
size_t format_part(char* buffer, size_t size, const char* part, const tm& broken_down)
{
    buffer[0] = '\0';
    if (part[0] == '\0')
        return 0;
    size_t length = format_numeric(buffer, size, part, broken_down);
    if (length == numeric_unsupported)
        length = format_by_library(buffer, size, part, broken_down);
    return length == 0 ? part_failed : length;
}

}  // namespace

size_t format_numeric(char* buffer, size_t size, const char* part, const tm& t)
{
    const int year = t.tm_year + 1900;
    const bool four_digit_year = t.tm_year >= 1000 - 1900 && t.tm_year <= 9999 - 1900;
    char* p = buffer;
    char* const end = buffer + size - 1;  // room for the NUL
    for (const char* f = part; *f != '\0'; ++f) {
        if (end - p < 40)  // near the end of the buffer strftime decides
            return numeric_unsupported;
        if (*f != '%') {
            *p++ = *f;
            continue;
        }
        switch (*++f) {
        case 'Y':
            if (!four_digit_year)
                return numeric_unsupported;
            p = four_digits(p, year);
            break;
        case 'm': p = two_digits(p, t.tm_mon + 1); break;
        case 'd': p = two_digits(p, t.tm_mday); break;
        case 'H': p = two_digits(p, t.tm_hour); break;
        case 'M': p = two_digits(p, t.tm_min); break;
        case 'S': p = two_digits(p, t.tm_sec); break;
        case 'F':
            if (!four_digit_year)
                return numeric_unsupported;
            p = four_digits(p, year);
            *p++ = '-';
            p = two_digits(p, t.tm_mon + 1);
            *p++ = '-';
            p = two_digits(p, t.tm_mday);
            break;
        case 'T':
            p = two_digits(p, t.tm_hour);
            *p++ = ':';
            p = two_digits(p, t.tm_min);
            *p++ = ':';
            p = two_digits(p, t.tm_sec);
            break;
        case 'z': {  // +hhmm, seconds of the offset cut off
            const long offset = t.tm_gmtoff;
            *p++ = offset < 0 ? '-' : '+';
            const long minutes = (offset < 0 ? -offset : offset) / 60;
            p = two_digits(two_digits(p, static_cast<int>(minutes / 60)), static_cast<int>(minutes % 60));
            break;
        }
        case 'Z': {
            const size_t length = t.tm_zone == nullptr ? 0 : strlen(t.tm_zone);
            if (length == 0 || length > 31)
                return numeric_unsupported;
            memcpy(p, t.tm_zone, length);
            p += length;
            break;
        }
        case 's': p += snprintf(p, 24, "%lld", static_cast<long long>(epoch_seconds_of(t))); break;
        case '%': *p++ = '%'; break;
        default: return numeric_unsupported;  // also a lone "%" at the end
        }
    }
    *p = '\0';
    return static_cast<size_t>(p - buffer);
}

line_result write_time_line(FILE* out, const line_form& form, const point_in_time& t, const char** failed_part)
{
    const timestamp::seconds_split split = timestamp::split_seconds(t.value);
    tm broken_down{};
    if (form.zone == nullptr || form.zone->is_utc) {
        if (!timestamp::utc_broken_down(split.seconds, &broken_down))
            return line_result::out_of_range;
    } else {
        const timestamp::zone_type& local = timestamp::type_at(form.zone, split.seconds);
        time_t local_seconds = 0;
        if (__builtin_add_overflow(split.seconds, local.offset, &local_seconds) ||
            !timestamp::utc_broken_down(local_seconds, &broken_down))
            return line_result::out_of_range;
        broken_down.tm_isdst = local.is_dst ? 1 : 0;
        broken_down.tm_gmtoff = local.offset;
        broken_down.tm_zone = const_cast<char*>(local.abbreviation);  // "char *" on FreeBSD
    }
    const timestamp::template_parts& parts = form.parts;

    // Head, seconds, fraction and tail side by side, for one write.
    char line[1024 + 128 + 128 + 1024 + 1];
    size_t ends[4] = {0, 0, 0, 0};  // where each of the four texts ends
    size_t length = 0;
    size_t n = 0;
    if (!parts.has_seconds) {
        if ((n = format_part(line, 1024, form.time_format_template, broken_down)) == part_failed) {
            *failed_part = form.time_format_template;
            return line_result::format_failed;
        }
        length = n;
        ends[0] = ends[1] = ends[2] = ends[3] = length;
    } else {
        if ((n = format_part(line, 1024, parts.prefix, broken_down)) == part_failed) {
            *failed_part = parts.prefix;
            return line_result::format_failed;
        }
        length = ends[0] = n;
        if ((n = format_part(line + length, 128, "%S", broken_down)) == part_failed) {
            *failed_part = "%S";
            return line_result::format_failed;
        }
        length = ends[1] = length + n;
        // The sub-second digits the unit and the typed fraction warrant, at
        // most nine. Digits beyond them (only the clock has such) are cut
        // off rather than rounded, so the text never shows a later time.
        unsigned precision = timestamp::sub_second_digits(*t.unit) + t.fraction_digits;
        if (precision > 9)
            precision = 9;
        if (precision > 0) {
            char* fraction = line + length;
            fraction[0] = '.';
            int64_t rest = split.nanoseconds;
            for (int i = 9; i >= 1; --i) {
                fraction[i] = static_cast<char>('0' + rest % 10);
                rest /= 10;
            }
            length += 1 + precision;
        }
        ends[2] = length;
        if ((n = format_part(line + length, 1024, parts.suffix, broken_down)) == part_failed) {
            *failed_part = parts.suffix;
            return line_result::format_failed;
        }
        length = ends[3] = length + n;
    }

    if (form.sentence_format == nullptr) {
        line[length++] = '\n';
        fwrite(line, 1, length, out);
        return line_result::written;
    }
    // The sentence takes the four texts apart.
    char texts[4][1024];
    for (size_t i = 0, start = 0; i < 4; start = ends[i++]) {
        memcpy(texts[i], line + start, ends[i] - start);
        texts[i][ends[i] - start] = '\0';
    }
    const timestamp::epoch_ns count = timestamp::to_unit(t.value, *t.unit);
    const auto low = static_cast<unsigned long long>(static_cast<timestamp::epoch_magnitude>(count));
    if (form.zone == nullptr)
        fprintf(out, form.sentence_format, texts[0], texts[1], texts[2], texts[3], static_cast<long long>(low), low,
                t.unit->label);
    else
        fprintf(out, form.sentence_format, texts[0], texts[1], texts[2], texts[3], form.zone->name,
                static_cast<long long>(low), low, t.unit->label);
    putc('\n', out);
    return line_result::written;
}

}  // namespace epochfmt
