// SPDX-License-Identifier: BSD-2-Clause
// epochfmt run as a user would: operands, options, output, status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "tests/support/outcome_table.hpp"
#include "tests/support/run_program.hpp"

namespace {

using testsupport::run;
using testsupport::run_request;
using testsupport::outcome_case;
using testsupport::run_result;

run_result epochfmt(std::vector<std::string> args, std::vector<std::string> env = {"LC_ALL=C.UTF-8"})
{
    return testsupport::run_program("epochfmt", std::move(args), std::move(env));
}

const std::string usage =
    "Usage: epochfmt unix_timestamp [...] [-T|--template time_format_template]"
    " [-H|--human-readable] [-s|--seconds] [-m|--milliseconds] [-u|--microseconds]"
    " [-n|--nanoseconds] [-h|--help] [-v|--version]\n";
const std::string invalid = "ERROR: Invalid Unix timestamp!\n";

class Outcome : public testing::TestWithParam<outcome_case> {};

TEST_P(Outcome, Exactly)
{
    testsupport::expect_outcome("epochfmt", GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Epochfmt, Outcome,
    testing::Values(
        outcome_case{"seconds", {"1700000000"}, 0, "2023-11-14 22:13:20\n", ""},
        outcome_case{"milliseconds", {"1700000000123"}, 0, "2023-11-14 22:13:20.123\n", ""},
        outcome_case{"microseconds", {"1700000000123456"}, 0, "2023-11-14 22:13:20.123456\n", ""},
        outcome_case{"nanoseconds", {"1700000000123456789"}, 0, "2023-11-14 22:13:20.123456789\n", ""},
        outcome_case{"fraction", {"1700000000.5"}, 0, "2023-11-14 22:13:20.5\n", ""},
        outcome_case{"nine_digits_at_most", {"1700000000.123456789123"}, 0,
                     "2023-11-14 22:13:20.123456789\n", ""},
        outcome_case{"human_seconds", {"-H", "1700000000"}, 0,
                     "2023-11-14 22:13:20 is 1700000000 (0x6553f100) s since the Unix Epoch\n", ""},
        outcome_case{"human_milliseconds", {"-H", "1700000000123"}, 0,
                     "2023-11-14 22:13:20.123 is 1700000000123 (0x18bcfe5687b) ms since the Unix Epoch\n", ""},
        outcome_case{"human_microseconds", {"--human-readable", "1700000000123456"}, 0,
                     "2023-11-14 22:13:20.123456 is 1700000000123456 (0x60a2418202240) \xC2\xB5s since the Unix Epoch\n", ""},
        outcome_case{"last_seconds_value", {"4999999999"}, 0, "2128-06-11 08:53:19\n", ""},
        outcome_case{"first_milliseconds_value", {"5000000000"}, 0, "1970-02-27 20:53:20.000\n", ""},
        outcome_case{"selected_milliseconds", {"-m", "1700000000"}, 0, "1970-01-20 16:13:20.000\n", ""},
        outcome_case{"selected_milliseconds_fraction", {"--milliseconds", "1700000000.1234"}, 0,
                     "1970-01-20 16:13:20.0001234\n", ""},
        outcome_case{"selected_nanoseconds_human", {"-n", "-H", "1700000000"}, 0,
                     "1970-01-01 00:00:01.700000000 is 1700000000 (0x6553f100) ns since the Unix Epoch\n", ""},
        outcome_case{"last_unit_wins", {"-m", "-s", "1700000000"}, 0, "2023-11-14 22:13:20\n", ""},
        outcome_case{"negative", {"--", "-1.5"}, 0, "1969-12-31 23:59:58.5\n", ""},
        outcome_case{"negative_human", {"-H", "--", "-1.5"}, 0,
                     "1969-12-31 23:59:58.5 is -1 (0xffffffffffffffff) s since the Unix Epoch\n", ""},
        outcome_case{"negative_zero", {"-H", "--", "-0.5"}, 0,
                     "1969-12-31 23:59:59.5 is 0 (0x0) s since the Unix Epoch\n", ""},
        outcome_case{"negative_without_end_of_options", {"-1.5"}, 1, "",
                     testsupport::parser_words("epochfmt: invalid option -- '1'\n",
                                               "epochfmt: invalid option -- 1\n") + usage},
        outcome_case{"hexadecimal", {"0x10"}, 0, "1970-01-01 00:00:16\n", ""},
        outcome_case{"octal", {"010"}, 0, "1970-01-01 00:00:08\n", ""},
        outcome_case{"hexadecimal_decimal_fraction", {"0x10.5"}, 0, "1970-01-01 00:00:16.5\n", ""},
        outcome_case{"empty", {""}, 0, "1970-01-01 00:00:00\n", ""},
        outcome_case{"fraction_only", {".25"}, 0, "1970-01-01 00:00:00.25\n", ""},
        outcome_case{"saturated_high", {"99999999999999999999"}, 0, "2262-04-11 23:47:16.854775807\n", ""},
        outcome_case{"lowest", {"--", "-9223372036854775808"}, 0, "1677-09-21 00:12:43.145224192\n", ""},
        outcome_case{"point_without_digits", {"1700000000."}, 1, "", invalid},
        outcome_case{"letters", {"abc"}, 1, "", invalid},
        outcome_case{"trailing_blank", {"17 "}, 1, "", invalid},
        outcome_case{"exponent", {".5e3"}, 1, "", invalid},
        outcome_case{"nan", {"nan"}, 1, "", invalid},
        outcome_case{"octal_leftover", {"08"}, 1, "", invalid},
        outcome_case{"gmtime_fails", {"-s", "9223372036854775807"}, 1, "", "ERROR: gmtime() failed!\n"},
        outcome_case{"template_seconds_only", {"-T", "%S", "1700000000.25"}, 0, "20.25\n", ""},
        outcome_case{"template_around_seconds", {"--template", "[%S] %Y", "1700000000123"}, 0,
                     "[20.123] 2023\n", ""},
        outcome_case{"template_without_seconds", {"-T", "%H:%M", "-H", "1700000000123"}, 0,
                     "22:13 is 1700000000123 (0x18bcfe5687b) ms since the Unix Epoch\n", ""},
        outcome_case{"literal_percent_s", {"-T", "%%S", "1700000000.5"}, 0, "%S\n", ""},
        outcome_case{"last_template_wins", {"-T", "%Y", "-T", "%m", "1700000000"}, 0, "11\n", ""},
        outcome_case{"stops_at_first_bad_operand", {"1700000000", "abc", "0"}, 1,
                     "2023-11-14 22:13:20\n", invalid},
        outcome_case{"am_pm_before_seconds", {"-T", "%p%S", "0"}, 0, "AM00\n", ""},
        outcome_case{"head_too_long", {"-T", std::string(1100, 'x') + "%S", "0"}, 1, "",
                     "ERROR: strftime() with format template \"" + std::string(1100, 'x') +
                         "\" failed!\n"},
        outcome_case{"tail_too_long", {"-T", "%S" + std::string(1024, 'y'), "0"}, 1, "",
                     "ERROR: strftime() with format template \"" + std::string(1024, 'y') +
                         "\" failed!\n"},
        outcome_case{"whole_template_too_long", {"-T", std::string(1024, 'z'), "0"}, 1, "",
                     "ERROR: strftime() with format template \"" + std::string(1024, 'z') +
                         "\" failed!\n"},
        outcome_case{"whole_template_fits", {"-T", std::string(1023, 'z'), "0"}, 0,
                     std::string(1023, 'z') + "\n", ""},
        outcome_case{"ambiguous_option", {"--m", "0"}, 1, "",
                     testsupport::parser_words(
                         "epochfmt: option '--m' is ambiguous; possibilities: '--milliseconds' '--microseconds'\n",
                         "epochfmt: option `--m' is ambiguous\n") + usage},
        // --file: each line one more operand, after the command-line operands;
        // "-5" is a number, a last line may lack its newline, and the current
        // time is not printed. Errors name the line, its number and the file.
        outcome_case{"file_after_operands", {"1700000000", "--file=-", "0"}, 0,
                     "2023-11-14 22:13:20\n1970-01-01 00:00:00\n1970-01-01 00:00:01\n"
                     "1969-12-31 23:59:55\n1970-01-01 00:00:02\n",
                     "", "1\n-5\n2"},
        outcome_case{"file_empty", {"--file", "-"}, 0, "", "", ""},
        outcome_case{"file_stops_at_first_bad_line", {"--fi=-", "-s"}, 1, "1970-01-01 00:00:01\n",
                     "ERROR: Invalid Unix timestamp \"17 \" on line 2 of -!\n", "1\n17 \n2\n"},
        outcome_case{"file_empty_line", {"--file=-"}, 1, "1970-01-01 00:00:01\n",
                     "ERROR: Invalid Unix timestamp \"\" on line 2 of -!\n", "1\n\n3\n"},
        outcome_case{"file_gmtime_fails", {"-s", "--file=-"}, 1, "",
                     "ERROR: gmtime() failed for \"9223372036854775807\" on line 1 of -!\n", "9223372036854775807\n"},
        outcome_case{"file_template_fails", {"-T", std::string(1024, 'z'), "--file=-"}, 1, "",
                     "ERROR: strftime() with format template \"" + std::string(1024, 'z') +
                         "\" failed for \"0\" on line 1 of -!\n", "0\n"},
        outcome_case{"file_nul_byte", {"--file=-"}, 1, "1970-01-01 00:00:01\n",
                     "ERROR: Line 2 of input file - contains a NUL byte!\n", std::string("1\n2") + '\0' + "\n3\n"},
        outcome_case{"file_longest_line", {"--file=-"}, 0, "1970-01-01 00:00:00\n", "",
                     std::string(131071, '0')},
        outcome_case{"file_line_too_long", {"--file=-"}, 1, "1970-01-01 00:00:01\n",
                     "ERROR: Line 2 of input file - is longer than 131071 bytes!\n",
                     "1\n" + std::string(131072, '0')},
        outcome_case{"file_missing", {"--file=missing", "1"}, 1, "",
                     "ERROR: Unable to open input file missing: No such file or directory!\n"},
        outcome_case{"file_unreadable", {"--file=/"}, 1, "",
                     "ERROR: Unable to read line 1 of input file /: Is a directory!\n"},
        // --zone: local time, its offset and its name, across the changes of
        // both directions in each hemisphere; then a rule, fixed offsets, UTC.
        outcome_case{"zone_north", {"--zone=Europe/Berlin", "-T", "%F %T %z %Z", "1711846799", "1711846800",
                                    "1729990799", "1729990800"}, 0,
                     "2024-03-31 01:59:59 +0100 CET\n2024-03-31 03:00:00 +0200 CEST\n"
                     "2024-10-27 02:59:59 +0200 CEST\n2024-10-27 02:00:00 +0100 CET\n", ""},
        outcome_case{"zone_south", {"--zone", "Australia/Sydney", "-T", "%F %T %z %Z", "1712419199", "1712419200",
                                    "1728143999", "1728144000"}, 0,
                     "2024-04-07 02:59:59 +1100 AEDT\n2024-04-07 02:00:00 +1000 AEST\n"
                     "2024-10-06 01:59:59 +1000 AEST\n2024-10-06 03:00:00 +1100 AEDT\n", ""},
        outcome_case{"zone_beyond_the_file", {"-s", "--zone=Europe/Berlin", "-T", "%F %T %Z", "16725225600",
                                              "16741036800"}, 0,
                     "2500-01-01 01:00:00 CET\n2500-07-03 02:00:00 CEST\n", ""},
        outcome_case{"zone_before_the_file", {"--zone=Europe/Berlin", "-T", "%F %T %z %Z", "--", "-2500000000"}, 0,
                     "1890-10-11 20:26:48 +0053 LMT\n", ""},
        outcome_case{"zone_rule", {"--zone=EST5EDT,M3.2.0,M11.1.0", "-T", "%F %T %z %Z %s", "1700000000",
                                   "1720000000"}, 0,
                     "2023-11-14 17:13:20 -0500 EST 1700000000\n2024-07-03 05:46:40 -0400 EDT 1720000000\n", ""},
        outcome_case{"zone_epoch_seconds_by_the_library", {"--zone=Asia/Kathmandu", "-T", "%s %B", "1700000000"}, 0,
                     "1700000000 November\n", ""},
        outcome_case{"zone_fixed_offset_sentence", {"--zone=+05:30", "-H", "1700000000.5"}, 0,
                     "2023-11-15 03:43:20.5 in +05:30 is 1700000000 (0x6553f100) s since the Unix Epoch\n", ""},
        outcome_case{"zone_fixed_offsets", {"-T", "%H:%M %z %Z", "--zone=-0800", "1700000000"}, 0,
                     "14:13 -0800 -08\n", ""},
        outcome_case{"zone_utc", {"--zone=UTC", "-T", "%T %z %Z", "1700000000"}, 0, "22:13:20 +0000 UTC\n", ""},
        outcome_case{"zone_utc_sentence", {"--zone=UTC", "-H", "1700000000"}, 0,
                     "2023-11-14 22:13:20 in UTC is 1700000000 (0x6553f100) s since the Unix Epoch\n", ""},
        outcome_case{"no_zone_is_utc", {"-T", "%T %z %Z", "1700000000"}, 0, "22:13:20 +0000 UTC\n", ""},
        outcome_case{"zone_unknown", {"1", "--zone=Europe/Nowhere"}, 1, "",
                     "ERROR: Unknown time zone \"Europe/Nowhere\"!\n"},
        outcome_case{"zone_folder", {"--zone=Europe", "1"}, 1, "", "ERROR: Unknown time zone \"Europe\"!\n"},
        outcome_case{"zone_offset_too_large", {"--zone=+25:00", "1"}, 1, "",
                     "ERROR: Unknown time zone \"+25:00\"!\n"},
        outcome_case{"zone_before_the_file_is_read", {"--file=missing", "--zone=", "1"}, 1, "",
                     "ERROR: Unknown time zone \"\"!\n"},
        outcome_case{"help", {"--help"}, 0, "", usage},
        outcome_case{"version", {"-v"}, 0, "epochfmt " SUITE_VERSION "\n", ""}),
    testsupport::outcome_name);

// The current time: the right number of digits, and a time between two
// readings of the clock taken around the run.
// The same UTC text in any time zone.
class AnyTimeZone : public testing::TestWithParam<const char*> {};

TEST_P(AnyTimeZone, TextIsUtc)
{
    const outcome_case cases[] = {
        {"epoch_seconds", {"-T", "%s", "0"}, 0, "0\n", ""},
        {"seconds_field", {"-T", "%s", "1700000000.5"}, 0, "1700000000\n", ""},
        {"default_template", {"1700000000"}, 0, "2023-11-14 22:13:20\n", ""},
        {"offset", {"-T", "%H:%M %z", "1700000000"}, 0, "22:13 +0000\n", ""},
        {"before_epoch", {"--", "-1.5"}, 0, "1969-12-31 23:59:58.5\n", ""},
        {"zone_name", {"-T", "%Z", "0"}, 0, "UTC\n", ""},
        {"chosen_zone", {"--zone=America/New_York", "-T", "%T %Z", "0"}, 0, "19:00:00 EST\n", ""},
    };
    for (const outcome_case& c : cases) {
        const run_result r = epochfmt(c.args, {"LC_ALL=C.UTF-8", std::string("TZ=") + GetParam()});
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
    }
}

// Far from UTC, by name from the zone database and as a rule of its own.
INSTANTIATE_TEST_SUITE_P(Zones, AnyTimeZone,
                         testing::Values("America/New_York", "Asia/Kathmandu", "<+0545>-5:45", "EST5EDT"));

// Zones come from the folder TZDIR names; a file there that is no zone is
// an unknown zone, a damaged one is said to be damaged.
TEST(Zone, FromTheFolderTzdirNames)
{
    testsupport::temp_dir dir;
    const std::string zone = testsupport::read_file("/usr/share/zoneinfo/Asia/Kathmandu");
    ASSERT_FALSE(zone.empty()) << "tzdata is not installed";
    testsupport::write_file(dir / "Kathmandu", zone);
    testsupport::write_file(dir / "cut", zone.substr(0, 60));
    testsupport::write_file(dir / "notes", "not a zone\n");
    auto with = [&](const std::string& name) {
        return epochfmt({"--zone=" + name, "-T", "%T %Z", "1700000000"}, {"LC_ALL=C.UTF-8", "TZDIR=" + dir.path});
    };
    EXPECT_EQ(with("Kathmandu").out, "03:58:20 +0545\n");
    EXPECT_EQ(with("Asia/Kathmandu").err, "ERROR: Unknown time zone \"Asia/Kathmandu\"!\n");
    EXPECT_EQ(with("notes").err, "ERROR: Unknown time zone \"notes\"!\n");
    const run_result damaged = with("cut");
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.err, "ERROR: Time zone file " + dir.path + "/cut is damaged!\n");
    EXPECT_EQ(with(dir / "Kathmandu").out, "03:58:20 +0545\n");  // a path is taken as it is
}

TEST(CurrentTime, DigitsFollowTheUnit)
{
    struct expectation {
        std::vector<std::string> args;
        size_t fraction_digits;
    };
    for (const expectation& e : std::vector<expectation>{
             {{}, 9}, {{"-s"}, 0}, {{"-m"}, 3}, {{"-u"}, 6}, {{"-n"}, 9}}) {
        // The program reads CLOCK_REALTIME; time() may read a coarser clock
        // that lags it by a tick, so the bracket reads the same clock.
        const auto now = [] {
            timespec t{};
            clock_gettime(CLOCK_REALTIME, &t);
            return t.tv_sec;
        };
        const time_t before = now();
        std::vector<std::string> args = e.args;
        args.insert(args.end(), {"-T", "%s.%S"});
        const run_result r = epochfmt(args);
        const time_t after = now();
        ASSERT_EQ(r.status, 0);
        const long long shown = atoll(r.out.c_str());
        EXPECT_GE(shown, before);
        EXPECT_LE(shown, after);
        const size_t point = r.out.find('.', r.out.find('.') + 1);
        const size_t digits = point == std::string::npos ? 0 : r.out.size() - 1 - point - 1;
        EXPECT_EQ(digits, e.fraction_digits) << r.out;
    }
}

TEST(CurrentTime, SentenceInSelectedUnit)
{
    const run_result r = epochfmt({"-s", "-H"});
    EXPECT_EQ(r.status, 0);
    const std::string end = " s since the Unix Epoch\n";
    ASSERT_GE(r.out.size(), end.size());
    EXPECT_EQ(r.out.substr(r.out.size() - end.size()), end);
    EXPECT_EQ(r.out.find('.'), std::string::npos);  // no fraction in seconds
}

// Numbers keep their full stop in a decimal-comma locale; names follow the
// time locale.
TEST(Locale, DecimalCommaLocaleStillUsesAFullStop)
{
    const std::string dir = testsupport::built_locale_dir("de_DE.UTF-8", "de_DE", "UTF-8");
    ASSERT_FALSE(dir.empty()) << "localedef could not build de_DE.UTF-8";
    const std::vector<std::string> env = {"LOCPATH=" + dir, "LC_ALL=de_DE.UTF-8"};
    run_result r = epochfmt({"1700000000.5", "-T", "%A %d. %B %Y %S"}, env);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Dienstag 14. November 2023 20.5\n");
    r = epochfmt({"-H", "1700000000123456"}, env);
    EXPECT_EQ(r.out, "2023-11-14 22:13:20.123456 is 1700000000123456 (0x60a2418202240) \xC2\xB5s since the Unix Epoch\n");
}

TEST(Locale, MicroSignIsUtf8InALatin1Locale)
{
    const std::string dir = testsupport::built_locale_dir("de_DE.ISO-8859-1", "de_DE", "ISO-8859-1");
    ASSERT_FALSE(dir.empty()) << "localedef could not build de_DE.ISO-8859-1";
    const run_result r = epochfmt({"-u", "-H", "1"}, {"LOCPATH=" + dir, "LC_ALL=de_DE.ISO-8859-1"});
    EXPECT_EQ(r.out, "1970-01-01 00:00:00.000001 is 1 (0x1) \xC2\xB5s since the Unix Epoch\n");
}

TEST(Output, WriteErrorIsReported)
{
    run_request r;
    r.argv = {"epochfmt", "0"};
    r.env = {"LC_ALL=C.UTF-8"};
    r.stdout_path = "/dev/full";
    const run_result result = run(r);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "ERROR: Unable to write to standard output: No space left on device!\n");
}

}  // namespace
