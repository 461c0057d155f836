// SPDX-License-Identifier: BSD-2-Clause
// Time text through templates, fed made-up strings.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "epochscan/time_text_parse.hpp"

namespace {

struct parse_case {
    const char* text;
    const char* time_template;
    bool ok;
    long long seconds;
    long long nanoseconds;
};

class ParseTimeString : public testing::TestWithParam<parse_case> {};

TEST_P(ParseTimeString, WholeTextOrNothing)
{
    const parse_case& c = GetParam();
    timestamp::epoch_ns value = 0;
    ASSERT_EQ(epochscan::parse_time_string(c.text, c.time_template, &value), c.ok)
        << c.text << " with " << c.time_template;
    if (c.ok) {
        EXPECT_TRUE(value == timestamp::from_seconds(c.seconds, c.nanoseconds)) << c.text;
    }
}

const char* const standard = "%Y-%m-%d %H:%M:%S";

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseTimeString,
    testing::Values(
        parse_case{"2023-11-14 22:13:20", standard, true, 1700000000, 0},
        parse_case{"2023-11-14 22:13:20.5", standard, true, 1700000000, 500000000},
        parse_case{"2023-11-14 22:13:20.123456789", standard, true, 1700000000, 123456789},
        parse_case{"0.0000000016", "%S", true, -2209075200, 2},  // to the nearest
        parse_case{"2023-11-14 22:13:20.0000000004", standard, true, 1700000000, 0},
        parse_case{"2023-11-14 22:13:59.9999999999", standard, true, 1700000040, 0},  // carried
        parse_case{"2023-11-14 22:13:75", standard, true, 1700000055, 0},
        parse_case{"2023-11-14 22:13:2e1", standard, true, 1700000000, 0},  // as strtod reads
        parse_case{"2023-11-14 22:13: 20", standard, true, 1700000000, 0},
        parse_case{"1969-12-31 23:59:59", standard, true, -1, 0},
        parse_case{"1969-12-31 23:59:59.5", standard, true, -1, 500000000},
        parse_case{"1970-01-01 00:00:00", standard, true, 0, 0},
        parse_case{"3000-01-01 00:00:00", standard, true, 32503680000, 0},
        parse_case{"12:00:00", "%H:%M:%S", true, -2209032000, 0},
        parse_case{"14.11.2023 22:13", "%d.%m.%Y %H:%M", true, 1699999980, 0},
        parse_case{"20.25 in 2023", "%S in %Y", true, 1672531200 - 86400 + 20, 250000000},
        parse_case{"at 20", "at %S", true, -2209075200 + 20, 0},
        parse_case{"10/Oct/2023:13:55:36 -0700", "%d/%b/%Y:%H:%M:%S %z", true, 1696971336, 0},
        parse_case{"2023-11-14 22:13:20.5 +0545", "%Y-%m-%d %H:%M:%S %z", true, 1700000000 - 20700, 500000000},
        parse_case{"-01:30 2023-11-14 22:13:20", "%z %Y-%m-%d %H:%M:%S", true, 1700000000 + 5400, 0},
        parse_case{"2023-11-14 22:13 +0100", "%Y-%m-%d %H:%M %z", true, 1700000000 - 20 - 3600, 0},
        parse_case{"x", "x", true, -2209075200, 0},
        parse_case{"", "", true, -2209075200, 0},
        parse_case{"2023-11-14", standard, false, 0, 0},
        parse_case{"2023-11-14 22:13:20Z", standard, false, 0, 0},
        parse_case{"2023-11-14 22:13:-5", standard, false, 0, 0},
        parse_case{"2023-11-14 22:13:", standard, false, 0, 0},
        parse_case{"2023-11-14 22:13:x", standard, false, 0, 0},
        parse_case{"2023-11-14 22:13:nan", standard, false, 0, 0},
        parse_case{"2023-11-14 22:13:inf", standard, false, 0, 0},
        parse_case{"2023-11-14 22:13:2147483648", standard, false, 0, 0},
        parse_case{"2023-11-14 22:13:1e300", standard, false, 0, 0},
        parse_case{"0X1p0", "%SX1p0", false, 0, 0},  // strtod reads it all as one number
        parse_case{"20 x", "%S y", false, 0, 0},
        parse_case{"22:13", "%H:%M:%S", false, 0, 0}));

// The largest seconds field the record holds is still taken, and normalised.
TEST(ParseTimeString, LargestSecondsField)
{
    timestamp::epoch_ns value = 0;
    ASSERT_TRUE(epochscan::parse_time_string("1970-01-01 00:00:2147483647", standard, &value));
    EXPECT_TRUE(value == timestamp::from_seconds(2147483647, 0));
}

// Where the fast reading takes a text, it gives what the library gives;
// texts near the plain form (other widths, blanks, signs, exponents, long
// fractions, numbers out of range) are checked to agree through the whole
// entry point as well.
TEST(ParseCanonical, AgreesWithTheLibrary)
{
    std::mt19937 random(1209);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const char* const templates[] = {"%Y-%m-%d %H:%M:%S", "%Y%m%d%H%M%S", "%d.%m.%Y %H:%M", "%S",
                                     "at %H:%M:%S on %Y", "%Y-%m-%d %H:%M:%S%%", "%H:%M:%S"};
    const char* const tweaks[] = {"", "", "", " ", "  ", "-", "+", "0", "5", ".", "e1", "x", "\t"};
    int canonical = 0;
    for (int i = 0; i < 60000; ++i) {
        const char* time_template = templates[pick(0, 6)];
        std::string text;
        for (const char* f = time_template; *f != '\0'; ++f) {
            if (*f != '%') {
                text += *f;
                continue;
            }
            char number[32];
            switch (*++f) {
            case 'Y': snprintf(number, sizeof number, "%04d", pick(0, 9999)); break;
            case 'm': snprintf(number, sizeof number, "%02d", pick(0, 13)); break;
            case 'd': snprintf(number, sizeof number, "%02d", pick(0, 32)); break;
            case 'H': snprintf(number, sizeof number, "%02d", pick(0, 24)); break;
            case 'M': snprintf(number, sizeof number, "%02d", pick(0, 60)); break;
            case 'S': {
                const int places = pick(0, 11);
                snprintf(number, sizeof number, "%d", pick(0, 99));
                if (places > 0) {
                    std::string fraction = ".";
                    for (int p = 0; p < places; ++p)
                        fraction += static_cast<char>('0' + pick(0, 9));
                    strcat(number, fraction.c_str());
                }
                break;
            }
            default: snprintf(number, sizeof number, "%%"); break;
            }
            text += number;
            if (pick(0, 9) == 0)
                text += tweaks[pick(0, 12)];
        }
        timestamp::epoch_ns fast = 0, library = 0;
        const bool library_ok = epochscan::parse_with_library(text.c_str(), time_template, &library);
        if (epochscan::parse_canonical(text.c_str(), time_template, &fast)) {
            ++canonical;
            ASSERT_TRUE(library_ok) << text << " with " << time_template;
            ASSERT_TRUE(fast == library) << text << " with " << time_template;
        }
        timestamp::epoch_ns whole = 0;
        ASSERT_EQ(epochscan::parse_time_string(text.c_str(), time_template, &whole), library_ok) << text;
        if (library_ok) {
            ASSERT_TRUE(whole == library) << text;
        }
    }
    EXPECT_GT(canonical, 10000);  // the fast reading did take part
}

}  // namespace
