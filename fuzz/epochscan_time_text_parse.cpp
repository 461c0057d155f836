// SPDX-License-Identifier: BSD-2-Clause
// epochscan's parsing of time text through any template, and the count it
// writes in each unit and number form. Where the fast parser of plain
// numeric text answers, the library's strptime path must give the same
// instant; every count line must be what exact 128-bit arithmetic gives.
//
// Input: an option field (s, m, u or n selects the unit; F, I, X or 0 the
// number form; H the sentence end; the last of each kind wins), the
// template, the time text; when the text does not parse, the next 16 bytes
// are written as a nanosecond count instead (any 128-bit value).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "epochscan/count_output.hpp"
#include "epochscan/time_text_parse.hpp"
#include "fuzz/fuzz_input.hpp"
#include "timestamp/epoch_time.hpp"

namespace {

using epochscan::number_form;
using fuzzinput::expect;
using fuzzinput::shown;
using timestamp::epoch_magnitude;
using timestamp::epoch_ns;
using timestamp::time_unit;

std::string digits(epoch_magnitude m, unsigned base)
{
    const epoch_magnitude chunk = base == 10 ? 10000000000000000000u : static_cast<epoch_magnitude>(1) << 64;
    const char* format = base == 10 ? "%llu" : "%llx";
    const char* padded = base == 10 ? "%019llu" : "%016llx";
    char text[64];
    if (m < chunk) {
        snprintf(text, sizeof text, format, static_cast<unsigned long long>(m));
        return text;
    }
    snprintf(text, sizeof text, padded, static_cast<unsigned long long>(m % chunk));
    return digits(m / chunk, base) + text;
}

epoch_magnitude magnitude(epoch_ns v)
{
    return v < 0 ? static_cast<epoch_magnitude>(0) - static_cast<epoch_magnitude>(v) : static_cast<epoch_magnitude>(v);
}

std::string model_count_line(epoch_ns value, const time_unit& unit, number_form form, bool human)
{
    const epoch_ns count = value / static_cast<epoch_ns>(unit.factor);
    std::string line;
    switch (form) {
    case number_form::integer_decimal: line = (count < 0 ? "-" : "") + digits(magnitude(count), 10); break;
    case number_form::integer_hexadecimal: line = (count < 0 ? "-" : "") + digits(magnitude(count), 16); break;
    case number_form::integer_0x_hexadecimal: line = (count < 0 ? "-0x" : "0x") + digits(magnitude(count), 16); break;
    case number_form::float_decimal: {
        const auto remainder = static_cast<unsigned>(magnitude(value % static_cast<epoch_ns>(unit.factor)));
        const int width = unit.factor == 1000000000u ? 9 : unit.factor == 1000000u ? 6 : unit.factor == 1000u ? 3 : 1;
        char fraction[32];
        snprintf(fraction, sizeof fraction, ".%0*u", width, remainder);
        line = (value < 0 ? "-" : "") + digits(magnitude(count), 10) + fraction;
        break;
    }
    }
    if (human)
        line += std::string(" ") + unit.label + " since the Unix Epoch";
    return line + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // As the programs do at start-up.
    static const bool utc = (timestamp::use_utc(), true);
    (void)utc;
    fuzzinput::reader in{data, size};
    const std::string options = in.field();
    const std::string time_template = in.field();
    const std::string text = in.field();
    const time_unit* unit = &timestamp::nanoseconds_unit;
    number_form form = number_form::integer_decimal;
    bool human = false;
    for (char c : options) {
        if (const time_unit* u = timestamp::unit_for_option(c))
            unit = u;
        form = c == 'F' ? number_form::float_decimal
               : c == 'I' ? number_form::integer_decimal
               : c == 'X' ? number_form::integer_hexadecimal
               : c == '0' ? number_form::integer_0x_hexadecimal
                          : form;
        human = human || c == 'H';
    }

    epoch_ns value = 0;
    const bool parsed = epochscan::parse_time_string(text.c_str(), time_template.c_str(), &value);
    epoch_ns fast = 0;
    if (epochscan::parse_canonical(text.c_str(), time_template.c_str(), &fast)) {
        epoch_ns library = 0;
        const bool by_library = epochscan::parse_with_library(text.c_str(), time_template.c_str(), &library);
        expect(by_library && library == fast, "the fast parser agrees with strptime",
               [&] { return "template: " + shown(time_template) + "\ntext: " + shown(text) + "\nfast:    " +
                   digits(magnitude(fast), 10) + (by_library ? "\nlibrary: " + digits(magnitude(library), 10) : "\nlibrary: refused"); });
        expect(parsed && value == fast, "the parse takes the fast parser's answer");
    }
    if (!parsed) {
        const auto low = in.number<std::uint64_t>();
        const auto high = in.number<std::uint64_t>();
        value = static_cast<epoch_ns>(static_cast<epoch_magnitude>(high) << 64 | low);
    }

    const char* sentence_end = human ? " %s since the Unix Epoch" : nullptr;
    fuzzinput::memory_output out;
    epochscan::write_count_line(out.stream, value, *unit, form, sentence_end);
    const std::string written = out.text();
    const std::string expected = model_count_line(value, *unit, form, human);
    expect(written == expected, "the count line", [&] { return "written:  " + shown(written) + "\nexpected: " + shown(expected); });
    return 0;
}
