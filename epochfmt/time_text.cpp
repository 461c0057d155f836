// SPDX-License-Identifier: BSD-2-Clause
#include "epochfmt/time_text.hpp"

#include <cstdint>
#include <cstring>
#include <ctime>

#include "frame/tool_frame.hpp"
#include "timestamp/civil_time.hpp"

namespace epochfmt {

namespace {

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

// strftime of a non-empty part; an empty part gives empty text. Returns
// the length of the text.
size_t format_part(char* buffer, size_t size, const char* part, const tm& broken_down)
{
    buffer[0] = '\0';
    if (part[0] == '\0')
        return 0;
    size_t length = format_numeric(buffer, size, part, broken_down);
    if (length == numeric_unsupported)
        length = strftime(buffer, size, part, &broken_down);
    if (length == 0)
        frame::die("ERROR: strftime() with format template \"%s\" failed!", part);
    return length;
}

}  // namespace

size_t format_numeric(char* buffer, size_t size, const char* part, const tm& t)
{
    const int year = t.tm_year + 1900;
    const bool four_digit_year = t.tm_year >= 1000 - 1900 && t.tm_year <= 9999 - 1900;
    char* p = buffer;
    char* const end = buffer + size - 1;  // room for the NUL
    for (const char* f = part; *f != '\0'; ++f) {
        if (end - p < 10)  // near the end of the buffer strftime decides
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
        case '%': *p++ = '%'; break;
        default: return numeric_unsupported;  // also a lone "%" at the end
        }
    }
    *p = '\0';
    return static_cast<size_t>(p - buffer);
}

void write_time_line(FILE* out, const line_form& form, const point_in_time& t)
{
    const timestamp::seconds_split split = timestamp::split_seconds(t.value);
    tm broken_down{};
    if (!timestamp::utc_broken_down(split.seconds, &broken_down))
        frame::die("ERROR: gmtime() failed!");
    const timestamp::template_parts& parts = form.parts;

    // Head, seconds, fraction and tail side by side, for one write.
    char line[1024 + 128 + 128 + 1024 + 1];
    size_t ends[4] = {0, 0, 0, 0};  // where each of the four texts ends
    size_t length = 0;
    if (!parts.has_seconds) {
        length = format_part(line, 1024, form.time_format_template, broken_down);
        ends[0] = ends[1] = ends[2] = ends[3] = length;
    } else {
        length = format_part(line, 1024, parts.prefix, broken_down);
        ends[0] = length;
        length += format_part(line + length, 128, "%S", broken_down);
        ends[1] = length;
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
        length += format_part(line + length, 1024, parts.suffix, broken_down);
        ends[3] = length;
    }

    if (form.sentence_format == nullptr) {
        line[length++] = '\n';
        fwrite(line, 1, length, out);
        return;
    }
    // The sentence takes the four texts apart.
    char texts[4][1024];
    for (size_t i = 0, start = 0; i < 4; start = ends[i++]) {
        memcpy(texts[i], line + start, ends[i] - start);
        texts[i][ends[i] - start] = '\0';
    }
    const timestamp::epoch_ns count = timestamp::to_unit(t.value, *t.unit);
    const auto low = static_cast<unsigned long long>(static_cast<timestamp::epoch_magnitude>(count));
    fprintf(out, form.sentence_format, texts[0], texts[1], texts[2], texts[3],
            static_cast<long long>(low), low, t.unit->label);
    putc('\n', out);
}

}  // namespace epochfmt
