// SPDX-License-Identifier: BSD-2-Clause
// The 128-bit time arithmetic, fed made-up values, and the clock.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "timestamp/epoch_time.hpp"

namespace {

using timestamp::epoch_ns;

std::string decimal(epoch_ns v)
{
    const bool negative = v < 0;
    timestamp::epoch_magnitude m = negative ? -static_cast<timestamp::epoch_magnitude>(v)
                                            : static_cast<timestamp::epoch_magnitude>(v);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
        m /= 10;
    } while (m != 0);
    return negative ? "-" + digits : digits;
}

struct split_case {
    epoch_ns value;
    int64_t seconds;
    int64_t nanoseconds;
};

class SplitSeconds : public testing::TestWithParam<split_case> {};

TEST_P(SplitSeconds, FloorsAndKeepsTheRemainderPositive)
{
    const split_case& c = GetParam();
    const timestamp::seconds_split s = timestamp::split_seconds(c.value);
    EXPECT_EQ(s.seconds, c.seconds);
    EXPECT_EQ(s.nanoseconds, c.nanoseconds);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SplitSeconds,
    testing::Values(split_case{0, 0, 0}, split_case{-1000000000, -1, 0},
                    split_case{1999999999, 1, 999999999}, split_case{-1500000000, -2, 500000000},
                    split_case{-1, -1, 999999999}, split_case{-999999999, -1, 1},
                    split_case{INT64_MAX, 9223372036, 854775807},
                    split_case{INT64_MIN, -9223372037, 145224192},
                    // Beyond 64 bits of nanoseconds the seconds are still whole.
                    split_case{static_cast<epoch_ns>(32503680000) * 1000000000 + 7, 32503680000, 7},
                    split_case{static_cast<epoch_ns>(INT64_MAX) * 1000000000, INT64_MAX, 0},
                    // A whole second before 1677-09-21 has no remainder to borrow.
                    split_case{static_cast<epoch_ns>(-32503680000) * 1000000000, -32503680000, 0},
                    split_case{static_cast<epoch_ns>(INT64_MIN) * 1000000000 - 1, INT64_MAX,
                               999999999}));  // low 64 bits of the quotient

TEST(ToUnit, TruncatesTowardZero)
{
    const epoch_ns t = 1700000000123456789;
    EXPECT_EQ(decimal(timestamp::to_unit(t, timestamp::seconds_unit)), "1700000000");
    EXPECT_EQ(decimal(timestamp::to_unit(t, timestamp::milliseconds_unit)), "1700000000123");
    EXPECT_EQ(decimal(timestamp::to_unit(t, timestamp::microseconds_unit)), "1700000000123456");
    EXPECT_EQ(decimal(timestamp::to_unit(t, timestamp::nanoseconds_unit)), "1700000000123456789");
    EXPECT_EQ(decimal(timestamp::to_unit(-1500000000, timestamp::seconds_unit)), "-1");
    EXPECT_EQ(decimal(timestamp::to_unit(-1500000000, timestamp::milliseconds_unit)), "-1500");
    EXPECT_EQ(decimal(timestamp::to_unit(-500000000, timestamp::seconds_unit)), "0");
}

TEST(EpochNs, ProductsDoNotOverflowSixtyFourBits)
{
    EXPECT_EQ(decimal(timestamp::from_seconds(32503680000, 0)), "32503680000000000000");
    EXPECT_EQ(decimal(timestamp::from_count(INT64_MAX, timestamp::seconds_unit)),
              "9223372036854775807000000000");
    EXPECT_EQ(decimal(timestamp::from_count(INT64_MIN, timestamp::milliseconds_unit)),
              "-9223372036854775808000000");
    EXPECT_EQ(decimal(timestamp::from_seconds(-1, 500000000)), "-500000000");
}

TEST(Units, FactorsLabelsAndOptions)
{
    EXPECT_EQ(timestamp::unit_for_option('s'), &timestamp::seconds_unit);
    EXPECT_EQ(timestamp::unit_for_option('m'), &timestamp::milliseconds_unit);
    EXPECT_EQ(timestamp::unit_for_option('u'), &timestamp::microseconds_unit);
    EXPECT_EQ(timestamp::unit_for_option('n'), &timestamp::nanoseconds_unit);
    EXPECT_EQ(timestamp::unit_for_option('x'), nullptr);
    EXPECT_STREQ(timestamp::microseconds_unit.label, "\xC2\xB5s");
    EXPECT_EQ(timestamp::sub_second_digits(timestamp::seconds_unit), 0u);
    EXPECT_EQ(timestamp::sub_second_digits(timestamp::milliseconds_unit), 3u);
    EXPECT_EQ(timestamp::sub_second_digits(timestamp::microseconds_unit), 6u);
    EXPECT_EQ(timestamp::sub_second_digits(timestamp::nanoseconds_unit), 9u);
}

TEST(CurrentTime, ReadsTheRealtimeClock)
{
    const epoch_ns before = timestamp::from_seconds(time(nullptr), 0);
    const epoch_ns now = timestamp::current_epoch_ns();
    EXPECT_GE(now, before);
    EXPECT_LT(now, before + static_cast<epoch_ns>(5) * 1000000000);
}

}  // namespace
