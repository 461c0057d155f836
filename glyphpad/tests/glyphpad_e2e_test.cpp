// SPDX-License-Identifier: BSD-2-Clause
// glyphpad run as a user would: argument vector, standard input, environment,
// exit status. The child has no controlling terminal, so the width starts at 80.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/outcome_table.hpp"
#include "tests/support/run_program.hpp"

namespace {

using testsupport::outcome_case;
using testsupport::run;
using testsupport::run_request;
using testsupport::run_result;

const std::string usage_tail =
    " [-n|--newline] [-i indentation|--indent indentation] [-c|--center]"
    " [-I indentation left right|--multiline-indent indentation left right]"
    " [-C left right|--multiline-center left right]"
    " [-s border_left separator border_right|--separator border_left separator border_right]"
    " [-x columns|--columns columns] [-b|--size] [-l|--length] [-w|--width]"
    " [-a|--size-length-width] [-t|--terminal-info] [-h|--help] [-v|--version] [string]\n";
const std::string usage = "Usage: glyphpad" + usage_tail;

const std::string ideograph = "\xE4\xB8\xAD";  // two columns
const std::string two_ideographs = "\xE4\xB8\xAD\xE6\x96\x87";

std::string spaces(size_t n)
{
    return std::string(n, ' ');
}

// The numbers 1 to n, one a line.
std::string numbered_lines(int n)
{
    std::string lines;
    for (int i = 1; i <= n; ++i)
        lines += std::to_string(i) + "\n";
    return lines;
}

// The same framed by -I indentation '[' ']' (indentation >= 0).
std::string framed_numbers(int n, size_t indentation)
{
    std::string out;
    for (int i = 1; i <= n; ++i) {
        const std::string number = std::to_string(i);
        out += (i > 1 ? "\n[" : "[") + spaces(indentation > number.size() ? indentation - number.size() : 0) +
               number + "]";
    }
    return out;
}

run_result glyphpad(std::vector<std::string> args, std::string input = "",
                    std::vector<std::string> env = {"LC_ALL=C.UTF-8"})
{
    run_request r;
    r.argv = {"glyphpad"};
    r.argv.insert(r.argv.end(), args.begin(), args.end());
    r.input = std::move(input);
    r.env = std::move(env);
    return run(r);
}

class Outcome : public testing::TestWithParam<outcome_case> {};

TEST_P(Outcome, Exactly)
{
    testsupport::expect_outcome("glyphpad", GetParam());
}

constexpr bool bsd = testsupport::bsd_option_parser;

const std::string mbstowcs_failed =
    "ERROR: mbstowcs() failed: Invalid or incomplete multibyte or wide character!\n";

INSTANTIATE_TEST_SUITE_P(
    Frame, Outcome,
    testing::Values(
        outcome_case{"help", {"--help"}, 0, "", usage},
        outcome_case{"help_prefix", {"--hel"}, 0, "", usage},
        outcome_case{"version", {"--version"}, 0, "glyphpad " SUITE_VERSION "\n", ""},
        outcome_case{"version_before_bad_option", {"-v", "--frobnicate"}, 0, "glyphpad " SUITE_VERSION "\n", ""},
        // A '-' ending a group of options: glibc hands it back as the value
        // '-', which is ignored. FreeBSD's parser reads a hyphen inside a
        // group as the start of a long option (-n-c is -n --c), and one with
        // no name after it as malformed: '?' without a complaint of its own.
        outcome_case{"hyphen_in_group", {"-n-"}, bsd ? 1 : 0, bsd ? "" : "\n", bsd ? usage : ""},
        outcome_case{"hyphen_in_group_with_text", {"-n-", "abc"}, bsd ? 1 : 0, bsd ? "" : "abc\n", bsd ? usage : ""},
        // glibc hands a lone "-" back as a non-option argument, so it is
        // the positional string, not the ignored option value '-'.
        outcome_case{"lone_hyphen_is_the_string", {"-"}, 0, "-", ""},
        outcome_case{"lone_hyphen_after_string", {"abc", "-"}, 0, "abc", "WARNING: Unhandled parameter -!\n"}),
    testsupport::outcome_name);

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Outcome,
    testing::Values(
        outcome_case{"nothing", {}, 0, "", ""},
        outcome_case{"only_newline", {"-n"}, 0, "\n", ""},
        outcome_case{"plain_string_undecorated", {"-n", "a\\tb"}, 0, "a\tb\n", ""},
        outcome_case{"hex_and_u", {"\\x41\\u00e9"}, 0, "A\xC3\xA9", ""},
        outcome_case{"octal_escape", {"\\0033[1m"}, 0, "\x1B[1m", ""},
        outcome_case{"octal_third_digit_bad", {"\\033[1m"}, 1, "", "ERROR: Invalid octal digit [!\n"},
        outcome_case{"octal_short", {"x\\033"}, 0, "x33", ""},
        outcome_case{"hex_short", {"ab\\x4"}, 0, "ab4", ""},
        outcome_case{"unknown_escape", {"a\\qb"}, 0, "a\\qb", ""},
        outcome_case{"trailing_backslash", {"a\\"}, 0, "a\\", ""},
        outcome_case{"escaped_backslash", {"\\\\n"}, 0, "\\n", ""},
        outcome_case{"u_bad_digit", {"\\u00zz"}, 1, "", "ERROR: Invalid hexadecimal digit z!\n"},
        outcome_case{"x_bad_digit", {"\\x4g"}, 1, "", "ERROR: Invalid hexadecimal digit g!\n"},
        outcome_case{"surrogate_gives_nothing", {"a\\ud800b"}, 0, "ab", ""},
        outcome_case{"beyond_unicode_gives_nothing", {"a\\U00110000b\\Uffffffff"}, 0, "ab", ""},
        outcome_case{"decoded_zero_ends", {"a\\x00b"}, 0, "a", ""},
        outcome_case{"extra_parameters_warned", {"one", "two", "three"}, 0, "one",
                     "WARNING: Unhandled parameter two!\nWARNING: Unhandled parameter three!\n"},
        outcome_case{"extra_parameter_not_decoded", {"one", "\\x4g"}, 0, "one",
                     "WARNING: Unhandled parameter \\x4g!\n"},
        outcome_case{"string_after_separator", {"-s", "[", "-", "]", "extra"}, 1, "", usage},
        outcome_case{"string_before_separator", {"extra", "-s", "[", "-", "]"}, 1, "", usage},
        outcome_case{"separator_width", {"-s", "[", "-", "]", "-w"}, 0, "1\n", ""},
        outcome_case{"separator_centred", {"-s", "[", "-", "]", "-c"}, 0, spaces(39) + "-", ""},
        outcome_case{"center_short", {"-C", "|"}, 1, "", "ERROR: Invalid arguments for multiline-center!\n"},
        outcome_case{"indent_short", {"-I", "4", "|"}, 1, "", "ERROR: Invalid arguments for multiline-indent!\n"},
        outcome_case{"separator_short", {"-s", "[", "-"}, 1, "", "ERROR: Invalid separator setting!\n"},
        outcome_case{"short_before_decoding", {"-s", "\\x4g", "-"}, 1, "", "ERROR: Invalid separator setting!\n"},
        outcome_case{"last_mode_wins", {"-i", "5", "-c", "abc"}, 0, spaces(38) + "abc", ""},
        outcome_case{"indent_after_center", {"-c", "-i", "5", "abc"}, 0, "  abc", ""},
        outcome_case{"string_before_options", {"abc", "-i", "6"}, 0, "   abc", ""},
        outcome_case{"indentation_as_atoi", {"-i", " +6x", "abc"}, 0, "   abc", ""},
        outcome_case{"indentation_not_a_number", {"-i", "abc", "abc"}, 0, "abc", ""},
        outcome_case{"indentation_not_decoded", {"-i", "\\x4g", "abc"}, 0, "abc", ""},
        outcome_case{"further_elements_may_look_like_options", {"-C", "-n", "-x"}, 0,
                     "-n" + spaces(37) + "ab" + spaces(37) + "-x", "", "ab\n"},
        outcome_case{"attached_first_value", {"--multiline-indent=4", "[", "]"}, 0, "[  ab]", "", "ab\n"},
        outcome_case{"attached_short_value", {"-I-4", "[", "]"}, 0, "[ab  ]", "", "ab\n"},
        outcome_case{"borders_decoded", {"-C", "\\x5b", "\\u005d", "-x", "4"}, 0, "[ab]", "", "ab\n"},
        outcome_case{"border_bad_escape", {"-C", "[", "\\x4g"}, 1, "", "ERROR: Invalid hexadecimal digit g!\n", "ab\n"},
        outcome_case{"borders_kept_for_later_mode",
                     {"-s", "<", "-", ">", "-C", "[", "]", "-s", "(", "=", ")", "-x", "6"}, 0, "(====)", ""},
        outcome_case{"slots_shared_between_modes",
                     {"-C", "<", ">", "-x", "5", "-s", "[", "-", "]", "-I", "0", "{", "}"}, 0, "{ab}", "", "ab\n"},
        // The option parser may still hold operands back to move them behind
        // the options when -I, -C or -s take their further words: the string
        // is the first operand wherever it stands, the further words are
        // never options, and later operands are warned about in order.
        outcome_case{"operand_before_center_borders", {"one", "-C", "-v", "-h", "-w"}, 0, "3\n", ""},
        outcome_case{"operand_between_indent_and_center", {"-I", "1", "[", "]", "one", "-C", "<", ">", "two", "-l"}, 0,
                     "3\n", "WARNING: Unhandled parameter two!\n"},
        outcome_case{"operands_after_indent_borders", {"-x", "6", "-I", "1", "-n", "-x", "one", "two"}, 0, "-nab-x",
                     "WARNING: Unhandled parameter two!\n", "ab\n"},
        outcome_case{"operands_around_both", {"one", "-x", "9", "-I", "2", "<", ">", "two", "-C", "[", "]", "three"}, 0,
                     "[  ab   ]", "WARNING: Unhandled parameter two!\nWARNING: Unhandled parameter three!\n", "ab\n"},
        outcome_case{"operand_before_separator_words", {"one", "-s", "[", "-v", "]", "-n"}, 1, "", usage},
        outcome_case{"operand_between_separator_and_mode", {"-s", "[", "-", "]", "one", "-c"}, 1, "", usage},
        outcome_case{"terminal_info_decodes_string", {"-t", "some-string"}, 0, "80 24\n", ""},
        outcome_case{"terminal_info_reports_escape_errors", {"-t", "\\x4g"}, 1, "",
                     "ERROR: Invalid hexadecimal digit g!\n"}),
    testsupport::outcome_name);

INSTANTIATE_TEST_SUITE_P(
    Columns, Outcome,
    testing::Values(
        outcome_case{"largest", {"-x", "4096", "-s", "", "-", ""}, 0, std::string(4096, '-'), ""},
        outcome_case{"too_wide", {"-x", "4097", "-s", "", "-", ""}, 1, "", "ERROR: Invalid console width 4097!\n"},
        outcome_case{"too_wide_before_later_options", {"-x", "4097", "--frobnicate"}, 1, "",
                     "ERROR: Invalid console width 4097!\n"},
        outcome_case{"int32_max", {"-x", "2147483647"}, 1, "", "ERROR: Invalid console width 2147483647!\n"},
        outcome_case{"one_is_a_width", {"-x", "1", "-s", "", "-", ""}, 0, "-", ""},
        outcome_case{"zero_is_terminal", {"-x", "0", "-s", "", "-", ""}, 0, std::string(80, '-'), ""},
        outcome_case{"relative", {"-x", "-10", "-s", "", "-", ""}, 0, std::string(70, '-'), ""},
        outcome_case{"relative_from_terminal_each_time", {"-x", "-10", "-x", "-10", "-s", "", "-", ""}, 0,
                     std::string(70, '-'), ""},
        outcome_case{"last_one_counts", {"-x", "5", "-x", "12", "-s", "", "-", ""}, 0, std::string(12, '-'), ""},
        outcome_case{"negative_accepted", {"-x", "-200", "-s", "[", "-", "]"}, 0, "[]", ""},
        outcome_case{"negative_centre", {"-x", "-200", "-c", "abc"}, 0, "abc", ""},
        outcome_case{"low_32_bits_minus_one", {"-x", "4294967295", "-s", "", "-", ""}, 0, std::string(79, '-'), ""},
        outcome_case{"low_32_bits_zero", {"-x", "4294967296", "-s", "", "-", ""}, 0, std::string(80, '-'), ""},
        outcome_case{"low_32_bits_int32_min", {"-x", "2147483648", "-s", "[", "-", "]"}, 0, "[]", ""},
        // atol saturates at the 64-bit minimum, whose low 32 bits are 0.
        outcome_case{"saturated_atol", {"-x", "-99999999999999999999", "-s", "", "-", ""}, 0, std::string(80, '-'), ""},
        outcome_case{"not_a_number", {"-x", "abc", "-s", "", "-", ""}, 0, std::string(80, '-'), ""},
        outcome_case{"long_form", {"--columns=7", "--separator", "", "-", ""}, 0, std::string(7, '-'), ""},
        outcome_case{"terminal_info_ignores_columns", {"-x", "40", "-t"}, 0, "80 24\n", ""}),
    testsupport::outcome_name);

INSTANTIATE_TEST_SUITE_P(
    Measures, Outcome,
    testing::Values(
        outcome_case{"empty", {"-a", ""}, 0, "0 0 0\n", ""},
        outcome_case{"no_string", {"-a"}, 0, "", ""},
        outcome_case{"accented", {"-a", "h\xC3\xA9llo"}, 0, "6 5 5\n", ""},
        outcome_case{"ideographs", {"-a", two_ideographs}, 0, "6 2 4\n", ""},
        outcome_case{"combining", {"-a", "e\\u0301"}, 0, "3 2 1\n", ""},
        outcome_case{"colour_sequences", {"-a", "\\e[1;31mred\\e[0m"}, 0, "3 3 3\n", ""},
        outcome_case{"unterminated_sequence", {"-b", "ab\\e[12"}, 0, "2\n", ""},
        outcome_case{"title_sequence", {"-a", "\\e]0;title\\a"}, 0, "5 5 -1\n", ""},
        outcome_case{"tab_width", {"-w", "a\\tb"}, 0, "-1\n", ""},
        outcome_case{"length_only", {"--length", "h\xC3\xA9llo"}, 0, "5\n", ""},
        outcome_case{"size_only", {"--size", "h\xC3\xA9llo"}, 0, "6\n", ""},
        outcome_case{"invalid_bytes", {"-a", "\\xff"}, 1, "", mbstowcs_failed},
        outcome_case{"invalid_bytes_unmeasured", {"\\xff"}, 0, "\xFF", ""},
        outcome_case{"invalid_bytes_indented", {"-i", "3", "ok\\xff"}, 1, "", mbstowcs_failed},
        outcome_case{"invalid_bytes_left_aligned", {"-n", "-i", "-3", "ok\\xff"}, 1, "ok\xFF", mbstowcs_failed},
        outcome_case{"report_then_newline", {"-b", "-n", "abc"}, 0, "3\n\n", ""},
        outcome_case{"terminal_info", {"-t"}, 0, "80 24\n", ""}),
    testsupport::outcome_name);

INSTANTIATE_TEST_SUITE_P(
    Layout, Outcome,
    testing::Values(
        outcome_case{"indent_right", {"-i", "6", "abc"}, 0, "   abc", ""},
        outcome_case{"indent_left", {"-i", "-6", "abc"}, 0, "abc   ", ""},
        outcome_case{"indent_too_wide", {"-i", "6", "abcdefgh"}, 0, "abcdefgh", ""},
        outcome_case{"indent_ideographs", {"-i", "6", two_ideographs}, 0, "  " + two_ideographs, ""},
        outcome_case{"indent_sequences", {"-i", "6", "\\e[1mabc\\e[0m"}, 0, "   \x1B[1mabc\x1B[0m", ""},
        outcome_case{"indent_tab", {"-i", "5", "a\\tb"}, 0, "     a\tb", ""},
        outcome_case{"center_odd", {"-x", "10", "-c", "abc"}, 0, "   abc", ""},
        outcome_case{"center_even", {"-x", "10", "-c", "abcd"}, 0, "   abcd", ""},
        outcome_case{"center_80", {"-x", "80", "-c", "abc"}, 0, spaces(38) + "abc", ""},
        outcome_case{"center_default_width", {"-c", "abc"}, 0, spaces(38) + "abc", ""},
        outcome_case{"center_too_wide", {"-x", "10", "-c", "abcdefghijkl"}, 0, "abcdefghijkl", ""},
        outcome_case{"center_width_minus_5", {"-x", "-85", "-c", "abc"}, 0, "abc", ""},
        outcome_case{"center_relative_minus_5", {"-x", "-5", "-c", "abc"}, 0, spaces(36) + "abc", ""},
        outcome_case{"center_tab", {"-x", "10", "-c", "a\\tb"}, 0, spaces(5) + "a\tb", ""},
        outcome_case{"separator", {"-x", "10", "-s", "[", "-", "]"}, 0, "[--------]", ""},
        outcome_case{"separator_never_cut", {"-x", "11", "-s", "[", "=-", "]"}, 0, "[=-=-=-=-]", ""},
        outcome_case{"separator_ideograph", {"-x", "9", "-s", "[", ideograph, "]"}, 0,
                     "[" + ideograph + ideograph + ideograph + "]", ""},
        outcome_case{"separator_all_empty", {"-x", "10", "-s", "", "", ""}, 0, spaces(10), ""},
        outcome_case{"separator_empty", {"-x", "10", "-s", "<", "", ">"}, 0, "<" + spaces(8) + ">", ""},
        outcome_case{"separator_tab", {"-x", "10", "-s", "[", "\\t", "]"}, 0, "[" + spaces(8) + "]", ""},
        outcome_case{"separator_wide_borders", {"-x", "5", "-s", "<<<", "-", ">>>"}, 0, "<<<>>>", ""},
        outcome_case{"separator_with_sequences", {"-x", "4", "-s", "\\e[7m[", "\\e[1m-\\e[0m", "]\\e[0m"}, 0,
                     "\x1B[7m[\x1B[1m-\x1B[0m\x1B[1m-\x1B[0m]\x1B[0m", ""},
        outcome_case{"separator_newline", {"-n", "-x", "4", "-s", "[", "-", "]"}, 0, "[--]\n", ""},
        outcome_case{"framed_centre", {"-x", "12", "-C", "|", "|"}, 0, "|    ab    |\n|    c     |", "", "ab\nc\n"},
        outcome_case{"framed_centre_newline", {"-x", "12", "-C", "|", "|", "-n"}, 0, "|    ab    |\n|    c     |\n", "",
                     "ab\nc\n"},
        outcome_case{"framed_indent", {"-I", "4", "[", "]"}, 0, "[  ab]\n[ cde]", "", "ab\ncde\n"},
        outcome_case{"framed_indent_left", {"-I", "-4", "[", "]"}, 0, "[ab  ]\n[cde ]", "", "ab\ncde\n"},
        outcome_case{"framed_ideographs", {"-x", "10", "-C", "<", ">"}, 0, "<  " + two_ideographs + "  >", "",
                     two_ideographs + "\n"},
        outcome_case{"framed_empty_centre", {"-C", "|", "|"}, 0, "", ""},
        outcome_case{"framed_empty_indent", {"-I", "2", "|", "|"}, 0, "", ""},
        outcome_case{"framed_empty_newline", {"-n", "-I", "2", "|", "|"}, 0, "\n", ""},
        outcome_case{"framed_empty_bad_border", {"-C", "\\xff", "|"}, 1, "", mbstowcs_failed},
        outcome_case{"framed_crlf", {"-I", "0", "[", "]"}, 0, "[ab]", "", "ab\r\n"},
        outcome_case{"framed_cr_inside", {"-I", "0", "[", "]"}, 0, "[ab]\n[ef]", "", "ab\rcd\nef"},
        outcome_case{"framed_zero_byte", {"-I", "0", "[", "]"}, 1, "[ab]",
                     "ERROR: Line 2 of standard input contains a NUL byte!\n", std::string("ab\ncd\0ef\ngh\n", 12)},
        outcome_case{"framed_zero_byte_after_cr", {"-I", "0", "[", "]"}, 1, "",
                     "ERROR: Line 1 of standard input contains a NUL byte!\n", std::string("ab\r\0\n", 5)},
        outcome_case{"framed_1025_lines", {"-I", "0", "[", "]"}, 0, framed_numbers(1025, 0), "", numbered_lines(1025)},
        outcome_case{"framed_5000_lines", {"-n", "-I", "6", "[", "]"}, 0, framed_numbers(5000, 6) + "\n", "",
                     numbered_lines(5000)},
        outcome_case{"framed_lines_not_decoded", {"-I", "0", "[", "]"}, 0, "[a\\tb]", "", "a\\tb\n"},
        outcome_case{"framed_ignores_string", {"-x", "6", "-C", "[", "]", "text"}, 0, "[ ab ]", "", "ab\n"},
        outcome_case{"framed_indent_ignores_string", {"text", "-I", "3", "[", "]"}, 0, "[ ab]", "", "ab\n"},
        outcome_case{"framed_width_minus_3", {"-x", "-83", "-C", "|", "|"}, 0, "|ab|", "", "ab\n"},
        outcome_case{"framed_relative_minus_3", {"-x", "-3", "-C", "|", "|"}, 0,
                     "|" + spaces(36) + "ab" + spaces(37) + "|", "", "ab\n"},
        // A line the locale cannot decode: the lines before it, whole, and
        // nothing of it, not even the newline that would come before it.
        outcome_case{"framed_bad_third_line_centred", {"-x", "10", "-C", "<", ">"}, 1, "<   ok   >\n<  fine  >",
                     mbstowcs_failed, "ok\nfine\nb\xFFz\nlast\n"},
        outcome_case{"framed_bad_third_line_left_aligned", {"-I", "-4", "[", "]"}, 1, "[ok  ]\n[fine]",
                     mbstowcs_failed, "ok\nfine\nb\xFFz\nlast\n"},
        outcome_case{"framed_bad_line_unmeasured", {"-I", "0", "[", "]"}, 0, "[ok]\n[b\xFFz]", "", "ok\nb\xFFz\n"}),
    testsupport::outcome_name);

TEST(GlyphpadFramed, LongLinesAreReadInPiecesOf8191Bytes)
{
    const std::string a8191(8191, 'a');
    // 8191 bytes fill one read; the newline left over makes an empty line.
    run_result r = glyphpad({"-I", "0", "[", "]"}, a8191 + "\nz\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[" + a8191 + "]\n[]\n[z]");
    // 8192 bytes: one full piece and a remainder of one byte.
    r = glyphpad({"-I", "0", "[", "]"}, a8191 + "b\nz\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[" + a8191 + "]\n[b]\n[z]");
    // 8190 bytes and the newline fit one read.
    r = glyphpad({"-I", "0", "[", "]"}, a8191.substr(1) + "\nz");
    EXPECT_EQ(r.out, "[" + a8191.substr(1) + "]\n[z]");
    // A zero byte is reported by the input line it is in, not by the piece.
    r = glyphpad({"-I", "0", "[", "]"}, a8191 + "b\nz" + std::string(1, '\0') + "\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[" + a8191 + "]\n[b]");
    EXPECT_EQ(r.err, "ERROR: Line 2 of standard input contains a NUL byte!\n");
}

TEST(GlyphpadFramed, ReadErrorEndsTheRun)
{
    run_request r;
    r.argv = {"/bin/sh", "-c", testsupport::program_path("glyphpad") + " -I 0 '[' ']' < /"};
    r.env = {"LC_ALL=C.UTF-8"};
    const run_result result = run(r);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "ERROR: Read error: Is a directory!\n");
}

TEST(GlyphpadSpaces, HugeIndentationEndsPromptlyWhenThePipeCloses)
{
    run_request r;
    r.argv = {"/bin/sh", "-c", testsupport::program_path("glyphpad") + " -i 2147483647 x | head -c 100"};
    r.env = {"LC_ALL=C.UTF-8"};
    r.timeout_seconds = 60;  // a run that never ends is killed and fails below
    const run_result result = run(r);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, spaces(100));
}

TEST(GlyphpadSpaces, HugeFillsStopAtAFileSizeLimit)
{
    testsupport::temp_dir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-i", "2147483647", "x"}, std::vector<std::string>{"-i", "-2147483648", "x"}}) {
        run_request r;
        r.argv = {"glyphpad"};
        r.argv.insert(r.argv.end(), args.begin(), args.end());
        r.env = {"LC_ALL=C.UTF-8"};
        r.stdout_path = dir / "out";
        r.file_size_limit = 100000;
        r.timeout_seconds = 60;
        const run_result result = run(r);
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.status, 1);
        // The write error came before the final flush; its text is the frame's.
        EXPECT_EQ(result.err.rfind("ERROR: Unable to write to standard output: ", 0), 0u) << result.err;
        const std::string out = testsupport::read_file(dir / "out");
        ASSERT_EQ(out.size(), 100000u);
        if (args[1][0] == '-')
            EXPECT_EQ(out, "x" + spaces(99999));
        else
            EXPECT_EQ(out, spaces(100000));
    }
}

TEST(GlyphpadOutput, FullStandardOutputIsAnError)
{
    run_request r;
    r.argv = {"glyphpad", "-n", "abc"};
    r.env = {"LC_ALL=C.UTF-8"};
    r.stdout_path = "/dev/full";
    const run_result result = run(r);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "ERROR: Unable to write to standard output: No space left on device!\n");
}

// The option parser's own complaint comes first, in the system library's
// words, then the usage line.
TEST(GlyphpadCommandLine, OptionErrorsComplainThenShowUsage)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--frobnicate", "-v"},
                                                 std::vector<std::string>{"-i"},
                                                 std::vector<std::string>{"--multiline", "a", "b"},
                                                 std::vector<std::string>{"-x"}}) {
        const run_result r = glyphpad(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
        ASSERT_GT(r.err.size(), usage.size()) << args[0];
        EXPECT_EQ(r.err.substr(r.err.size() - usage.size()), usage) << args[0];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    }
}

TEST(GlyphpadCommandLine, UsageNamesTheProgramPathAsInvoked)
{
    run_request r;
    r.argv = {testsupport::program_path("glyphpad"), "-s", "[", "-", "]", "x"};
    const run_result result = run(r);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Usage: " + testsupport::program_path("glyphpad") + usage_tail);
}

TEST(GlyphpadLocale, MissingLocaleRunsInUtf8AndEnglish)
{
    const std::vector<std::string> env = {"LC_ALL=xx_YY.UTF-8", "LANG=xx_YY"};
    EXPECT_EQ(glyphpad({"-a", "h\\u00e9llo"}, "", env).out, "6 5 5\n");
    const run_result r = glyphpad({"\\x4g"}, "", env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Invalid hexadecimal digit g!\n");
}

TEST(GlyphpadLocale, SingleByteLocaleStillHandlesUtf8)
{
    const std::string dir = testsupport::built_locale_dir("fr_FR.ISO-8859-1", "fr_FR", "ISO-8859-1");
    ASSERT_FALSE(dir.empty());
    const std::vector<std::string> env = {"LOCPATH=" + dir, "LC_ALL=fr_FR.ISO-8859-1"};
    EXPECT_EQ(glyphpad({"\\u00e9"}, "", env).out, "\xC3\xA9");
    EXPECT_EQ(glyphpad({"-a", "h\xC3\xA9llo"}, "", env).out, "6 5 5\n");
    EXPECT_EQ(glyphpad({"-a", two_ideographs}, "", env).out, "6 2 4\n");
    EXPECT_EQ(glyphpad({"-x", "10", "-C", "<", ">"}, two_ideographs + "\n", env).out,
              "<  " + two_ideographs + "  >");
    // A Latin-1 byte alone is no UTF-8 text.
    // (The system's error text follows the locale's messages, so only the
    // message's own part is compared.)
    const run_result r = glyphpad({"-w", "\xE9"}, "", env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("ERROR: mbstowcs() failed: ", 0), 0u) << r.err;
}

// A run with a pseudo-terminal of the given size as controlling terminal;
// standard output and error are files.
struct terminal_run {
    int status = -1;
    std::string out;
    std::string err;
};

terminal_run run_on_terminal(unsigned short columns, unsigned short rows, const std::vector<std::string>& args)
{
    terminal_run result;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return result;
    const std::string slave = ptsname(master);
    const winsize size{rows, columns, 0, 0};
    testsupport::temp_dir dir;
    const std::string out_path = dir / "out";
    const std::string err_path = dir / "err";
    const std::string program = testsupport::program_path("glyphpad");
    std::vector<char*> argv{const_cast<char*>("glyphpad")};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env_strings = {"PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8"};
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = getenv(name))
            env_strings.push_back(std::string(name) + "=" + value);
    std::vector<char*> env;
    for (std::string& e : env_strings)
        env.push_back(e.data());
    env.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        const int tty = open(slave.c_str(), O_RDWR);  // becomes the controlling terminal
        if (tty < 0 || ioctl(tty, TIOCSWINSZ, &size) != 0)
            _exit(127);
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(tty, 0);
        dup2(out, 1);
        dup2(err, 2);
        // A hung program ends by the alarm, which outlives execve, rather
        // than outliving the test in its own session.
        alarm(60);
        execve(program.c_str(), argv.data(), env.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    close(master);
    if (WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    result.out = testsupport::read_file(out_path);
    result.err = testsupport::read_file(err_path);
    return result;
}

bool pseudo_terminals_available()
{
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

TEST(GlyphpadTerminal, WidthComesFromTheControllingTerminal)
{
    if (!pseudo_terminals_available())
        GTEST_SKIP() << "no pseudo-terminals here";
    terminal_run r = run_on_terminal(132, 43, {"-t"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "132 43\n");
    r = run_on_terminal(132, 43, {"-x", "40", "-t"});
    EXPECT_EQ(r.out, "132 43\n");
    r = run_on_terminal(20, 5, {"-s", "[", "-", "]"});
    EXPECT_EQ(r.out, "[------------------]");
    r = run_on_terminal(20, 5, {"-x", "-4", "-c", "ab"});
    EXPECT_EQ(r.out, spaces(7) + "ab");
    r = run_on_terminal(0, 0, {"-x", "-2", "-s", "[", "-", "]"});  // a width of 0 counts as given
    EXPECT_EQ(r.out, "[]");
    EXPECT_EQ(r.status, 0);
}

TEST(GlyphpadTerminal, WiderThanTheLargestWidth)
{
    if (!pseudo_terminals_available())
        GTEST_SKIP() << "no pseudo-terminals here";
    terminal_run r = run_on_terminal(5000, 40, {"-x", "0", "-c", "ab"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR: Invalid console width 5000!\n");
    r = run_on_terminal(5000, 40, {"-s", "", "-", ""});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(5000, '-'));
}

}  // namespace
