#include "epochscan/count_output.hpp"

#include <cstdint>

namespace epochscan {

namespace {

timestamp::epoch_magnitude magnitude(timestamp::epoch_ns value)
{
    const auto bits = static_cast<timestamp::epoch_magnitude>(value);
    return value < 0 ? -bits : bits;
}

void print_magnitude(FILE* out, timestamp::epoch_magnitude m, unsigned base)
{
    char digits[72];
    int n = 0;
    // 128-bit division is slow; most counts fit 64 bits.
    while (m > UINT64_MAX) {
        digits[n++] = "0123456789abcdef"[static_cast<unsigned>(m % base)];
        m /= base;
    }
    auto low = static_cast<uint64_t>(m);
    if (base == 10) {  // constant divisors: multiplications instead of divisions
        do {
            digits[n++] = static_cast<char>('0' + low % 10);
            low /= 10;
        } while (low != 0);
    } else {
        do {
            digits[n++] = "0123456789abcdef"[low % 16];
            low /= 16;
        } while (low != 0);
    }
    char text[72];
    for (int i = 0; i < n; ++i)
        text[i] = digits[n - 1 - i];
    fwrite(text, 1, static_cast<size_t>(n), out);
}

}  // namespace

void print_int128(FILE* out, timestamp::epoch_ns value, unsigned base, bool prefix)
{
    if (value < 0)
        putc('-', out);
    if (base == 16 && prefix) {
        putc('0', out);
        putc('x', out);
    }
    print_magnitude(out, magnitude(value), base);
}

void write_count_line(FILE* out, timestamp::epoch_ns value, const timestamp::time_unit& unit,
                      number_form form, const char* sentence_end)
{
    const timestamp::epoch_ns count = timestamp::to_unit(value, unit);
    switch (form) {
    case number_form::integer_decimal: print_int128(out, count, 10, false); break;
    case number_form::integer_hexadecimal: print_int128(out, count, 16, false); break;
    case number_form::integer_0x_hexadecimal: print_int128(out, count, 16, true); break;
    case number_form::float_decimal: {
        // The sign belongs to the whole value: half a second before the
        // epoch is "-0.500000000", though its count of seconds is 0.
        if (value < 0)
            putc('-', out);
        print_magnitude(out, magnitude(count), 10);
        const auto remainder =
            static_cast<unsigned>(magnitude(value - count * static_cast<timestamp::epoch_ns>(unit.factor)));
        switch (unit.factor) {
        case 1000000000u: fprintf(out, ".%09u", remainder); break;
        case 1000000u: fprintf(out, ".%06u", remainder); break;
        case 1000u: fprintf(out, ".%03u", remainder); break;
        default: fprintf(out, ".%u", remainder); break;
        }
        break;
    }
    }
    if (sentence_end != nullptr)
        fprintf(out, sentence_end, unit.label);
    putc('\n', out);
}

}  // namespace epochscan
