// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/layout.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "tests/support/captured_stream.hpp"

namespace {

using captured = testsupport::captured_stream;

// A FILE* reading the given bytes (zero bytes included).
struct input_stream {
    std::string bytes;
    FILE* file;

    explicit input_stream(std::string b)
        : bytes(std::move(b)), file(bytes.empty() ? fopen("/dev/null", "r") : fmemopen(bytes.data(), bytes.size(), "r"))
    {
    }
    input_stream(const input_stream&) = delete;
    input_stream& operator=(const input_stream&) = delete;
    ~input_stream() { fclose(file); }
};

constexpr int32_t int32_min = INT32_MIN;
constexpr int32_t int32_max = INT32_MAX;

const std::string ideographs = "\xE4\xB8\xAD\xE6\x96\x87";  // two columns each

std::string spaces(size_t n)
{
    return std::string(n, ' ');
}

TEST(FieldFill, RightAlignsForPositiveAndLeftAlignsForNegative)
{
    EXPECT_EQ(glyphpad::field_fill(6, 3), 3);
    EXPECT_EQ(glyphpad::field_fill(-6, 3), 3);
    EXPECT_EQ(glyphpad::field_fill(6, 8), -2);
    EXPECT_EQ(glyphpad::field_fill(-1, 0), 1);
    EXPECT_EQ(glyphpad::field_fill(int32_min, 0), INT64_C(2147483648));
    EXPECT_EQ(glyphpad::field_fill(int32_min, int32_max), 1);
    EXPECT_EQ(glyphpad::field_fill(int32_max, int32_max), 0);
    EXPECT_EQ(glyphpad::field_fill(1, int32_max), INT64_C(1) - int32_max);
}

TEST(CentreFill, SmallerHalfGoesLeftAndHalvingTruncatesTowardZero)
{
    struct expect {
        int64_t columns, used, left, right;
    };
    for (const expect& e : {expect{10, 3, 3, 4}, expect{10, 4, 3, 3}, expect{80, 3, 38, 39},
                            expect{10, 12, -1, -1}, expect{0, 3, -1, -2}, expect{-5, 3, -4, -4},
                            expect{10, 10, 0, 0},
                            expect{int32_min, int32_max, -INT64_C(2147483647), -INT64_C(2147483648)},
                            expect{int32_max, 0, 1073741823, 1073741824}}) {
        const glyphpad::fill_pair f = glyphpad::centre_fill(e.columns, e.used);
        EXPECT_EQ(f.left, e.left) << e.columns << " " << e.used;
        EXPECT_EQ(f.right, e.right) << e.columns << " " << e.used;
    }
}

TEST(SeparatorPieces, OnlyWholePiecesBetweenTheBorders)
{
    EXPECT_EQ(glyphpad::separator_pieces(10, 2, 1), 8);
    EXPECT_EQ(glyphpad::separator_pieces(11, 2, 2), 4);
    EXPECT_EQ(glyphpad::separator_pieces(9, 2, 2), 3);
    EXPECT_EQ(glyphpad::separator_pieces(5, 6, 1), 0);
    EXPECT_EQ(glyphpad::separator_pieces(0, 0, 1), 0);
    EXPECT_EQ(glyphpad::separator_pieces(-120, 0, 1), 0);
    EXPECT_EQ(glyphpad::separator_pieces(int32_min, INT64_C(2) * int32_max, 1), 0);
    EXPECT_EQ(glyphpad::separator_pieces(4096, 0, int32_max), 0);
}

class Layout : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(setlocale(LC_ALL, "C.UTF-8"), nullptr); }
    captured out;
};

TEST_F(Layout, SpacesInAnyCount)
{
    glyphpad::print_spaces(out.stream, 0);
    glyphpad::print_spaces(out.stream, -7);
    EXPECT_EQ(out.text(), "");
    glyphpad::print_spaces(out.stream, 10000);  // more than one block
    EXPECT_EQ(out.text(), spaces(10000));
}

TEST_F(Layout, IndentedText)
{
    struct expect {
        std::string text;
        int32_t indentation;
        std::string written;
    };
    for (const expect& e :
         {expect{"abc", 6, "   abc"}, expect{"abc", -6, "abc   "}, expect{"abcdefgh", 6, "abcdefgh"},
          expect{"abcdefgh", -6, "abcdefgh"}, expect{"abc", 0, "abc"}, expect{ideographs, 6, "  " + ideographs},
          expect{"\x1B[1mabc\x1B[0m", 6, "   \x1B[1mabc\x1B[0m"}, expect{"a\tb", 5, "     a\tb"},
          expect{"a\tb", -2, "a\tb  "}, expect{"", 3, "   "}, expect{"e\xCC\x81", 3, "  e\xCC\x81"},
          expect{"\xFF", 0, "\xFF"}}) {
        captured m;
        glyphpad::print_indented(m.stream, e.text.c_str(), e.indentation);
        EXPECT_EQ(m.text(), e.written) << e.text << " " << e.indentation;
    }
}

TEST_F(Layout, NegativeIndentationMeasuresAfterWriting)
{
    EXPECT_EXIT(
        {
            setlocale(LC_ALL, "C.UTF-8");
            glyphpad::print_indented(stdout, "ok\xFF", -5);
        },
        testing::ExitedWithCode(1), "mbstowcs");
}

TEST_F(Layout, CentredText)
{
    struct expect {
        std::string text;
        int32_t columns;
        std::string written;
    };
    for (const expect& e : {expect{"abc", 10, "   abc"}, expect{"abcd", 10, "   abcd"},
                            expect{"abc", 80, spaces(38) + "abc"}, expect{"abcdefghijkl", 10, "abcdefghijkl"},
                            expect{"abc", -5, "abc"}, expect{"abc", 0, "abc"}, expect{"a\tb", 9, "    a\tb"},
                            expect{ideographs, 9, "  " + ideographs}, expect{"abc", int32_min, "abc"}}) {
        captured m;
        glyphpad::print_centered(m.stream, e.text.c_str(), e.columns);
        EXPECT_EQ(m.text(), e.written) << e.text << " " << e.columns;
    }
}

TEST_F(Layout, Separators)
{
    struct expect {
        std::string left, separator, right;
        int32_t columns;
        std::string written;
    };
    for (const expect& e :
         {expect{"[", "-", "]", 10, "[--------]"}, expect{"[", "=-", "]", 11, "[=-=-=-=-]"},
          expect{"[", ideographs.substr(0, 3), "]", 9, "[" + ideographs.substr(0, 3) + ideographs.substr(0, 3) +
                                                          ideographs.substr(0, 3) + "]"},
          expect{"", "", "", 10, spaces(10)}, expect{"<", "", ">", 10, "<" + spaces(8) + ">"},
          expect{"[", "\t", "]", 10, "[" + spaces(8) + "]"}, expect{"<<<", "-", ">>>", 5, "<<<>>>"},
          expect{"[", "\x1B[1m-\x1B[0m", "]", 5, "[\x1B[1m-\x1B[0m\x1B[1m-\x1B[0m\x1B[1m-\x1B[0m]"},
          expect{"\x1B[7m[", "-", "]\x1B[0m", 4, "\x1B[7m[--]\x1B[0m"},
          expect{"[", "\x1B[1m", "]", 4, "[  ]"}, expect{"[", "\xCC\x81", "]", 4, "[  ]"},
          expect{"[", "-", "]", 0, "[]"}, expect{"[", "-", "]", -120, "[]"}, expect{"[", "-", "]", int32_min, "[]"},
          expect{"[", "abc", "]", 10, "[abcabc]"}}) {
        captured m;
        glyphpad::print_separator(m.stream, e.left.c_str(), e.separator.c_str(), e.right.c_str(), e.columns);
        EXPECT_EQ(m.text(), e.written) << e.separator << " " << e.columns;
    }
}

std::string framed(const std::string& input, const char* left, const char* right, int32_t columns,
                   int32_t indentation, glyphpad::frame_alignment alignment)
{
    input_stream in(input);
    captured m;
    glyphpad::print_framed_lines(in.file, m.stream, left, right, columns, indentation, alignment);
    return m.text();
}

TEST_F(Layout, FramedLinesCentred)
{
    using glyphpad::frame_alignment;
    EXPECT_EQ(framed("ab\nc\n", "|", "|", 12, 0, frame_alignment::center), "|    ab    |\n|    c     |");
    EXPECT_EQ(framed(ideographs + "\n", "<", ">", 10, 0, frame_alignment::center), "<  " + ideographs + "  >");
    EXPECT_EQ(framed("ab\n", "|", "|", 3, 0, frame_alignment::center), "|ab|");
    EXPECT_EQ(framed("ab", "|", "|", int32_min, 0, frame_alignment::center), "|ab|");
    EXPECT_EQ(framed("", "|", "|", 12, 0, frame_alignment::center), "");
    EXPECT_EQ(framed("a\tb\n", "[", "]", 6, 0, frame_alignment::center), "[  a\tb  ]");
}

TEST_F(Layout, EveryFramedLineAndTheWholeInputIsRead)
{
    std::string input;
    std::string expected;
    for (int i = 1; i <= 3000; ++i) {
        input += std::to_string(i) + "\n";
        expected += (i > 1 ? "\n<" : "<") + std::to_string(i) + ">";
    }
    input_stream in(input);
    captured m;
    glyphpad::print_framed_lines(in.file, m.stream, "<", ">", 0, 0, glyphpad::frame_alignment::indent);
    EXPECT_EQ(m.text(), expected);
    EXPECT_EQ(fgetc(in.file), EOF);
}

TEST_F(Layout, BordersAreMeasuredEvenWithoutInput)
{
    EXPECT_EXIT(
        {
            setlocale(LC_ALL, "C.UTF-8");
            framed("", "\xFF", "|", 10, 0, glyphpad::frame_alignment::center);
        },
        testing::ExitedWithCode(1), "mbstowcs");
}

}  // namespace
