// SPDX-License-Identifier: BSD-2-Clause
#include "epochscan/count_output.hpp"

#include <cstdint>
#include <cstring>

namespace epochscan {

namespace {

timestamp::epoch_magnitude magnitude(timestamp::epoch_ns value)
{
    const auto bits = static_cast<timestamp::epoch_magnitude>(value);
    return value < 0 ? -bits : bits;
}

// The digits of m, most significant first, lowercase, without leading
// zeros, written so that they end just before end; returns their start.
char* magnitude_digits(char* end, timestamp::epoch_magnitude m, unsigned base)
{
    char* p = end;
    // 128-bit division is slow; most counts fit 64 bits.
    while (m > UINT64_MAX) {
        *--p = "0123456789abcdef"[static_cast<unsigned>(m % base)];
        m /= base;
    }
    auto low = static_cast<uint64_t>(m);
    if (base == 10) {  // constant divisors, two digits a step
        static const char pairs[] =
            "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
            "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
            "8081828384858687888990919293949596979899";
        while (low >= 100) {
            const auto pair = static_cast<unsigned>(low % 100);
            low /= 100;
            p -= 2;
            memcpy(p, pairs + 2 * pair, 2);
        }
        if (low >= 10) {
            p -= 2;
            memcpy(p, pairs + 2 * low, 2);
        } else {
            *--p = static_cast<char>('0' + low);
        }
    } else {
        do {
            *--p = "0123456789abcdef"[low % 16];
            low /= 16;
        } while (low != 0);
    }
    return p;
}

void print_magnitude(FILE* out, timestamp::epoch_magnitude m, unsigned base)
{
    char text[72];
    const char* start = magnitude_digits(text + sizeof text, m, base);
    fwrite(start, 1, static_cast<size_t>(text + sizeof text - start), out);
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
    case number_form::integer_decimal:
    case number_form::integer_hexadecimal:
    case number_form::integer_0x_hexadecimal: {
        // The whole line in one write: sign, "0x", digits, newline.
        char line[80];
        char* const newline = line + sizeof line - 1;
        *newline = '\n';
        char* p = magnitude_digits(newline, magnitude(count), form == number_form::integer_decimal ? 10 : 16);
        if (form == number_form::integer_0x_hexadecimal) {
            *--p = 'x';
            *--p = '0';
        }
        if (count < 0)
            *--p = '-';
        if (sentence_end == nullptr) {
            fwrite(p, 1, static_cast<size_t>(newline + 1 - p), out);
            return;
        }
        fwrite(p, 1, static_cast<size_t>(newline - p), out);
        break;
    }
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
