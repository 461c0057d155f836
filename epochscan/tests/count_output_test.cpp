// SPDX-License-Identifier: BSD-2-Clause
// Counts in every number form, from made-up points in time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "epochscan/count_output.hpp"
#include "tests/support/captured_stream.hpp"

namespace {

using epochscan::number_form;
using timestamp::epoch_ns;

template <typename Write>
std::string captured(Write write)
{
    testsupport::captured_stream out;
    write(out.stream);
    return out.text();
}

struct int128_case {
    epoch_ns value;
    unsigned base;
    bool prefix;
    const char* text;
};

class PrintInt128 : public testing::TestWithParam<int128_case> {};

TEST_P(PrintInt128, DigitsSignAndPrefix)
{
    const int128_case& c = GetParam();
    EXPECT_EQ(captured([&](FILE* out) { epochscan::print_int128(out, c.value, c.base, c.prefix); }),
              c.text);
}

const epoch_ns year_3000 = static_cast<epoch_ns>(32503680000) * 1000000000;
const epoch_ns int128_max = static_cast<epoch_ns>(~static_cast<timestamp::epoch_magnitude>(0) >> 1);

INSTANTIATE_TEST_SUITE_P(
    Forms, PrintInt128,
    testing::Values(int128_case{0, 10, false, "0"}, int128_case{0, 16, true, "0x0"},
                    int128_case{0, 16, false, "0"}, int128_case{-1, 10, false, "-1"},
                    int128_case{-1, 16, false, "-1"}, int128_case{-1, 16, true, "-0x1"},
                    int128_case{1700000000, 16, false, "6553f100"},
                    int128_case{1700000000, 16, true, "0x6553f100"},
                    int128_case{year_3000, 10, false, "32503680000000000000"},
                    int128_case{year_3000, 16, true, "0x1c31444bf84f80000"},
                    int128_case{-year_3000, 10, false, "-32503680000000000000"},
                    int128_case{int128_max, 10, false, "170141183460469231731687303715884105727"},
                    int128_case{-int128_max - 1, 10, false, "-170141183460469231731687303715884105728"},
                    int128_case{-int128_max - 1, 16, true, "-0x80000000000000000000000000000000"}));

struct line_case {
    epoch_ns value;
    const timestamp::time_unit* unit;
    number_form form;
    bool human;
    const char* text;
};

class WriteCountLine : public testing::TestWithParam<line_case> {};

TEST_P(WriteCountLine, WholeLine)
{
    const line_case& c = GetParam();
    EXPECT_EQ(captured([&](FILE* out) {
                  epochscan::write_count_line(out, c.value, *c.unit, c.form,
                                              c.human ? " %s since the Unix Epoch" : nullptr);
              }),
              c.text);
}

const timestamp::time_unit* const s = &timestamp::seconds_unit;
const timestamp::time_unit* const ms = &timestamp::milliseconds_unit;
const timestamp::time_unit* const us = &timestamp::microseconds_unit;
const timestamp::time_unit* const ns = &timestamp::nanoseconds_unit;
const epoch_ns november = static_cast<epoch_ns>(1700000000) * 1000000000;
const epoch_ns half = 500000000;

INSTANTIATE_TEST_SUITE_P(
    Lines, WriteCountLine,
    testing::Values(
        line_case{november, ns, number_form::integer_decimal, false, "1700000000000000000\n"},
        line_case{november, s, number_form::integer_hexadecimal, false, "6553f100\n"},
        line_case{november, s, number_form::integer_decimal, true, "1700000000 s since the Unix Epoch\n"},
        line_case{november, us, number_form::integer_decimal, true, "1700000000000000 \xC2\xB5s since the Unix Epoch\n"},
        line_case{november + half, s, number_form::integer_decimal, false, "1700000000\n"},
        line_case{november + half, s, number_form::float_decimal, false, "1700000000.500000000\n"},
        line_case{november + half, ms, number_form::float_decimal, false, "1700000000500.000000\n"},
        line_case{november + half, us, number_form::float_decimal, false, "1700000000500000.000\n"},
        line_case{november + half, ns, number_form::float_decimal, false, "1700000000500000000.0\n"},
        line_case{november + 123456789, ms, number_form::float_decimal, false, "1700000000123.456789\n"},
        line_case{november + 123456789, s, number_form::float_decimal, true,
                  "1700000000.123456789 s since the Unix Epoch\n"},
        line_case{-1000000000, s, number_form::float_decimal, false, "-1.000000000\n"},
        line_case{-half, s, number_form::integer_decimal, false, "0\n"},
        line_case{-half, ms, number_form::integer_decimal, false, "-500\n"},
        line_case{-half, s, number_form::float_decimal, false, "-0.500000000\n"},
        line_case{-half, ms, number_form::float_decimal, false, "-500.000000\n"},
        line_case{-1, us, number_form::float_decimal, false, "-0.001\n"},
        line_case{-1, ns, number_form::float_decimal, false, "-1.0\n"},
        line_case{0, s, number_form::float_decimal, false, "0.000000000\n"}));

}  // namespace
