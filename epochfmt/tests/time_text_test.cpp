// SPDX-License-Identifier: BSD-2-Clause
// Writing the lines of points in time, without a process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "epochfmt/time_text.hpp"
#include "tests/support/captured_stream.hpp"

namespace {

std::string line(const char* time_template, const char* sentence, const epochfmt::point_in_time& t)
{
    testsupport::captured_stream out;
    const epochfmt::line_form form = {time_template, sentence, timestamp::split_template(time_template)};
    const char* failed_part = nullptr;
    EXPECT_EQ(epochfmt::write_time_line(out.stream, form, t, &failed_part), epochfmt::line_result::written);
    free(form.parts.prefix);
    return out.text();
}

const char* const sentence = "%s%s%s%s is %lld (0x%llx) %s since the Unix Epoch";

TEST(WriteTimeLine, FractionFollowsTheSecondsField)
{
    epochfmt::point_in_time t;
    ASSERT_TRUE(epochfmt::read_timestamp("1700000000.25", nullptr, &t));
    EXPECT_EQ(line("%Y-%m-%d %H:%M:%S", nullptr, t), "2023-11-14 22:13:20.25\n");
    EXPECT_EQ(line("%S", nullptr, t), "20.25\n");
    EXPECT_EQ(line("[%S] %Y", nullptr, t), "[20.25] 2023\n");
    EXPECT_EQ(line("%S%S", nullptr, t), "20.2520\n");  // only the first seconds field
    EXPECT_EQ(line("%%S", nullptr, t), "%S\n");
    EXPECT_EQ(line("%H:%M", nullptr, t), "22:13\n");
    EXPECT_EQ(line("", nullptr, t), "\n");
}

TEST(WriteTimeLine, Sentences)
{
    epochfmt::point_in_time t;
    ASSERT_TRUE(epochfmt::read_timestamp("1700000000123", nullptr, &t));
    EXPECT_EQ(line("%Y-%m-%d %H:%M:%S", sentence, t),
              "2023-11-14 22:13:20.123 is 1700000000123 (0x18bcfe5687b) ms since the Unix Epoch\n");
    EXPECT_EQ(line("%H:%M", sentence, t),
              "22:13 is 1700000000123 (0x18bcfe5687b) ms since the Unix Epoch\n");
    ASSERT_TRUE(epochfmt::read_timestamp("-1.5", nullptr, &t));
    EXPECT_EQ(line("%S", sentence, t), "58.5 is -1 (0xffffffffffffffff) s since the Unix Epoch\n");
    ASSERT_TRUE(epochfmt::read_timestamp("1700000000", &timestamp::nanoseconds_unit, &t));
    EXPECT_EQ(line("%Y-%m-%d %H:%M:%S", sentence, t),
              "1970-01-01 00:00:01.700000000 is 1700000000 (0x6553f100) ns since the Unix Epoch\n");
}

TEST(WriteTimeLine, ClockDigitsBeyondTheUnitAreCutNotRounded)
{
    // A clock reading of 22:13:20.9996 shown in milliseconds stays in its second.
    epochfmt::point_in_time t;
    t.value = timestamp::from_seconds(1700000000, 999600000);
    t.unit = &timestamp::milliseconds_unit;
    EXPECT_EQ(line("%Y-%m-%d %H:%M:%S", nullptr, t), "2023-11-14 22:13:20.999\n");
    t.unit = &timestamp::microseconds_unit;
    t.value = timestamp::from_seconds(1700000000, 999999999);
    EXPECT_EQ(line("%S", nullptr, t), "20.999999\n");
    t.unit = &timestamp::seconds_unit;
    EXPECT_EQ(line("%S", nullptr, t), "20\n");
}

// The numeric conversions written without the C library give what
// strftime gives, for every year and time of day they take.
TEST(FormatNumeric, AgreesWithStrftime)
{
    const char* const templates[] = {"%Y-%m-%d %H:%M:%S", "%F %T", "%Y%m%d%H%M%S", "100%% at %H:%M:",
                                     "%S", "[%d/%m/%Y]", "plain text", "%T %z (%Z)", "%s"};
    // Offsets of every sign, with seconds (as old local mean times have)
    // and without; strftime's %s reads the fields as UTC, so %s is compared
    // at offset 0 only.
    char zone_names[][8] = {"UTC", "CEST", "-03", "+0530"};
    std::mt19937_64 random(1209);
    std::uniform_int_distribution<time_t> seconds(-30610224000, 253402300799);  // years 1000 to 9999
    std::uniform_int_distribution<long> offsets(-90000, 90000);
    for (int i = 0; i < 20000; ++i) {
        const time_t s = seconds(random);
        tm t{};
        ASSERT_NE(gmtime_r(&s, &t), nullptr);
        t.tm_gmtoff = i % 2 == 0 ? 0 : i % 3 == 0 ? offsets(random) / 60 * 60 : offsets(random);
        t.tm_zone = zone_names[i % 4];
        for (const char* part : templates) {
            if (t.tm_gmtoff != 0 && strcmp(part, "%s") == 0)
                continue;
            char fast[1024], library[1024];
            const size_t length = epochfmt::format_numeric(fast, sizeof fast, part, t);
            ASSERT_NE(length, epochfmt::numeric_unsupported) << part;
            ASSERT_EQ(length, strftime(library, sizeof library, part, &t)) << part;
            EXPECT_STREQ(fast, library) << part << " at " << s;
        }
    }
}

TEST(FormatNumeric, LeavesEverythingElseToStrftime)
{
    tm t{};
    t.tm_year = 2023 - 1900;
    char buffer[1024];
    for (const char* part : {"%B", "%e", "%-d", "%Ey", "%:z", "%", "x%", "%4Y"})
        EXPECT_EQ(epochfmt::format_numeric(buffer, sizeof buffer, part, t), epochfmt::numeric_unsupported)
            << part;
    t.tm_year = 999 - 1900;  // years outside four digits
    EXPECT_EQ(epochfmt::format_numeric(buffer, sizeof buffer, "%Y", t), epochfmt::numeric_unsupported);
    EXPECT_EQ(epochfmt::format_numeric(buffer, sizeof buffer, "%F", t), epochfmt::numeric_unsupported);
    t.tm_year = 10000 - 1900;
    EXPECT_EQ(epochfmt::format_numeric(buffer, sizeof buffer, "%Y", t), epochfmt::numeric_unsupported);
    EXPECT_EQ(epochfmt::format_numeric(buffer, sizeof buffer, "%H", t), 2u);
    EXPECT_STREQ(buffer, "00");
}

}  // namespace
