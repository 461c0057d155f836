// SPDX-License-Identifier: BSD-2-Clause
// epochfmt's reading of timestamps and the line of time text each one
// becomes, with any template. The reading must agree with strtoll (base 0,
// saturating) and an exact decimal fraction; the broken-down time with
// gmtime_r (but for the zone's name, always "UTC"); the line with strftime
// of the template's parts and the fraction's digits. A time gmtime cannot
// show and a template part that fails are reported as such, with nothing
// written.
//
// Input: an option field (s, m, u or n selects the unit, the last one
// wins; H the sentence form), the template, the operand; when the operand
// is refused, the next 16 bytes are taken as a nanosecond count instead
// (any 128-bit value, with the unit and a fraction digit count from the
// byte after them).
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "epochfmt/time_text.hpp"
#include "epochfmt/timestamp_operand.hpp"
#include "fuzz/fuzz_input.hpp"
#include "timestamp/civil_time.hpp"
#include "timestamp/epoch_time.hpp"
#include "timestamp/template_split.hpp"

namespace {

using fuzzinput::expect;
using fuzzinput::shown;
using timestamp::epoch_ns;
using timestamp::time_unit;

const char* const sentence = "%s%s%s%s is %lld (0x%llx) %s since the Unix Epoch";

const time_unit* unit_of(char c)
{
    switch (c) {
    case 's': return &timestamp::seconds_unit;
    case 'm': return &timestamp::milliseconds_unit;
    case 'u': return &timestamp::microseconds_unit;
    case 'n': return &timestamp::nanoseconds_unit;
    default: return nullptr;
    }
}

const time_unit& recognised(long long v)
{
    if (v >= -4999999999LL && v <= 4999999999LL)
        return timestamp::seconds_unit;
    if (v >= -4999999999999LL && v <= 4999999999999LL)
        return timestamp::milliseconds_unit;
    if (v >= -4999999999999999LL && v <= 4999999999999999LL)
        return timestamp::microseconds_unit;
    return timestamp::nanoseconds_unit;
}

unsigned digits_of(const time_unit& unit)
{
    return unit.factor == 1000000000u ? 0 : unit.factor == 1000000u ? 3 : unit.factor == 1000u ? 6 : 9;
}

// The operand as the reading rules give it; false when refused.
bool model_read(const char* text, const time_unit* selected, epochfmt::point_in_time& t)
{
    char* end = nullptr;
    errno = 0;
    const long long whole = strtoll(text, &end, 0);
    const char* fraction = nullptr;
    if (*end != '\0') {
        if (end[0] != '.' || end[1] == '\0')
            return false;
        fraction = end + 1;
        for (const char* d = fraction; *d != '\0'; ++d)
            if (*d < '0' || *d > '9')
                return false;
    }
    const time_unit& unit = selected != nullptr ? *selected : recognised(whole);
    t.unit = &unit;
    t.fraction_digits = fraction != nullptr ? static_cast<unsigned>(strlen(fraction)) : 0;
    t.value = static_cast<epoch_ns>(whole) * unit.factor;
    if (fraction != nullptr) {
        // The fraction of one unit in nanoseconds, exactly, truncated.
        std::int64_t ns = 0;
        std::uint32_t place = unit.factor;
        for (const char* d = fraction; *d != '\0' && place >= 10; ++d) {
            place /= 10;
            ns += (*d - '0') * static_cast<std::int64_t>(place);
        }
        const char* first = text;
        while (isspace(static_cast<unsigned char>(*first)))
            ++first;
        t.value += *first == '-' ? -ns : ns;
    }
    return true;
}

// strftime of a non-empty part into a buffer of that size; false when it
// fails (the program ends then). An empty part gives empty text.
bool formatted(const char* part, std::size_t size, const tm& t, std::string& out)
{
    if (part[0] == '\0')
        return true;
    char buffer[1024];
    const std::size_t n = strftime(buffer, size, part, &t);
    if (n == 0)
        return false;
    out += std::string(buffer, n);
    return true;
}

void expect_same_time(const tm& a, const tm& b)
{
    expect(a.tm_sec == b.tm_sec && a.tm_min == b.tm_min && a.tm_hour == b.tm_hour && a.tm_mday == b.tm_mday &&
               a.tm_mon == b.tm_mon && a.tm_year == b.tm_year && a.tm_wday == b.tm_wday &&
               a.tm_yday == b.tm_yday && a.tm_isdst == b.tm_isdst && a.tm_gmtoff == b.tm_gmtoff &&
               strcmp(a.tm_zone, "UTC") == 0,
           "broken-down time as gmtime_r gives it");
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
    const std::string operand = in.field();
    const time_unit* selected = nullptr;
    bool human = false;
    for (char c : options) {
        if (const time_unit* u = unit_of(c))
            selected = u;
        human = human || c == 'H';
    }

    epochfmt::point_in_time t;
    epochfmt::point_in_time model;
    const bool read = epochfmt::read_timestamp(operand.c_str(), selected, &t);
    expect(read == model_read(operand.c_str(), selected, model), "the operand is refused as the rules say",
           [&] { return shown(operand); });
    if (read) {
        expect(t.value == model.value && t.unit == model.unit && t.fraction_digits == model.fraction_digits,
               "the operand's value, unit and fraction digits", [&] { return shown(operand); });
    } else {
        const auto low = in.number<std::uint64_t>();
        const auto high = in.number<std::uint64_t>();
        const auto extra = in.number<std::uint8_t>();
        t.value = static_cast<epoch_ns>(static_cast<timestamp::epoch_magnitude>(high) << 64 | low);
        t.unit = selected != nullptr ? selected : &timestamp::nanoseconds_unit;
        t.fraction_digits = extra % 16u;
    }

    // Seconds rounded toward minus infinity, the rest 0 to 999999999.
    const timestamp::seconds_split split = timestamp::split_seconds(t.value);
    epoch_ns whole = t.value / 1000000000;
    epoch_ns rest = t.value % 1000000000;
    if (rest < 0) {
        --whole;
        rest += 1000000000;
    }
    expect(split.seconds == static_cast<time_t>(static_cast<std::uint64_t>(static_cast<timestamp::epoch_magnitude>(whole))) &&
               split.nanoseconds == rest,
           "seconds and nanoseconds");

    tm broken_down{};
    tm library{};
    const time_t seconds = split.seconds;
    const bool known = timestamp::utc_broken_down(seconds, &broken_down);
    expect(known == (gmtime_r(&seconds, &library) != nullptr), "the years gmtime_r can show");
    fuzzinput::memory_output out;
    const char* failed_part = nullptr;
    if (!known) {
        const timestamp::template_parts parts = timestamp::split_template(time_template.c_str());
        const epochfmt::line_form form = {time_template.c_str(), human ? sentence : nullptr, parts};
        expect(epochfmt::write_time_line(out.stream, form, t, &failed_part) == epochfmt::line_result::out_of_range &&
                   out.text().empty(),
               "a time gmtime cannot show is refused");
        free(parts.prefix);
        return 0;
    }
    expect_same_time(broken_down, library);

    // The four texts, as strftime makes them.
    const timestamp::template_parts parts = timestamp::split_template(time_template.c_str());
    std::string texts[4];
    bool fits = true;
    if (!parts.has_seconds) {
        fits = formatted(time_template.c_str(), 1024, broken_down, texts[0]);
    } else {
        fits = formatted(parts.prefix, 1024, broken_down, texts[0]) && formatted("%S", 128, broken_down, texts[1]) &&
               formatted(parts.suffix, 1024, broken_down, texts[3]);
        const unsigned precision = digits_of(*t.unit) + t.fraction_digits > 9 ? 9 : digits_of(*t.unit) + t.fraction_digits;
        if (precision > 0) {
            char digits[16];
            snprintf(digits, sizeof digits, "%09lld", static_cast<long long>(split.nanoseconds));
            texts[2] = "." + std::string(digits, precision);
        }
    }
    const epochfmt::line_form form = {time_template.c_str(), human ? sentence : nullptr, parts};
    if (!fits) {
        expect(epochfmt::write_time_line(out.stream, form, t, &failed_part) == epochfmt::line_result::format_failed &&
                   out.text().empty(),
               "a template part that strftime cannot format is refused");
        free(parts.prefix);
        return 0;
    }
    std::string expected;
    if (!human) {
        expected = texts[0] + texts[1] + texts[2] + texts[3] + "\n";
    } else {
        const epoch_ns count = t.value / static_cast<epoch_ns>(t.unit->factor);
        const auto low = static_cast<unsigned long long>(static_cast<timestamp::epoch_magnitude>(count));
        char line[4096];  // room for the four texts and the numbers
        const int n = snprintf(line, sizeof line, sentence, texts[0].c_str(), texts[1].c_str(), texts[2].c_str(),
                               texts[3].c_str(), static_cast<long long>(low), low, t.unit->label);
        expect(n > 0 && static_cast<std::size_t>(n) < sizeof line, "the sentence fits");
        expected = std::string(line, static_cast<std::size_t>(n)) + "\n";
    }

    expect(epochfmt::write_time_line(out.stream, form, t, &failed_part) == epochfmt::line_result::written,
           "the line is written");
    free(parts.prefix);
    const std::string written = out.text();
    expect(written == expected, "the line of time text",
           [&] { return "template: " + shown(time_template) + "\nwritten:  " + shown(written) + "\nexpected: " + shown(expected); });
    return 0;
}
