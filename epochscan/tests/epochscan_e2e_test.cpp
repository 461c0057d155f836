// SPDX-License-Identifier: BSD-2-Clause
// epochscan run as a user would, and round trips through epochfmt.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "tests/support/outcome_table.hpp"
#include "tests/support/run_program.hpp"

namespace {

using testsupport::run;
using testsupport::run_request;
using testsupport::outcome_case;
using testsupport::run_result;

run_result epochscan(std::vector<std::string> args, std::vector<std::string> env = {"LC_ALL=C.UTF-8"})
{
    return testsupport::run_program("epochscan", std::move(args), std::move(env));
}

const std::string usage =
    "Usage: epochscan time_string [...] [-T|--template time_format_template] [-F|--float]"
    " [-I|--integer] [-H|--human-readable] [-s|--seconds] [-m|--milliseconds]"
    " [-u|--microseconds] [-n|--nanoseconds] [-h|--help] [-v|--version]\n";

std::string parse_error(const std::string& text, const std::string& time_template = "%Y-%m-%d %H:%M:%S")
{
    return "ERROR: Unable to parse time string \"" + text + "\" with format template \"" +
           time_template + "\"!\n";
}

class Outcome : public testing::TestWithParam<outcome_case> {};

TEST_P(Outcome, Exactly)
{
    testsupport::expect_outcome("epochscan", GetParam());
}

const std::string sample = "2023-11-14 22:13:20";

INSTANTIATE_TEST_SUITE_P(
    Epochscan, Outcome,
    testing::Values(
        outcome_case{"nanoseconds_by_default", {sample}, 0, "1700000000000000000\n", ""},
        outcome_case{"seconds", {"-s", sample}, 0, "1700000000\n", ""},
        outcome_case{"milliseconds", {"-m", sample}, 0, "1700000000000\n", ""},
        outcome_case{"microseconds", {"--microseconds", sample}, 0, "1700000000000000\n", ""},
        outcome_case{"hexadecimal", {"-s", "-X", sample}, 0, "6553f100\n", ""},
        outcome_case{"hexadecimal_0x", {"-s", "--integer-0x-hexadecimal", sample}, 0, "0x6553f100\n", ""},
        outcome_case{"human", {"-s", "-H", sample}, 0, "1700000000 s since the Unix Epoch\n", ""},
        outcome_case{"human_microseconds", {"-u", "-H", sample}, 0,
                     "1700000000000000 \xC2\xB5s since the Unix Epoch\n", ""},
        outcome_case{"truncated", {"-s", sample + ".5"}, 0, "1700000000\n", ""},
        outcome_case{"float_seconds", {"-s", "-F", sample + ".5"}, 0, "1700000000.500000000\n", ""},
        outcome_case{"float_milliseconds", {"-m", "-F", sample + ".5"}, 0, "1700000000500.000000\n", ""},
        outcome_case{"float_microseconds", {"-u", "--float", sample + ".5"}, 0, "1700000000500000.000\n", ""},
        outcome_case{"float_nanoseconds", {"-F", sample + ".5"}, 0, "1700000000500000000.0\n", ""},
        outcome_case{"float_nine_digits", {"-m", "-F", sample + ".123456789"}, 0, "1700000000123.456789\n", ""},
        outcome_case{"float_human", {"-s", "-F", "-H", sample + ".123456789"}, 0,
                     "1700000000.123456789 s since the Unix Epoch\n", ""},
        outcome_case{"carry", {"-s", "-F", "2023-11-14 22:13:59.9999999999"}, 0, "1700000040.000000000\n", ""},
        outcome_case{"normalised", {"-s", "2023-11-14 22:13:75"}, 0, "1700000055\n", ""},
        outcome_case{"before_epoch", {"1969-12-31 23:59:59"}, 0, "-1000000000\n", ""},
        outcome_case{"before_epoch_seconds", {"-s", "1969-12-31 23:59:59"}, 0, "-1\n", ""},
        outcome_case{"before_epoch_hexadecimal", {"-s", "-X", "1969-12-31 23:59:59"}, 0, "-1\n", ""},
        outcome_case{"before_epoch_0x", {"-s", "-0", "1969-12-31 23:59:59"}, 0, "-0x1\n", ""},
        outcome_case{"before_epoch_float", {"-s", "-F", "1969-12-31 23:59:59"}, 0, "-1.000000000\n", ""},
        outcome_case{"half_before_seconds", {"-s", "1969-12-31 23:59:59.5"}, 0, "0\n", ""},
        outcome_case{"half_before_milliseconds", {"-m", "1969-12-31 23:59:59.5"}, 0, "-500\n", ""},
        outcome_case{"half_before_float", {"-s", "-F", "1969-12-31 23:59:59.5"}, 0, "-0.500000000\n", ""},
        outcome_case{"half_before_float_ms", {"-m", "-F", "1969-12-31 23:59:59.5"}, 0, "-500.000000\n", ""},
        outcome_case{"epoch", {"1970-01-01 00:00:00"}, 0, "0\n", ""},
        outcome_case{"epoch_0x", {"-0", "1970-01-01 00:00:00"}, 0, "0x0\n", ""},
        outcome_case{"epoch_float", {"-s", "-F", "1970-01-01 00:00:00"}, 0, "0.000000000\n", ""},
        outcome_case{"beyond_64_bits", {"3000-01-01 00:00:00"}, 0, "32503680000000000000\n", ""},
        outcome_case{"beyond_64_bits_0x", {"-0", "3000-01-01 00:00:00"}, 0, "0x1c31444bf84f80000\n", ""},
        outcome_case{"time_only", {"-T", "%H:%M:%S", "-s", "12:00:00"}, 0, "-2209032000\n", ""},
        outcome_case{"other_template", {"--template", "%d.%m.%Y %H:%M", "-s", "14.11.2023 22:13"}, 0,
                     "1699999980\n", ""},
        outcome_case{"offset", {"-s", "-T", "%d/%b/%Y:%H:%M:%S %z", "10/Oct/2023:13:55:36 -0700"}, 0,
                     "1696971336\n", ""},
        outcome_case{"offset_fraction", {"-m", "-F", "-T", "%Y-%m-%d %H:%M:%S %z", sample + ".5 +0545"}, 0,
                     "1699979300500.000000\n", ""},
        outcome_case{"last_form_wins", {"-s", "-F", "-X", "-I", sample}, 0, "1700000000\n", ""},
        outcome_case{"several", {"-s", sample, "1970-01-01 00:00:01"}, 0, "1700000000\n1\n", ""},
        outcome_case{"date_only", {"2023-11-14"}, 1, "", parse_error("2023-11-14")},
        outcome_case{"left_over", {sample + "Z"}, 1, "", parse_error(sample + "Z")},
        outcome_case{"negative_seconds", {"2023-11-14 22:13:-5"}, 1, "", parse_error("2023-11-14 22:13:-5")},
        outcome_case{"infinite_seconds", {"2023-11-14 22:13:inf"}, 1, "", parse_error("2023-11-14 22:13:inf")},
        outcome_case{"seconds_beyond_32_bits", {"2023-11-14 22:13:2147483648"}, 1, "",
                     parse_error("2023-11-14 22:13:2147483648")},
        outcome_case{"other_template_error", {"-T", "%H:%M", "12"}, 1, "", parse_error("12", "%H:%M")},
        outcome_case{"stops_at_first_failure", {"-s", sample, "x", sample}, 1, "1700000000\n", parse_error("x")},
        outcome_case{"integer_is_integer_decimal", {"-s", "-X", "--integer", sample}, 0, "1700000000\n", ""},
        outcome_case{"integer_prefix_is_ambiguous", {"--intege", sample}, 1, "",
                     testsupport::parser_words("epochscan: option '--intege' is ambiguous; possibilities:"
                                               " '--integer-decimal' '--integer-hexadecimal'"
                                               " '--integer-0x-hexadecimal'\n",
                                               "epochscan: option `--intege' is ambiguous\n") + usage},
        outcome_case{"file_after_operands", {"-s", sample, "--file=-"}, 0, "1700000000\n1\n-1\n", "",
                     "1970-01-01 00:00:01\n1969-12-31 23:59:59"},
        outcome_case{"file_empty", {"--file=-"}, 0, "", "", ""},
        outcome_case{"file_stops_at_first_bad_line", {"-s", "--file=-"}, 1, "1\n",
                     "ERROR: Unable to parse time string \"-5\" on line 2 of - with format template"
                     " \"%Y-%m-%d %H:%M:%S\"!\n",
                     "1970-01-01 00:00:01\n-5\n1970-01-01 00:00:02\n"},
        outcome_case{"file_nul_byte", {"-s", "--file=-"}, 1, "1\n",
                     "ERROR: Line 2 of input file - contains a NUL byte!\n",
                     std::string("1970-01-01 00:00:01\n1970-01-01 00:00:02") + '\0' + "\n"},
        outcome_case{"file_missing", {"--file", "missing"}, 1, "",
                     "ERROR: Unable to open input file missing: No such file or directory!\n"},
        outcome_case{"file_empty_line", {"-s", "--file=-"}, 1, "1700000000\n",
                     "ERROR: Unable to parse time string \"\" on line 2 of - with format template"
                     " \"%Y-%m-%d %H:%M:%S\"!\n", sample + "\n\n"},
        // --zone: text is local time there, either side of each change of
        // both hemispheres; the skipped hour is refused, the repeated one is
        // the earlier instant.
        outcome_case{"zone_north", {"-s", "--zone=America/New_York", "2024-03-10 01:59:59", "2024-03-10 03:00:00",
                                    "2024-11-03 00:59:59", "2024-11-03 02:00:00"}, 0,
                     "1710053999\n1710054000\n1730609999\n1730617200\n", ""},
        outcome_case{"zone_north_gap", {"-s", "--zone=America/New_York", "2024-03-10 02:30:00"}, 1, "",
                     "ERROR: The local time \"2024-03-10 02:30:00\" does not exist in time zone \"America/New_York\"!\n"},
        outcome_case{"zone_north_fold", {"-s", "--zone=America/New_York", "2024-11-03 01:30:00"}, 0, "1730611800\n", ""},
        outcome_case{"zone_south", {"-s", "--zone=Australia/Sydney", "2024-10-06 01:59:59", "2024-10-06 03:00:00",
                                    "2024-04-07 01:59:59", "2024-04-07 03:00:00"}, 0,
                     "1728143999\n1728144000\n1712415599\n1712422800\n", ""},
        outcome_case{"zone_south_gap_in_file", {"-s", "--zone=Australia/Sydney", "--file=-"}, 1, "1728143999\n",
                     "ERROR: The local time \"2024-10-06 02:00:00\" on line 2 of - does not exist in time zone"
                     " \"Australia/Sydney\"!\n", "2024-10-06 01:59:59\n2024-10-06 02:00:00\n"},
        outcome_case{"zone_south_fold", {"-m", "-F", "--zone=Australia/Sydney", "2024-04-07 02:30:00.25"}, 0,
                     "1712417400250.000000\n", ""},
        outcome_case{"zone_rule", {"-s", "--zone=<-03>3<-02>,M3.5.0/-2,M10.5.0/-1", "2024-07-01 12:00:00",
                                   "2024-01-01 12:00:00"}, 0, "1719842400\n1704121200\n", ""},
        outcome_case{"zone_fixed_offset", {"-s", "--zone=-0800", "2023-11-14 14:13:20"}, 0, "1700000000\n", ""},
        outcome_case{"zone_offset_in_the_text_wins", {"-s", "--zone=Asia/Tokyo", "-T", "%d/%b/%Y:%H:%M:%S %z",
                                                      "10/Oct/2023:13:55:36 -0700"}, 0, "1696971336\n", ""},
        outcome_case{"zone_epoch_seconds_in_the_text", {"-s", "--zone=Asia/Tokyo", "-T", "%s", "1700000000"}, 0,
                     "1700000000\n", ""},
        outcome_case{"zone_unknown", {"--zone=America/Nowhere", sample}, 1, "",
                     "ERROR: Unknown time zone \"America/Nowhere\"!\n"},
        outcome_case{"zone_malformed_rule", {"--zone=EST5EDT,M3.2.0", sample}, 1, "",
                     "ERROR: Unknown time zone \"EST5EDT,M3.2.0\"!\n"},
        // --f is --float, as it was before --file.
        outcome_case{"f_is_float", {"-s", "--f", sample}, 0, "1700000000.000000000\n", ""},
        outcome_case{"help", {"-h"}, 0, "", usage},
        outcome_case{"version", {"--version"}, 0, "epochscan " SUITE_VERSION "\n", ""}),
    testsupport::outcome_name);

// The same results in any time zone: the text is UTC, or carries its offset.
class AnyTimeZone : public testing::TestWithParam<const char*> {};

TEST_P(AnyTimeZone, ResultsAreUtc)
{
    const outcome_case cases[] = {
        {"epoch_seconds", {"-s", "-T", "%s", "0"}, 0, "0\n", ""},
        {"seconds_field", {"-s", "-T", "%s", "1700000000"}, 0, "1700000000\n", ""},
        {"default_template", {"-s", sample}, 0, "1700000000\n", ""},
        {"zone_name", {"-s", "-T", "%Y-%m-%d %H:%M:%S %Z", sample + " UTC"}, 0, "1700000000\n", ""},
        {"offset", {"-s", "-T", "%d/%b/%Y:%H:%M:%S %z", "10/Oct/2023:13:55:36 -0700"}, 0, "1696971336\n", ""},
        {"chosen_zone", {"-s", "--zone=Asia/Tokyo", sample}, 0, "1699967600\n", ""},
    };
    for (const outcome_case& c : cases) {
        const run_result r = epochscan(c.args, {"LC_ALL=C.UTF-8", std::string("TZ=") + GetParam()});
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
    }
}

// Far from UTC, by name from the zone database and as a rule of its own.
INSTANTIATE_TEST_SUITE_P(Zones, AnyTimeZone,
                         testing::Values("America/New_York", "Asia/Kathmandu", "<+0545>-5:45", "EST5EDT"));

TEST(CurrentTime, NanosecondsByDefaultOrTheSelectedUnit)
{
    // The program reads CLOCK_REALTIME; time() may read a coarser clock
    // that lags it by a tick, so the bracket reads the same clock.
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_REALTIME, &t);
        return static_cast<long long>(t.tv_sec);
    };
    const long long before = now();
    run_result r = epochscan({});
    const long long after = now();
    ASSERT_EQ(r.status, 0);
    ASSERT_GE(r.out.size(), 20u);
    const long long seconds = atoll(r.out.substr(0, r.out.size() - 10).c_str());
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
    r = epochscan({"-s", "-H"});
    EXPECT_EQ(r.out.substr(r.out.find(' ')), " s since the Unix Epoch\n");
    EXPECT_GE(atoll(r.out.c_str()), before);
}

TEST(Locale, DecimalCommaLocaleStillReadsAFullStop)
{
    const std::string dir = testsupport::built_locale_dir("de_DE.UTF-8", "de_DE", "UTF-8");
    ASSERT_FALSE(dir.empty()) << "localedef could not build de_DE.UTF-8";
    const std::vector<std::string> env = {"LOCPATH=" + dir, "LC_ALL=de_DE.UTF-8"};
    run_result r = epochscan({"-s", "-F", sample + ".25"}, env);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1700000000.250000000\n");
    r = epochscan({"-s", "-T", "%d. %B %Y %H:%M:%S", "14. November 2023 22:13:20,5"}, env);
    EXPECT_EQ(r.status, 1);  // a comma is not a decimal point here
    r = epochscan({"-s", "-T", "%A, %d. %B %Y %H:%M:%S", "Dienstag, 14. November 2023 22:13:20"}, env);
    EXPECT_EQ(r.out, "1700000000\n");  // names follow the time locale
}

// Random points in time go through epochfmt and back through epochscan, in
// every unit, as whole counts and with fractions.
class RoundTrip : public testing::TestWithParam<char> {};

TEST_P(RoundTrip, EpochfmtThenEpochscan)
{
    if (!testsupport::file_exists(testsupport::program_path("epochfmt")))
        GTEST_SKIP() << "epochfmt is not built here";
    const char unit = GetParam();
    const int64_t factor = unit == 's' ? 1000000000 : unit == 'm' ? 1000000 : unit == 'u' ? 1000 : 1;
    const int digits = unit == 's' ? 9 : unit == 'm' ? 6 : unit == 'u' ? 3 : 1;
    std::mt19937_64 random(20261209u + static_cast<unsigned>(unit));
    // Years 1900 to 2199: nanoseconds from -2208988800 s to 7258118399 s.
    std::uniform_int_distribution<int64_t> seconds(-2208988800, 7258118399);
    std::uniform_int_distribution<int64_t> nanos(0, 999999999);
    const std::string flag = std::string("-") + unit;

    std::vector<std::string> counts, fractional;
    std::string expected_counts, expected_float;
    for (int i = 0; i < 1500; ++i) {
        // Nanoseconds of these years fit 64 bits.
        const int64_t value = seconds(random) * 1000000000 + nanos(random);
        const bool negative = value < 0;
        const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        const auto whole = static_cast<long long>(magnitude / static_cast<uint64_t>(factor));
        const auto rest = static_cast<long long>(magnitude % static_cast<uint64_t>(factor));
        char text[64];
        // Whole counts come back as they went.
        snprintf(text, sizeof text, "%s%lld", negative ? "-" : "", whole);
        counts.push_back(text);
        expected_counts += std::string(whole == 0 ? "0" : text) + "\n";  // "-0" reads as 0
        // With a fraction of nine digits the time is exact to the nanosecond,
        // and comes back as whole units and the remainder.
        snprintf(text, sizeof text, "%s%lld.%09lld", negative ? "-" : "", whole,
                 rest * (1000000000 / factor));
        fractional.push_back(text);
        char line[96];
        if (unit == 'n')
            snprintf(line, sizeof line, "%s%lld.0\n", negative ? "-" : "", whole);
        else
            snprintf(line, sizeof line, "%s%lld.%0*lld\n", negative ? "-" : "", whole, digits, rest);
        expected_float += line;
    }

    auto through = [&](const std::vector<std::string>& operands, bool with_float) {
        std::vector<std::string> args = {flag, "-T", "%Y-%m-%d %H:%M:%S", "--"};
        args.insert(args.end(), operands.begin(), operands.end());
        const run_result text = testsupport::run_program("epochfmt", args);
        EXPECT_EQ(text.status, 0) << text.err;
        std::vector<std::string> lines;
        for (size_t start = 0, end; (end = text.out.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.out.substr(start, end - start));
        std::vector<std::string> scan_args = {flag};
        if (with_float)
            scan_args.push_back("-F");
        scan_args.insert(scan_args.end(), lines.begin(), lines.end());
        return epochscan(scan_args);
    };

    const run_result back = through(counts, false);
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, expected_counts);
    const run_result back_float = through(fractional, true);
    EXPECT_EQ(back_float.status, 0) << back_float.err;
    EXPECT_EQ(back_float.out, expected_float);
}

INSTANTIATE_TEST_SUITE_P(Units, RoundTrip, testing::Values('s', 'm', 'u', 'n'));

// Random instants shown in a zone by epochfmt and read in the same zone by
// epochscan come back, to the nanosecond; where the local time happens
// twice, epochscan gives the earlier instant with the same text.
class ZoneRoundTrip : public testing::TestWithParam<const char*> {};

TEST_P(ZoneRoundTrip, EpochfmtThenEpochscan)
{
    if (!testsupport::file_exists(testsupport::program_path("epochfmt")))
        GTEST_SKIP() << "epochfmt is not built here";
    const std::string zone = std::string("--zone=") + GetParam();
    std::mt19937_64 random(20261210u + std::string(GetParam()).size());
    // Years 1900 to 2260, with more of them near the changes of today.
    std::uniform_int_distribution<int64_t> nanoseconds(-2208988800000000000, 9100000000000000000);
    std::uniform_int_distribution<int64_t> recent(1600000000000000000, 1900000000000000000);
    std::vector<std::string> args = {"-n", zone, "--"};
    for (int i = 0; i < 2000; ++i)
        args.push_back(std::to_string(i % 2 == 0 ? nanoseconds(random) : recent(random)));
    const run_result text = testsupport::run_program("epochfmt", args);
    ASSERT_EQ(text.status, 0) << text.err;
    std::vector<std::string> scan_args = {"-n", zone};
    for (size_t start = 0, end; (end = text.out.find('\n', start)) != std::string::npos; start = end + 1)
        scan_args.push_back(text.out.substr(start, end - start));
    ASSERT_EQ(scan_args.size(), args.size() - 1);
    const run_result back = epochscan(scan_args);
    ASSERT_EQ(back.status, 0) << back.err;
    std::vector<std::string> earlier = {"-n", zone, "--"};
    std::string earlier_texts;
    size_t i = 3;
    for (size_t start = 0, end; (end = back.out.find('\n', start)) != std::string::npos; start = end + 1, ++i) {
        const std::string value = back.out.substr(start, end - start);
        if (value == args[i])
            continue;
        EXPECT_LT(atoll(value.c_str()), atoll(args[i].c_str())) << args[i] << " came back as " << value;
        earlier.push_back(value);
        earlier_texts += scan_args[i - 1] + "\n";
    }
    EXPECT_EQ(i, args.size());
    if (earlier.size() > 3) {
        const run_result shown = testsupport::run_program("epochfmt", earlier);
        EXPECT_EQ(shown.out, earlier_texts);  // the same local time
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, ZoneRoundTrip,
                         testing::Values("Europe/Berlin", "Australia/Sydney", "America/New_York", "Europe/Dublin",
                                         "Pacific/Chatham", "Africa/Casablanca", "AEST-10AEDT,M10.1.0,M4.1.0/3",
                                         "-03:30"),
                         [](const testing::TestParamInfo<const char*>& p) { return "zone" + std::to_string(p.index); });

}  // namespace
