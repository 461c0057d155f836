// SPDX-License-Identifier: BSD-2-Clause
// The 128-bit time arithmetic and the template split, fed made-up values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"
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

struct template_case {
    const char* time_template;
    bool has_seconds;
    const char* prefix;
    const char* suffix;
};

class SplitTemplate : public testing::TestWithParam<template_case> {};

TEST_P(SplitTemplate, AtTheFirstSecondsField)
{
    const template_case& c = GetParam();
    const timestamp::template_parts parts = timestamp::split_template(c.time_template);
    ASSERT_EQ(parts.has_seconds, c.has_seconds);
    if (c.has_seconds) {
        EXPECT_STREQ(parts.prefix, c.prefix);
        EXPECT_STREQ(parts.suffix, c.suffix);
    } else {
        EXPECT_EQ(parts.prefix, nullptr);
    }
    free(parts.prefix);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, SplitTemplate,
    testing::Values(template_case{"%Y-%m-%d %H:%M:%S", true, "%Y-%m-%d %H:%M:", ""},
                    template_case{"%S", true, "", ""},
                    template_case{"a%Sb%S", true, "a", "b%S"},
                    template_case{"%%%S.", true, "%%", "."},
                    template_case{"%%S at %H", false, nullptr, nullptr},
                    template_case{"%H:%M", false, nullptr, nullptr},
                    template_case{"%H%", false, nullptr, nullptr},
                    template_case{"%OS", false, nullptr, nullptr},
                    template_case{"", false, nullptr, nullptr},
                    template_case{"%", false, nullptr, nullptr}));

TEST(OperandWalk, CurrentTimeOnceOrEachOperandInOrder)
{
    std::string seen;
    timestamp::walk_operands(0, nullptr, nullptr, [&](const char* operand) {
        seen += operand == nullptr ? "<now>" : operand;
    });
    EXPECT_EQ(seen, "<now>");
    char a[] = "a", b[] = "", c[] = "c";
    char* operands[] = {a, b, c};
    seen.clear();
    timestamp::walk_operands(3, operands, nullptr, [&](const char* operand) {
        seen += std::string("[") + (operand == nullptr ? "<now>" : operand) + "]";
    });
    EXPECT_EQ(seen, "[a][][c]");
}

// Lines of every length up to the longest taken, many across the ends of
// reads, come out whole and in order after the operands.
TEST(OperandWalk, FileLinesAfterTheOperands)
{
    std::mt19937 random(20261210u);
    std::vector<std::string> expected = {"a", ""};
    std::string content;
    for (int i = 0; i < 300; ++i) {
        const unsigned kind = random() % 20;
        size_t length = random() % 30;
        if (kind == 0)
            length = timestamp::longest_operand_line - random() % 30000;
        else if (kind < 5)
            length = random() % 5000;
        if (i == 150)
            length = timestamp::longest_operand_line;
        std::string line(length, ' ');
        for (char& c : line)
            c = static_cast<char>(' ' + random() % 95);
        expected.push_back(line);
        content += line + "\n";
    }
    content += "last";  // without a newline
    expected.push_back("last");

    testsupport::temp_dir dir;
    testsupport::write_file(dir / "lines", content);
    const std::string path = dir / "lines";
    char a[] = "a", empty[] = "";
    char* operands[] = {a, empty};
    std::vector<std::string> seen;
    timestamp::walk_operands(2, operands, path.c_str(), [&](const char* operand) {
        seen.push_back(operand == nullptr ? "<now>" : operand);
    });
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], expected[i]) << "line " << i - 1;

    testsupport::write_file(path, "");  // an empty file: nothing, not the current time
    seen.clear();
    timestamp::walk_operands(0, nullptr, path.c_str(), [&](const char* operand) {
        seen.push_back(operand == nullptr ? "<now>" : operand);
    });
    EXPECT_TRUE(seen.empty());
}

// A NUL byte read before its line is moved to the front of the buffer is
// still found in that line.
TEST(OperandWalk, NulByteInALineMovedBetweenReads)
{
    testsupport::temp_dir dir;
    const std::string path = dir / "lines";
    const std::string full_line = std::string(130000, 'x') + "\n";  // three fill most of the first read
    testsupport::write_file(path, full_line + full_line + full_line + "b" + '\0' + std::string(100000, 'y') + "\n");
    EXPECT_EXIT(timestamp::walk_operands(0, nullptr, path.c_str(), [](const char*) {}),
                testing::ExitedWithCode(1), "ERROR: Line 4 of input file .* contains a NUL byte!");
}

TEST(CurrentTime, ReadsTheRealtimeClock)
{
    const epoch_ns before = timestamp::from_seconds(time(nullptr), 0);
    const epoch_ns now = timestamp::current_epoch_ns();
    EXPECT_GE(now, before);
    EXPECT_LT(now, before + static_cast<epoch_ns>(5) * 1000000000);
}

}  // namespace
