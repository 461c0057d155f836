// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/measure.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <string>

#include "tests/support/captured_stream.hpp"
#include "tests/support/run_program.hpp"

namespace {

struct stripped {
    size_t size;
    size_t length;
    std::wstring chars;
};

stripped strip(const char* text)
{
    const glyphpad::wide_text w = glyphpad::strip_to_wide(text);
    stripped s{w.size, w.length, std::wstring(w.chars, w.length)};
    free(w.chars);
    return s;
}

struct strip_case {
    const char* name;
    const char* text;
    size_t size;
    size_t length;
    std::wstring chars;
};

class StripToWide : public testing::TestWithParam<strip_case> {
protected:
    void SetUp() override { ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr); }
};

TEST_P(StripToWide, DropsSequencesAndDecodes)
{
    const strip_case& c = GetParam();
    const stripped s = strip(c.text);
    EXPECT_EQ(s.size, c.size);
    EXPECT_EQ(s.length, c.length);
    EXPECT_EQ(s.chars, c.chars);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StripToWide,
    testing::Values(
        strip_case{"empty", "", 0, 0, L""},
        strip_case{"accented", "h\xC3\xA9llo", 6, 5, L"h\u00e9llo"},
        strip_case{"ideographs", "\xE4\xB8\xAD\xE6\x96\x87", 6, 2, L"\u4e2d\u6587"},
        strip_case{"colour", "\x1B[1;31mred\x1B[0m", 3, 3, L"red"},
        strip_case{"charset_designation", "a\x1B(Bb", 2, 2, L"ab"},
        strip_case{"reverse_index", "a\x1BMb", 2, 2, L"ab"},
        strip_case{"unterminated", "ab\x1B[12", 2, 2, L"ab"},
        strip_case{"title_ends_at_first_letter", "\x1B]0;title\a", 5, 5, L"itle\a"},
        strip_case{"second_escape_does_not_end", "\x1B\x1Bxy", 1, 1, L"y"},
        strip_case{"high_bytes_do_not_end", "\x1B\xC3\xA9zq", 1, 1, L"q"},
        strip_case{"escape_only", "\x1B", 0, 0, L""}),
    [](const testing::TestParamInfo<strip_case>& p) { return std::string(p.param.name); });

TEST(StripToWideFailure, InvalidBytesEndTheProgram)
{
    EXPECT_EXIT(
        {
            setlocale(LC_ALL, "C.UTF-8");
            strip("ok\xFF");
        },
        testing::ExitedWithCode(1), "^ERROR: mbstowcs\\(\\) failed: .+!\n$");
    // Inside a sequence the same byte is dropped before decoding.
    ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr);
    EXPECT_EQ(strip("ok\x1B\xFFm").size, 2u);
}

TEST(StripToWideLatin1, LettersBeyondAsciiNeverEndASequence)
{
    const std::string dir = testsupport::built_locale_dir("fr_FR.ISO-8859-1", "fr_FR", "ISO-8859-1");
    ASSERT_FALSE(dir.empty());
    setenv("LOCPATH", dir.c_str(), 1);
    ASSERT_NE(setlocale(LC_ALL, "fr_FR.ISO-8859-1"), nullptr);
    ASSERT_NE(isalpha(0xE9), 0);  // é is a letter in this locale
    const stripped s = strip("\x1B\xE9x\xE9");
    setlocale(LC_ALL, "C.UTF-8");
    unsetenv("LOCPATH");
    EXPECT_EQ(s.size, 1u);
    EXPECT_EQ(s.length, 1u);
}

struct width_case {
    const char* name;
    const char* text;
    int32_t width;
};

class DisplayWidth : public testing::TestWithParam<width_case> {
protected:
    void SetUp() override { ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr); }
};

TEST_P(DisplayWidth, CountsColumns)
{
    EXPECT_EQ(glyphpad::display_width(GetParam().text), GetParam().width);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DisplayWidth,
    testing::Values(width_case{"empty", "", 0},
                    width_case{"ascii", "abc", 3},
                    width_case{"wide", "\xE4\xB8\xAD\xE6\x96\x87", 4},
                    width_case{"combining", "e\xCC\x81", 1},
                    width_case{"combining_only", "\xCC\x81", 0},
                    width_case{"sequences_take_none", "\x1B[1mabc\x1B[0m", 3},
                    width_case{"tab_is_zero_not_negative", "a\tb", 0},
                    width_case{"newline_is_zero", "a\n", 0},
                    width_case{"bell_after_sequence", "\x1B]0;title\a", 0}),
    [](const testing::TestParamInfo<width_case>& p) { return std::string(p.param.name); });

struct measures_case {
    const char* name;
    const char* text;
    bool size;
    bool length;
    bool width;
    const char* line;
};

class PrintMeasures : public testing::TestWithParam<measures_case> {
protected:
    void SetUp() override { ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr); }
};

TEST_P(PrintMeasures, WritesTheChosenValuesInOrder)
{
    const measures_case& c = GetParam();
    testsupport::captured_stream out;
    glyphpad::print_measures(out.stream, c.text, c.size, c.length, c.width);
    EXPECT_EQ(out.text(), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PrintMeasures,
    testing::Values(measures_case{"all", "h\xC3\xA9llo", true, true, true, "6 5 5\n"},
                    measures_case{"width", "\xE4\xB8\xAD", false, false, true, "2\n"},
                    measures_case{"width_unclamped", "a\tb", false, false, true, "-1\n"},
                    measures_case{"size_and_width", "ab", true, false, true, "2 2\n"},
                    measures_case{"length_and_width", "\x1B]0;title\a", false, true, true, "5 -1\n"}),
    [](const testing::TestParamInfo<measures_case>& p) { return std::string(p.param.name); });

}  // namespace
