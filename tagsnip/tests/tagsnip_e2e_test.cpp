// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's command line and its output, run as a user would.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tagsnip/tests/e2e_support.hpp"
#include "tests/support/outcome_table.hpp"

namespace {

using e2e::snip;
using testsupport::outcome_case;
using testsupport::run_result;

class Outcome : public testing::TestWithParam<outcome_case> {};

TEST_P(Outcome, Exactly)
{
    testsupport::expect_outcome("tagsnip", GetParam());
}

const std::string line = "x BEGIN y END z\n";
const std::string four = "one\ntwo\nthree\nfour\n";
const std::string five = "a\nBEGIN\nb\nEND\nc\n";
const std::vector<std::string> marks = {"--highlight-params", ">>", "<<", "", "", "[", "]"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Outcome,
    testing::Values(
        outcome_case{"help", {"--help"}, 0, "", e2e::usage},
        outcome_case{"h", {"-h"}, 0, "", e2e::usage},
        outcome_case{"help_prefix", {"--hel"}, 0, "", e2e::usage},
        outcome_case{"version", {"--version"}, 0, "tagsnip " SUITE_VERSION "\n", ""},
        outcome_case{"version_before_unknown", {"-v", "--frobnicate"}, 0, "tagsnip " SUITE_VERSION "\n", ""},
        outcome_case{"lone_dash", {"-"}, 1, "", e2e::usage},
        outcome_case{"no_options_copies", {}, 0, std::string("a\n\0b\nc", 6), "", std::string("a\n\0b\nc", 6)},
        outcome_case{"tag_then_end_tag", {"-X", "--tag", "END", "--end-tag", "STOP"}, 0, " a  b\n", "",
                     "END a STOP END b\n"},
        outcome_case{"end_tag_then_tag_identical", {"-X", "-y", "--end-tag", "STOP", "--tag", "END"}, 0, "ENDEND", "",
                     "END a STOP END b\n"},
        outcome_case{"same_text_is_identical_and_warns", {"-X", "-b", "X", "-e", "X"}, 0, "", e2e::identical_warning,
                     "aXbXc\n"},
        outcome_case{"identical_included_no_warning", {"-X", "-b", "X", "-e", "X", "--include-tags"}, 0, "XX", "",
                     "aXbXc\n"},
        outcome_case{"identical_quiet_no_warning", {"-X", "-t", "X", "-q"}, 0, "", "", "aXbXc\n"},
        outcome_case{"end_tag_alone_is_ignored", {"-D", "--end-tag", "X"}, 0, "aXb\n", "", "aXb\n"},
        outcome_case{"empty_begin_tag_is_none", {"-D", "-b", "", "-e", "X"}, 0, "aXb\n", "", "aXb\n"},
        outcome_case{"cat_with_tag_warns_and_copies", {"--cat", "--tag", "X"}, 0, "aXb\nX\n", e2e::line_actions_warning,
                     "aXb\nX\n"},
        outcome_case{"select_0_0_with_tag", {"-D", "--select", "0", "0", "--tag", "X", "-y"}, 0, "abc\n", "",
                     "aXbXc\n"},
        outcome_case{"select_with_tag_exclusive", {"--select", "0", "5", "--tag", "X"}, 1, "",
                     "ERROR: Line selection (--select|-s) and tags (--begin-tag/-b/--end-tag/-e/--tag/-t) are "
                     "mutually exclusive!\n"},
        outcome_case{"select_without_to_line", {"--select", "3"}, 1, "",
                     "ERROR: Too few arguments for line selection (--select|-s)!\n"},
        outcome_case{"select_takes_q_as_to_line", {"--cat", "--tag", "X", "--select", "0", "-q"}, 0, "a\n",
                     e2e::line_actions_warning, "a\n"},
        outcome_case{"select_negative_to_line_word", {"-X", "-s", "2", "-0"}, 0, "b\nc\n", "", "a\nb\nc\n"},
        outcome_case{"min_above_max", {"--min-actions", "2", "--max-actions", "1"}, 1, "",
                     "ERROR: Invalid min/max settings (--min-actions/-m/--max-actions/-M)!\n"},
        outcome_case{"min_with_negative_max", {"--min-actions", "5", "--max-actions", "-1"}, 1, "a\n", e2e::count_error,
                     "a\n"},
        outcome_case{"limits_read_as_atoi", {"-m", " 1x", "-s", "1", "1"}, 0, "", "", "a\n"},
        outcome_case{"enumerate_format_width", {"-E", "--enumerate-format", "4", "--enumerate-label1", "",
                                                "--enumerate-label2", ":"}, 0, "   1:a\n   2:b\n", "", "a\nb\n"},
        outcome_case{"enumerate_format_decimal_point", {"--enumerate-format", "0.3"}, 1, "",
                     "ERROR: Invalid value for enumeration format (--enumerate-format)!\n"},
        outcome_case{"enumerate_format_conversion", {"--enumerate-format", "%d"}, 1, "",
                     "ERROR: Invalid value for enumeration format (--enumerate-format)!\n"},
        outcome_case{"enumerate_format_letter", {"--enumerate-format", "4s", "-v"}, 1, "",
                     "ERROR: Invalid value for enumeration format (--enumerate-format)!\n"},
        outcome_case{"enumerate_format_too_long", {"--enumerate-format", std::string(124, '1')}, 1, "",
                     "ERROR: Invalid value for enumeration format (--enumerate-format)!\n"},
        outcome_case{"enumerate_format_longest", {"-E", "--enumerate-label1", "", "--enumerate-label2", "",
                                                  "--enumerate-format", std::string(120, '0') + "-12"}, 0,
                     "1" + std::string(11, ' ') + "a\n", "", "a\n"},
        outcome_case{"highlight_params_too_few", {"--highlight-params", "1", "2", "3", "4", "5"}, 1, "",
                     "ERROR: Too few arguments for highlight parameters (--highlight-params)!\n"},
        outcome_case{"highlight_params_six", with({"-H", "-s", "2", "2"}, marks), 0, "a\n>>[b\n]<<", "", "a\nb\n"},
        // The option parser may still hold operands back to move them behind
        // the options when --select and --highlight-params take their further
        // words: those words are never options, the options after them are
        // read (here up to --version or --help), and an operand anywhere ends
        // the run with the usage line.
        outcome_case{"operand_before_select", {"a", "--select", "2", "-3", "-v"}, 0, "tagsnip " SUITE_VERSION "\n", ""},
        outcome_case{"operand_after_select", {"--select", "2", "-3", "a", "-v"}, 0, "tagsnip " SUITE_VERSION "\n", ""},
        outcome_case{"word_after_select_is_to_line", {"--select", "2", "a", "-v"}, 0, "tagsnip " SUITE_VERSION "\n", ""},
        outcome_case{"operand_after_select_refused", {"-X", "-s", "2", "-3", "a"}, 1, "", e2e::usage},
        outcome_case{"operand_before_highlight_params",
                     {"a", "-H", "--highlight-params", "<", ">", "-v", "-h", "-q", "-C", "-v"}, 0, "tagsnip " SUITE_VERSION "\n",
                     ""},
        outcome_case{"operand_after_highlight_params", {"--highlight-params", "-1", "-2", "-3", "-4", "-5", "-6", "a"},
                     1, "", e2e::usage},
        outcome_case{"operands_around_both",
                     {"a", "-s", "1", "-2", "b", "--highlight-params", "-1", "-2", "-3", "-4", "-5", "-6", "c", "-h"},
                     0, "", e2e::usage},
        outcome_case{"highlight_single_labels", {"-H", "-s", "1", "1", "--highlight-begin", "{", "--highlight-end", "}",
                                                 "--highlight-marked1", "<", "--highlight-marked2", ">",
                                                 "--highlight-unmarked1", "(", "--highlight-unmarked2", ")"}, 0,
                     "{<a\n>}(b\n)", "", "a\nb\n"},
        outcome_case{"highlight_exact_name_wins", {"--highlight", "-s", "1", "1"}, 0,
                     "\u2b50\x1b[31ma\n\x1b[0m\U0001f6d1", "", "a\n"},
        outcome_case{"insert_file_opened_for_cat", {"-F", "missing", "-C"}, 1, "",
                     "ERROR: Unable to open insert file missing: No such file or directory!\n", "a\n"},
        outcome_case{"default_enumerate", {"-E"}, 0, "\x1b[36m000001\x1b[0m a\n\x1b[36m000002\x1b[0m b\n", "",
                     "a\nb\n"},
        outcome_case{"no_color_enumerate", {"-E"}, 0, "000001 a\n000002 b\n", "", "a\nb\n",
                     {"LC_ALL=C.UTF-8", "NO_COLOR=1"}},
        outcome_case{"no_color_highlight_keeps_marks", {"-H", "-s", "2", "2"}, 0, "a\n\u2b50b\n\U0001f6d1c\n", "",
                     "a\nb\nc\n", {"LC_ALL=C.UTF-8", "NO_COLOR=yes"}},
        outcome_case{"no_color_empty_keeps_colours", {"-E"}, 0, "\x1b[36m000001\x1b[0m a\n", "", "a\n",
                     {"LC_ALL=C.UTF-8", "NO_COLOR="}},
        outcome_case{"no_color_given_labels_written", {"-H", "--highlight-marked1", "\x1b[1m", "-s", "1", "1"}, 0,
                     "\u2b50\x1b[1ma\n\U0001f6d1b\n", "", "a\nb\n", {"LC_ALL=C.UTF-8", "NO_COLOR=1"}},
        outcome_case{"no_color_given_enumerate_labels", {"-E", "--enumerate-label1", "\x1b[35m",
                                                         "--enumerate-label2", "\x1b[0m:"}, 0,
                     "\x1b[35m000001\x1b[0m:a\n", "", "a\n", {"LC_ALL=C.UTF-8", "NO_COLOR=1"}},
        outcome_case{"empty_input", {"-X", "-t", "X", "-y"}, 0, "", ""},
        outcome_case{"discard_min_no_block", {"--discard", "--min-actions", "1", "-t", "BEGIN"}, 1, "",
                     e2e::line_actions_warning + e2e::count_error, five},
        outcome_case{"discard_min_one_block", {"--discard", "--min-actions", "1", "-s", "2", "2"}, 0, "", "", five},
        outcome_case{"max_zero_with_a_block", {"-X", "--max-actions", "0", "-b", "BEGIN", "-e", "END", "-f"}, 1, "b\n",
                     e2e::count_error, five},
        outcome_case{"extract_tags_only", {"-X", "-b", "BEGIN", "-e", "END"}, 0, " y ", "", line},
        outcome_case{"extract_full_included", {"-X", "-b", "BEGIN", "-e", "END", "-f", "-y"}, 0, line, "", line},
        outcome_case{"delete_full_included", {"--remove", "-b", "BEGIN", "-e", "END", "-f", "-y"}, 0, "a\nc\n", "",
                     five},
        outcome_case{"highlight_full_included", with({"-H", "-b", "BEGIN", "-e", "END", "-f", "-y"}, marks), 0,
                     "a\n>>[BEGIN][\n][b\n][END][\n]<<c\n", "", five},
        outcome_case{"highlight_mark_per_line_exclusive_tags",
                     with({"-H", "-b", "BEGIN", "-e", "END", "-g", "-x"}, marks), 0, "x BEGIN>>[ y ]<<END z\n", "",
                     line},
        outcome_case{"enumerate_selection", {"-E", "--enumerate-format", "", "--enumerate-label1", "",
                                             "--enumerate-label2", ": ", "-s", "2", "3"}, 0, "1: one\n2: 4: four\n", "",
                     four},
        outcome_case{"select_five_lines_to_end", {"-X", "-s", "4", "0"}, 0, "4\n5", "", "1\n2\n3\n4\n5"},
        outcome_case{"negative_lines_need_input_file", {"-s", "-2", "-1"}, 1, "",
                     "ERROR: Select from end of file (negative line number) is only possible with input file!\n",
                     "1\n"},
        outcome_case{"in_place_needs_input_file", {"-p"}, 1, "",
                     "ERROR: In-place update (--in-place|-p) requires an input file (--input/-i)!\n", "1\n"},
        outcome_case{"insert_stdin_needs_input_file", {"-R", "-"}, 1, "",
                     "ERROR: Insert from standard input requires an input file!\n", "1\n"},
        outcome_case{"dashes_mean_standard_streams", {"-i", "-", "-o", "-", "-X", "-s", "2", "2"}, 0, "b\n", "",
                     "a\nb\n"}),
    testsupport::outcome_name);

TEST(TagsnipCommandLine, UnknownOptionComplainsThenShowsUsage)
{
    const run_result r = snip({"--frobnicate", "-v"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    ASSERT_GT(r.err.size(), e2e::usage.size());
    EXPECT_EQ(r.err.substr(r.err.size() - e2e::usage.size()), e2e::usage);
    EXPECT_NE(r.err.find("frobnicate"), std::string::npos);
}

TEST(TagsnipCommandLine, AmbiguousAbbreviationsEndWithUsage)
{
    for (const char* option : {"--highlight-m", "--re"}) {
        const run_result r = snip({option, "x"});
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_EQ(r.out, "");
        ASSERT_GT(r.err.size(), e2e::usage.size());
        EXPECT_EQ(r.err.substr(r.err.size() - e2e::usage.size()), e2e::usage) << option;
    }
}

TEST(TagsnipCommandLine, UsageNamesTheProgramPathAsInvoked)
{
    testsupport::run_request r;
    r.argv = {testsupport::program_path("tagsnip"), "surplus"};
    const run_result result = testsupport::run(r);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Usage: " + testsupport::program_path("tagsnip") + e2e::usage_tail);
}

TEST(TagsnipLocale, MissingLocaleRunsInEnglish)
{
    e2e::call c;
    c.args = {"--select", "3"};
    c.env = {"LC_ALL=xx_YY.UTF-8", "LANG=xx_YY"};
    const run_result r = snip(c);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Too few arguments for line selection (--select|-s)!\n");
}

TEST(TagsnipOutput, LongLinesAndManyBlocksPassWhole)
{
    std::string input, expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string body(static_cast<std::size_t>(i * 37 % 5000), static_cast<char>('a' + i % 26));
        input += "head " + std::to_string(i) + "\n<<\n" + body + "\n>>\n";
        expected += body + "\n";
    }
    const run_result r = snip({"-X", "-b", "<<", "-e", ">>", "-f"}, input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected);
    const run_result d = snip({"-D", "-b", "<<", "-e", ">>", "-f", "-y", "-M", "2999"}, input);
    EXPECT_EQ(d.status, 1);
    EXPECT_EQ(d.err, e2e::count_error);
}

TEST(TagsnipOutput, WriteErrorOnStandardOutputSaysSo)
{
    e2e::call c;
    c.input = std::string(1 << 20, 'x') + "\n";
    c.stdout_path = "/dev/full";
    const run_result r = snip(c);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Unable to write to standard output: No space left on device!\n");

    c.input = "short\n";  // still buffered at the end: the final flush reports it
    const run_result small = snip(c);
    EXPECT_EQ(small.status, 1);
    EXPECT_EQ(small.err, "ERROR: Unable to write to standard output: No space left on device!\n");
}

}  // namespace
