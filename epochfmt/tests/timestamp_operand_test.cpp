// SPDX-License-Identifier: BSD-2-Clause
// Reading timestamp operands, without a process.
#include <gtest/gtest.h>

#include "epochfmt/timestamp_operand.hpp"

namespace {

struct read_case {
    const char* text;
    const timestamp::time_unit* selected;
    bool ok;
    long long seconds;  // value = seconds * 1e9 + nanoseconds
    long long nanoseconds;
    const char* label;
    unsigned fraction_digits;
};

class ReadTimestamp : public testing::TestWithParam<read_case> {};

TEST_P(ReadTimestamp, ValueUnitAndDigits)
{
    const read_case& c = GetParam();
    epochfmt::point_in_time t;
    ASSERT_EQ(epochfmt::read_timestamp(c.text, c.selected, &t), c.ok) << c.text;
    if (!c.ok)
        return;
    EXPECT_TRUE(t.value == timestamp::from_seconds(c.seconds, c.nanoseconds)) << c.text;
    EXPECT_STREQ(t.unit->label, c.label);
    EXPECT_EQ(t.fraction_digits, c.fraction_digits);
}

const timestamp::time_unit* const automatic = nullptr;
const timestamp::time_unit* const ms = &timestamp::milliseconds_unit;
const timestamp::time_unit* const ns = &timestamp::nanoseconds_unit;

INSTANTIATE_TEST_SUITE_P(
    Operands, ReadTimestamp,
    testing::Values(
        read_case{"1700000000", automatic, true, 1700000000, 0, "s", 0},
        read_case{"1700000000.5", automatic, true, 1700000000, 500000000, "s", 1},
        // Exact from the digits, truncated: no nanosecond lost to a double.
        read_case{"1.123456789", automatic, true, 1, 123456789, "s", 9},
        read_case{"1700000000.123456789123", automatic, true, 1700000000, 123456789, "s", 12},
        read_case{"1700000000123", automatic, true, 1700000000, 123000000, "ms", 0},
        read_case{"1700000000123456", automatic, true, 1700000000, 123456000, "\xC2\xB5s", 0},
        read_case{"1700000000123456789", automatic, true, 1700000000, 123456789, "ns", 0},
        // The bounds of recognition are inclusive.
        read_case{"4999999999", automatic, true, 4999999999, 0, "s", 0},
        read_case{"-4999999999", automatic, true, -4999999999, 0, "s", 0},
        read_case{"5000000000", automatic, true, 5000000, 0, "ms", 0},
        read_case{"-5000000000", automatic, true, -5000000, 0, "ms", 0},
        read_case{"4999999999999", automatic, true, 4999999999, 999000000, "ms", 0},
        read_case{"5000000000000", automatic, true, 5000000, 0, "\xC2\xB5s", 0},
        read_case{"4999999999999999", automatic, true, 4999999999, 999999000, "\xC2\xB5s", 0},
        read_case{"5000000000000000", automatic, true, 5000000, 0, "ns", 0},
        read_case{"-1.5", automatic, true, -2, 500000000, "s", 1},
        read_case{"-0.5", automatic, true, -1, 500000000, "s", 1},
        read_case{" \t-0.5", automatic, true, -1, 500000000, "s", 1},
        read_case{"0x10", automatic, true, 16, 0, "s", 0},
        read_case{"0x10.5", automatic, true, 16, 500000000, "s", 1},
        read_case{"010", automatic, true, 8, 0, "s", 0},
        read_case{"", automatic, true, 0, 0, "s", 0},
        read_case{".25", automatic, true, 0, 250000000, "s", 2},
        read_case{"99999999999999999999", automatic, true, 9223372036, 854775807, "ns", 0},
        read_case{"-99999999999999999999", automatic, true, -9223372037, 145224192, "ns", 0},
        read_case{"1700000000", ms, true, 1700000, 0, "ms", 0},
        read_case{"1700000000.1234", ms, true, 1700000, 123400, "ms", 4},
        read_case{"1.999999999999", &timestamp::microseconds_unit, true, 0, 1999, "\xC2\xB5s", 12},
        read_case{"1700000000.9", ns, true, 1, 700000000, "ns", 1},
        // Anything after the whole part but a point and digits is refused.
        read_case{"1700000000.", automatic, false, 0, 0, "", 0},
        read_case{"abc", automatic, false, 0, 0, "", 0},
        read_case{"17 ", automatic, false, 0, 0, "", 0},
        read_case{"1.5e3", automatic, false, 0, 0, "", 0},
        read_case{".5e3", automatic, false, 0, 0, "", 0},
        read_case{"nan", automatic, false, 0, 0, "", 0},
        read_case{"inf", automatic, false, 0, 0, "", 0},
        read_case{"1.0x1p3", automatic, false, 0, 0, "", 0},
        read_case{"08", automatic, false, 0, 0, "", 0},
        read_case{"-.5", automatic, false, 0, 0, "", 0},
        read_case{"1.5.5", automatic, false, 0, 0, "", 0},
        read_case{"1,5", automatic, false, 0, 0, "", 0}));

}  // namespace
