// SPDX-License-Identifier: BSD-2-Clause
// The settings' normalisation, the enumeration format and the resolution of
// line numbers that count from the end.
#include <gtest/gtest.h>

#include <getopt.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "tagsnip/command_line.hpp"
#include "tagsnip/input_files.hpp"
#include "tagsnip/tests/scan_support.hpp"

namespace {

using tagsnip::run_settings;

bool operator==(const tagsnip::number_format& a, const tagsnip::number_format& b)
{
    return a.left == b.left && a.zeros == b.zeros && a.grouping == b.grouping && a.width == b.width;
}

TEST(EnumerateFormat, ReadsFlagsInAnyOrderThenTheWidth)
{
    struct format_case {
        const char* value;
        tagsnip::number_format format;
    };
    const std::string widest = std::string(113, '0') + "2147483647";
    for (const format_case& c :
         {format_case{"06", {false, true, false, 6}}, format_case{"", {false, false, false, 0}},
          format_case{"'8", {false, false, true, 8}}, format_case{"-4", {true, false, false, 4}},
          format_case{"'-0'12", {true, true, true, 12}}, format_case{"0-0", {true, true, false, 0}},
          format_case{widest.c_str(), {false, true, false, 2147483647}}}) {
        tagsnip::number_format format{false, false, false, -1};
        EXPECT_TRUE(tagsnip::make_enumerate_format(c.value, format)) << c.value;
        EXPECT_TRUE(format == c.format) << c.value;
    }
}

TEST(EnumerateFormat, RefusesAnythingThatCouldTakeAnotherArgument)
{
    const std::string longest = std::string(113, '0') + "2147483647";
    // Flags after the width, or a width printf cannot take, would make the number vanish.
    for (const std::string& value : {std::string("0.3"), std::string("%d"), std::string("d"),
                                    std::string("1$"), std::string("*"), std::string("ll"),
                                    std::string("s%n"), std::string("4x"), std::string("\xe9"),
                                    std::string("5-3"), std::string("1'2"), std::string("2147483648"),
                                    std::string("1-"), std::string("2'0"),
                                    std::string(123, '1'), "0" + longest, longest + "1"}) {
        const tagsnip::number_format untouched{true, false, true, 77};
        tagsnip::number_format format = untouched;
        EXPECT_FALSE(tagsnip::make_enumerate_format(value.c_str(), format)) << value;
        EXPECT_TRUE(format == untouched) << value;
    }
}

TEST(Normalise, TagsBecomeNoneOneOrTwoStrings)
{
    char x1[] = "X";
    char x2[] = "X";
    const run_settings same = scantest::tag_settings(x1, x2);
    EXPECT_EQ(same.begin_tag, x1);
    EXPECT_EQ(same.end_tag, x1);  // the very same string
    EXPECT_EQ(same.begin_length, 1u);

    const run_settings two = scantest::tag_settings("END", "STOP");
    EXPECT_STREQ(two.begin_tag, "END");
    EXPECT_STREQ(two.end_tag, "STOP");
    EXPECT_EQ(two.end_length, 4u);

    const run_settings begin_only = scantest::tag_settings("B", "");
    EXPECT_EQ(begin_only.end_tag, begin_only.begin_tag);

    const run_settings end_only = scantest::tag_settings(nullptr, "X");
    EXPECT_EQ(end_only.begin_tag, nullptr);
    EXPECT_EQ(end_only.end_tag, nullptr);

    const run_settings empty_begin = scantest::tag_settings("", "X");
    EXPECT_EQ(empty_begin.begin_tag, nullptr);
    EXPECT_EQ(empty_begin.end_tag, nullptr);
}

TEST(Normalise, LineActionsDropTheTags)
{
    for (tagsnip::action a : {tagsnip::action::cat, tagsnip::action::discard, tagsnip::action::enumerate}) {
        const run_settings s = scantest::tag_settings("A", "B", false, false, a);
        EXPECT_EQ(s.begin_tag, nullptr);
        EXPECT_EQ(s.end_tag, nullptr);
    }
    EXPECT_NE(scantest::tag_settings("A", "B", false, false, tagsnip::action::highlight).begin_tag, nullptr);
}

// What getopt_long makes of "--word" (with an argument word after it) in
// tagsnip's option table: the option's value, or '?'.
int option_value(const std::string& word)
{
#if defined(__GLIBC__)
    optind = 0;
#else
    optreset = 1;
    optind = 1;
#endif
    opterr = 0;
    std::string option = "--" + word;
    std::string program = "tagsnip";
    std::string argument = "x";
    char* argv[] = {program.data(), option.data(), argument.data(), nullptr};
    const frame::tool_frame& tf = tagsnip::program_frame;
    return getopt_long(3, argv, tf.short_options, tf.long_options, nullptr);
}

// Options are an interface: every abbreviation that was unique before the
// managed-block options came keeps its meaning, from its shortest form to
// the whole name, and the ambiguous ones stay ambiguous.
TEST(LongOptions, AbbreviationsKeepTheirMeaning)
{
    struct abbreviation {
        const char* shortest;
        const char* name;
        int value;
    };
    const abbreviation unique[] = {
        {"c", "cat", 'C'}, {"di", "discard", '0'}, {"highlight", "highlight", 'H'},
        {"enumerate", "enumerate", 'E'}, {"ext", "extract", 'X'}, {"de", "delete", 'D'}, {"rem", "remove", 'D'},
        {"insert-f", "insert-front", 'F'}, {"insert-b", "insert-back", 'B'}, {"rep", "replace", 'R'},
        {"inp", "input", 'i'}, {"o", "output", 'o'}, {"a", "append", 'a'}, {"in-", "in-place", 'p'},
        {"k", "keep-broken", 'k'}, {"mi", "min-actions", 'm'}, {"ma", "max-actions", 'M'},
        {"se", "select", 's'}, {"b", "begin-tag", 'b'}, {"end", "end-tag", 'e'}, {"tag", "tag", 't'},
        {"exc", "exclude-tags", 'x'}, {"inc", "include-tags", 'y'}, {"f", "full-tag-lines", 'f'},
        {"tags", "tags-only", 'g'}, {"enumerate-f", "enumerate-format", tagsnip::opt_enumerate_format},
        {"enumerate-label1", "enumerate-label1", tagsnip::opt_enumerate_label1},
        {"enumerate-label2", "enumerate-label2", tagsnip::opt_enumerate_label2},
        {"highlight-b", "highlight-begin", tagsnip::opt_highlight_begin},
        {"highlight-e", "highlight-end", tagsnip::opt_highlight_end},
        {"highlight-unmarked1", "highlight-unmarked1", tagsnip::opt_highlight_unmarked1},
        {"highlight-unmarked2", "highlight-unmarked2", tagsnip::opt_highlight_unmarked2},
        {"highlight-marked1", "highlight-marked1", tagsnip::opt_highlight_marked1},
        {"highlight-marked2", "highlight-marked2", tagsnip::opt_highlight_marked2},
        {"highlight-p", "highlight-params", tagsnip::opt_highlight_params},
        {"su", "suppress-warnings", 'q'}, {"he", "help", 'h'}, {"v", "version", 'v'},
    };
    for (const abbreviation& a : unique) {
        const std::string name = a.name;
        for (std::size_t length = strlen(a.shortest); length <= name.size(); ++length)
            EXPECT_EQ(option_value(name.substr(0, length)), a.value) << name.substr(0, length);
    }
    for (const char* ambiguous : {"e", "ex", "en", "s", "re", "in", "ins", "highlight-m", "enumerate-l"})
        EXPECT_EQ(option_value(ambiguous), '?') << ambiguous;
    EXPECT_EQ(option_value("exa"), tagsnip::opt_exact_tag_lines);
    EXPECT_EQ(option_value("st"), tagsnip::opt_strict_blocks);
    EXPECT_EQ(option_value("ens"), tagsnip::opt_ensure_block);
}

TEST(ActionLimits, HeldAtTheLimitsOfA32BitNumber)
{
    EXPECT_EQ(tagsnip::read_action_limit(" +12x"), 12);
    EXPECT_EQ(tagsnip::read_action_limit("-1"), -1);
    EXPECT_EQ(tagsnip::read_action_limit("x"), 0);
    EXPECT_EQ(tagsnip::read_action_limit("2147483647"), INT32_MAX);
    EXPECT_EQ(tagsnip::read_action_limit("2147483648"), INT32_MAX);
    EXPECT_EQ(tagsnip::read_action_limit("4294967296"), INT32_MAX);
    EXPECT_EQ(tagsnip::read_action_limit("99999999999999999999999"), INT32_MAX);
    EXPECT_EQ(tagsnip::read_action_limit("-2147483648"), INT32_MIN);
    EXPECT_EQ(tagsnip::read_action_limit("-2147483649"), INT32_MIN);
}

TEST(ResolveLines, CountFromTheEnd)
{
    EXPECT_EQ(tagsnip::resolve_from_line(-2, 5), 4);
    EXPECT_EQ(tagsnip::resolve_to_line(-1, 5), 5);
    EXPECT_EQ(tagsnip::resolve_from_line(-10, 5), -4);
    EXPECT_EQ(tagsnip::resolve_from_line(3, 5), 3);
    EXPECT_EQ(tagsnip::resolve_to_line(0, 5), 0);  // only an explicit 0 means "to the end"
    EXPECT_EQ(tagsnip::resolve_to_line(-5, 5), 1);
    EXPECT_EQ(tagsnip::resolve_to_line(-6, 5), -1);
    EXPECT_EQ(tagsnip::resolve_to_line(-8, 5), -1);
    EXPECT_EQ(tagsnip::resolve_to_line(-1, 0), -1);
}

}  // namespace
