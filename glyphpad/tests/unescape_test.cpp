// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/unescape.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The decoded bytes up to the terminating zero, as every later use sees them.
// The argument is handed over as a heap copy of exactly its bytes, so that
// the sanitizer build sees any read past its end.
std::string decoded(const char* argument)
{
    char* copy = strdup(argument);
    char* d = glyphpad::unescape_argument(copy);
    std::string result(d);
    free(d);
    free(copy);
    return result;
}

struct escape_case {
    const char* name;
    const char* argument;
    std::string result;
};

class Unescape : public testing::TestWithParam<escape_case> {
protected:
    void SetUp() override { ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr); }
};

TEST_P(Unescape, DecodesExactly)
{
    const escape_case& c = GetParam();
    EXPECT_EQ(decoded(c.argument), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Unescape,
    testing::Values(
        escape_case{"plain", "abc", "abc"},
        escape_case{"empty", "", ""},
        escape_case{"controls", "\\a\\b\\e\\E\\f\\n\\r\\t\\v", "\a\b\x1B\x1B\f\n\r\t\v"},
        escape_case{"backslash", "\\\\n", "\\n"},
        escape_case{"trailing_backslash", "a\\", "a\\"},
        escape_case{"lone_backslash", "\\", "\\"},
        escape_case{"unknown_letter", "a\\qb", "a\\qb"},
        escape_case{"digit_one_to_nine", "\\1\\9", "\\1\\9"},
        escape_case{"quote_and_space", "\\'\\ ", "\\'\\ "},
        escape_case{"high_byte_kept", "\\\xC3\xA9", "\\\xC3\xA9"},
        escape_case{"hex", "\\x41\\x7e\\x7E", "A~~"},
        escape_case{"hex_high", "\\xff", "\xFF"},
        escape_case{"hex_short", "ab\\x4", "ab4"},
        escape_case{"hex_nothing_after", "ab\\x", "ab"},
        escape_case{"octal", "\\0033[1m", "\x1B[1m"},
        escape_case{"octal_wraps", "\\0777", "\xFF"},
        escape_case{"octal_short", "x\\033", "x33"},
        escape_case{"u_two_bytes", "\\x41\\u00e9", "A\xC3\xA9"},
        escape_case{"u_three_bytes", "\\u20AC", "\xE2\x82\xAC"},
        escape_case{"U_four_bytes", "\\U0001F600", "\xF0\x9F\x98\x80"},
        escape_case{"u_short", "\\u12", "12"},
        escape_case{"U_short", "\\U0001F60", "0001F60"},
        escape_case{"surrogate", "a\\ud800b", "ab"},
        escape_case{"last_surrogate", "a\\udfffb", "ab"},
        escape_case{"beyond_unicode", "a\\U00110000b", "ab"},
        escape_case{"largest_code", "a\\Uffffffffb", "ab"},
        escape_case{"last_scalar", "\\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        escape_case{"zero_hex_ends", "a\\x00b", "a"},
        escape_case{"zero_octal_ends", "a\\0000b", "a"},
        escape_case{"zero_u_ends", "a\\u0000b", "a"},
        escape_case{"zero_U_ends", "a\\U00000000b", "a"},
        escape_case{"escape_after_escape", "\\\\\\\\", "\\\\"},
        escape_case{"digits_after_short_not_tested", "\\0zz", "zz"}),
    [](const testing::TestParamInfo<escape_case>& p) { return std::string(p.param.name); });

TEST(UnescapeLength, NeverLongerThanTheArgument)
{
    ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr);
    // Two bytes of UTF-8 from six bytes of escape, none from a surrogate.
    for (const char* argument : {"\\u00e9", "\\uffff", "\\U0010ffff", "\\ud800", "\\x41", "\\"}) {
        char* d = glyphpad::unescape_argument(argument);
        EXPECT_LE(strlen(d), strlen(argument)) << argument;
        free(d);
    }
}

struct invalid_digit_case {
    const char* name;
    const char* argument;
    const char* message;
};

class InvalidDigit : public testing::TestWithParam<invalid_digit_case> {};

TEST_P(InvalidDigit, EndsTheProgram)
{
    const invalid_digit_case& c = GetParam();
    EXPECT_EXIT(
        {
            setlocale(LC_ALL, "C.UTF-8");
            glyphpad::unescape_argument(c.argument);
        },
        testing::ExitedWithCode(1), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InvalidDigit,
    testing::Values(
        invalid_digit_case{"octal_third", "\\033[1m", "^ERROR: Invalid octal digit \\[!\n$"},
        invalid_digit_case{"octal_eight", "\\0128", "^ERROR: Invalid octal digit 8!\n$"},
        invalid_digit_case{"hex_second", "\\x4g", "^ERROR: Invalid hexadecimal digit g!\n$"},
        invalid_digit_case{"u_first_bad_wins", "\\u00zy", "^ERROR: Invalid hexadecimal digit z!\n$"},
        invalid_digit_case{"U_late", "\\U0001F60x", "^ERROR: Invalid hexadecimal digit x!\n$"}),
    [](const testing::TestParamInfo<invalid_digit_case>& p) { return std::string(p.param.name); });

}  // namespace
