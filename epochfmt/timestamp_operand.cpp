// SPDX-License-Identifier: BSD-2-Clause
#include "epochfmt/timestamp_operand.hpp"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace epochfmt {

namespace {

bool is_decimal_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Nanoseconds of a decimal fraction "digits" of one unit, exact and
// truncated toward zero: the first (9 - sub-second digits) digits.
int64_t fraction_nanoseconds(const char* digits, const timestamp::time_unit& unit)
{
    int64_t ns = 0;
    const char* d = digits;
    for (uint32_t place = unit.factor / 10; place != 0; place /= 10) {
        if (is_decimal_digit(*d))
            ns += (*d++ - '0') * static_cast<int64_t>(place);
        else
            break;
    }
    return ns;
}

}  // namespace

const timestamp::time_unit& recognised_unit(long long whole)
{
    if (whole >= -4999999999LL && whole <= 4999999999LL)
        return timestamp::seconds_unit;
    if (whole >= -4999999999999LL && whole <= 4999999999999LL)
        return timestamp::milliseconds_unit;
    if (whole >= -4999999999999999LL && whole <= 4999999999999999LL)
        return timestamp::microseconds_unit;
    return timestamp::nanoseconds_unit;
}

bool read_timestamp(const char* text, const timestamp::time_unit* selected, point_in_time* out)
{
    // Plain decimal numbers of up to 18 digits cannot overflow and are read
    // here; strtoll takes everything else (signs, blanks, bases, saturation).
    const char* end = text;
    long long whole = 0;
    if (*end >= '1' && *end <= '9') {
        while (is_decimal_digit(*end) && end - text < 18)
            whole = whole * 10 + (*end++ - '0');
    }
    if (end == text || is_decimal_digit(*end)) {
        char* library_end = nullptr;
        whole = strtoll(text, &library_end, 0);  // saturates beyond 64 bits
        end = library_end;
    }
    const char* fraction = nullptr;
    unsigned fraction_digits = 0;
    if (*end != '\0') {
        if (end[0] != '.' || !is_decimal_digit(end[1]))
            return false;
        fraction = end + 1;
        for (const char* d = fraction; *d != '\0'; ++d) {
            if (!is_decimal_digit(*d))
                return false;
            ++fraction_digits;
        }
    }
    const timestamp::time_unit& unit = selected != nullptr ? *selected : recognised_unit(whole);
    timestamp::epoch_ns value = timestamp::from_count(whole, unit);
    if (fraction != nullptr) {
        const char* first = text;
        while (isspace(static_cast<unsigned char>(*first)))
            ++first;
        const int64_t ns = fraction_nanoseconds(fraction, unit);
        value += *first == '-' ? -ns : ns;
    }
    out->value = value;
    out->unit = &unit;
    out->fraction_digits = fraction_digits;
    return true;
}

}  // namespace epochfmt
