// SPDX-License-Identifier: BSD-2-Clause
// What each action writes for the scanner's pieces, and how it counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tagsnip/actions.hpp"
#include "tagsnip/tests/scan_support.hpp"

namespace {

using tagsnip::action;
using tagsnip::run_settings;

struct acted {
    std::string out;
    std::int32_t count;
};

// The labels of the examples: highlight >> << (nothing) (nothing) [ ];
// enumerate (nothing) ": " with the bare conversion.
run_settings labelled(run_settings s, action a)
{
    s.act = a;
    s.highlight_begin = ">>";
    s.highlight_end = "<<";
    s.highlight_unmarked1 = "";
    s.highlight_unmarked2 = "";
    s.highlight_marked1 = "[";
    s.highlight_marked2 = "]";
    s.enumerate_label1 = "";
    s.enumerate_label2 = ": ";
    tagsnip::make_enumerate_format("", s.enumerate_format);
    return s;
}

acted run_action(const run_settings& s, const std::string& input, const std::string& insert = "NEW\n",
                 bool per_line = true)
{
    FILE* out_file = tmpfile();
    char buffer[64];  // small, so that pieces also go past it
    tagsnip::output_stream out;
    out.fd = fileno(out_file);
    out.data = buffer;
    out.capacity = sizeof buffer;
    FILE* ins = scantest::input_stream(insert, true);
    tagsnip::block_actions a;
    a.settings = &s;
    a.out = &out;
    a.insert = fileno(ins);
    FILE* in = scantest::input_stream(input, false);
    tagsnip::line_buffer b;
    tagsnip::allocate_line_buffer(b);
    EXPECT_EQ(tagsnip::scan_input(in, b, s, scantest::lines_of(s), per_line, a), 0);
    EXPECT_TRUE(tagsnip::complete_output(out));
    tagsnip::release_line_buffer(b);
    fclose(in);
    fclose(ins);
    std::string written;
    rewind(out_file);
    for (int c; (c = fgetc(out_file)) != EOF;)
        written += static_cast<char>(c);
    fclose(out_file);
    return acted{written, a.action_count};
}

struct action_case {
    const char* name;
    run_settings settings;
    action act;
    std::string input;
    std::string out;
    std::int32_t count;
    std::string insert = "NEW\n";
};

const std::string four = "one\ntwo\nthree\nfour\n";
const std::string line = "x BEGIN y END z\n";
const std::string five = "a\nBEGIN\nb\nEND\nc\n";

run_settings select(std::int64_t from, std::int64_t to)
{
    return scantest::line_settings(from, to);
}

run_settings tags(bool full, bool include)
{
    return scantest::tag_settings("BEGIN", "END", full, include);
}

std::vector<action_case> cases()
{
    return {
        {"select_cat", select(2, 3), action::cat, four, "one\nfour\n", 1},
        {"select_delete", select(2, 3), action::remove, four, "one\nfour\n", 1},
        {"select_discard", select(2, 3), action::discard, four, "", 1},
        {"select_enumerate", select(2, 3), action::enumerate, four, "1: one\n2: 4: four\n", 1},
        {"select_highlight", select(2, 3), action::highlight, four, "one\n>>[two\n][three\n]<<four\n", 1},
        {"select_extract", select(2, 3), action::extract, four, "two\nthree\n", 1},
        {"select_insert_front", select(2, 3), action::insert_front, four, "one\nNEW\ntwo\nthree\nfour\n", 1},
        {"select_insert_back", select(2, 3), action::insert_back, four, "one\ntwo\nthree\nNEW\nfour\n", 1},
        {"select_replace", select(2, 3), action::replace, four, "one\nNEW\nfour\n", 1},
        {"excluded_highlight", tags(false, false), action::highlight, line, "x BEGIN>>[ y ]<<END z\n", 1},
        {"excluded_extract", tags(false, false), action::extract, line, " y ", 1},
        {"excluded_insert_front", tags(false, false), action::insert_front, line, "x BEGINNEW y END z\n", 1, "NEW"},
        {"excluded_insert_back", tags(false, false), action::insert_back, line, "x BEGIN y NEWEND z\n", 1, "NEW"},
        {"excluded_replace", tags(false, false), action::replace, line, "x BEGINNEWEND z\n", 1, "NEW"},
        {"excluded_delete", tags(false, false), action::remove, line, "x BEGINEND z\n", 1},
        {"included_highlight", tags(false, true), action::highlight, line, "x >>[BEGIN y END]<< z\n", 1},
        {"included_extract", tags(false, true), action::extract, line, "BEGIN y END", 1},
        {"included_insert_front", tags(false, true), action::insert_front, line, "x NEWBEGIN y END z\n", 1, "NEW"},
        {"included_insert_back", tags(false, true), action::insert_back, line, "x BEGIN y ENDNEW z\n", 1, "NEW"},
        {"included_replace", tags(false, true), action::replace, line, "x NEW z\n", 1, "NEW"},
        {"included_delete", tags(false, true), action::remove, line, "x  z\n", 1},
        {"full_excluded_extract", tags(true, false), action::extract, five, "b\n", 1},
        {"full_excluded_replace", tags(true, false), action::replace, five, "a\nBEGIN\nNEW\nEND\nc\n", 1},
        {"full_excluded_delete", tags(true, false), action::remove, five, "a\nBEGIN\nEND\nc\n", 1},
        {"full_excluded_insert_back", tags(true, false), action::insert_back, five, "a\nBEGIN\nb\nNEW\nEND\nc\n", 1},
        {"full_included_extract", tags(true, true), action::extract, five, "BEGIN\nb\nEND\n", 1},
        {"full_included_replace", tags(true, true), action::replace, five, "a\nNEW\nc\n", 1},
        {"full_included_delete", tags(true, true), action::remove, five, "a\nc\n", 1},
        {"full_included_insert_front", tags(true, true), action::insert_front, five, "a\nNEW\nBEGIN\nb\nEND\nc\n", 1},
        {"full_included_highlight", tags(true, true), action::highlight, five,
         "a\n>>[BEGIN][\n][b\n][END][\n]<<c\n", 1},
        {"two_blocks_insert_back", tags(false, false), action::insert_back,
         "1 BEGIN 2 END 3 BEGIN 4 END 5\n", "1 BEGIN 2 NEWEND 3 BEGIN 4 NEWEND 5\n", 2, "NEW"},
        {"identical_included_extract", scantest::tag_settings("--", "--", false, true), action::extract,
         "a\n--\nb\nc -- d --\ne\n", "------", 3},
        {"identical_full_included_extract", scantest::tag_settings("--", "--", true, true), action::extract,
         "a\n--\nb\nc -- d --\ne\n", "--\nc -- d --\n", 2},
        {"empty_insert_replace", tags(true, true), action::replace, five, "a\nc\n", 1, ""},
        {"empty_insert_front", tags(true, true), action::insert_front, five, five, 1, ""},
        {"empty_insert_back", tags(true, true), action::insert_back, five, five, 1, ""},
        {"no_block_discard", select(0, 0), action::discard, four, "", 0},
        {"cat_counts_blocks", select(1, 0), action::cat, four, "", 1},
        {"empty_input", tags(false, false), action::cat, "", "", 0},
    };
}

void PrintTo(const action_case& c, std::ostream* os)
{
    *os << c.name;
}

class Actions : public testing::TestWithParam<action_case> {};

TEST_P(Actions, WriteExactly)
{
    const action_case& c = GetParam();
    const run_settings s = labelled(c.settings, c.act);
    const acted r = run_action(s, c.input, c.insert);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.count, c.count);
    if (!tagsnip::needs_line_pieces(c.act)) {
        const acted joined = run_action(s, c.input, c.insert, false);
        EXPECT_EQ(joined.out, c.out) << "runs of lines handed over whole";
        EXPECT_EQ(joined.count, c.count);
    }
}

INSTANTIATE_TEST_SUITE_P(Tagsnip, Actions, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<action_case>& p) { return std::string(p.param.name); });

TEST(Highlight, UnmarkedLabelsWrapEveryOutsidePiece)
{
    run_settings s = labelled(tags(false, false), action::highlight);
    s.highlight_unmarked1 = "(";
    s.highlight_unmarked2 = ")";
    EXPECT_EQ(run_action(s, line).out, "(x BEGIN)>>[ y ]<<(END z\n)");
}

TEST(Enumerate, DefaultLabelsAndSixDigitNumbers)
{
    run_settings s;
    s.act = action::enumerate;
    EXPECT_EQ(run_action(s, "a\nb\n").out, "\x1b[36m000001\x1b[0m a\n\x1b[36m000002\x1b[0m b\n");
}

TEST(Enumerate, FormatValuesShapeTheNumber)
{
    struct format_case {
        const char* value;
        std::string out;
    };
    // Fields wider than the prefix, than printf's buffer and than a piece of padding.
    for (const format_case& c :
         {format_case{"4", "   1|a\n"}, format_case{"-4", "1   |a\n"}, format_case{"04", "0001|a\n"},
          format_case{"'", "1|a\n"}, format_case{"'0300", std::string(299, '0') + "1|a\n"},
          format_case{"5000", std::string(4999, ' ') + "1|a\n"},
          format_case{"-09000", "1" + std::string(8999, ' ') + "|a\n"}}) {
        run_settings s;
        s.act = action::enumerate;
        s.enumerate_label1 = "";
        s.enumerate_label2 = "|";
        ASSERT_TRUE(tagsnip::make_enumerate_format(c.value, s.enumerate_format)) << c.value;
        EXPECT_EQ(run_action(s, "a\n").out, c.out) << c.value;
    }
}

TEST(Enumerate, PrefixesAsPrintfMakesThemForEveryFormatValue)
{
    // 1200 lines run the numbers through 9, 99 and 999; a selection of the
    // lines 5 to 995 makes them jump (the block's boundary piece is empty).
    std::string input;
    for (int n = 1; n <= 1200; ++n)
        input += "l" + std::to_string(n) + "\n";
    const std::string long_label(300, '>');
    std::mt19937 random(7);
    const char flags[] = {'0', '-', '\''};
    const char digits[] = {'0', '1', '3', '7'};
    for (int round = 0; round < 60; ++round) {
        // Flags in any order, then a width: the values the option takes.
        std::string value;
        for (std::size_t k = random() % 3; k > 0; --k)
            value += flags[random() % sizeof flags];
        for (std::size_t k = random() % 4; k > 0; --k)
            value += digits[random() % sizeof digits];
        const bool selecting = round % 2 == 1;
        run_settings s = select(selecting ? 5 : 0, selecting ? 995 : 0);
        s.act = action::enumerate;
        s.enumerate_label1 = "<";
        s.enumerate_label2 = round % 3 == 0 ? long_label.c_str() : "> ";
        ASSERT_TRUE(tagsnip::make_enumerate_format(value.c_str(), s.enumerate_format)) << value;
        std::string expected;
        for (int n = 1; n <= 1200; ++n) {
            if (selecting && n > 5 && n <= 995)
                continue;
            const auto number = static_cast<unsigned long long>(n);
            const std::string conversion = "%" + value + "llu";
            std::string text(static_cast<std::size_t>(snprintf(nullptr, 0, conversion.c_str(), number)), ' ');
            snprintf(text.data(), text.size() + 1, conversion.c_str(), number);
            expected += "<" + text + s.enumerate_label2;
            if (!selecting || n != 5)
                expected += "l" + std::to_string(n) + "\n";
        }
        EXPECT_EQ(run_action(s, input).out, expected) << "value \"" << value << "\"";
    }
}

TEST(ActionCount, LimitsBelowZeroDoNotCount)
{
    run_settings s;
    EXPECT_TRUE(tagsnip::action_count_within_limits(s, 0));
    s.min_actions = 1;
    EXPECT_FALSE(tagsnip::action_count_within_limits(s, 0));
    EXPECT_TRUE(tagsnip::action_count_within_limits(s, 1));
    s.max_actions = 0;
    s.min_actions = -1;
    EXPECT_TRUE(tagsnip::action_count_within_limits(s, 0));
    EXPECT_FALSE(tagsnip::action_count_within_limits(s, 1));
    s.min_actions = 5;
    s.max_actions = -1;
    EXPECT_TRUE(tagsnip::action_count_within_limits(s, 7));
}

TEST(BlockState, OpenAfterABeginAndClosedAfterAnEnd)
{
    run_settings s;
    s.act = action::discard;
    tagsnip::block_actions a;
    a.settings = &s;
    tagsnip::emit_outside(a, "", 0, true);
    EXPECT_TRUE(a.block_open);
    tagsnip::emit_inside(a, "", 0, false);
    EXPECT_TRUE(a.block_open);
    tagsnip::emit_inside(a, "", 0, true);
    EXPECT_FALSE(a.block_open);
    EXPECT_EQ(a.action_count, 1);
}

}  // namespace
