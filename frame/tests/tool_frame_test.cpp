// SPDX-License-Identifier: BSD-2-Clause
#include "frame/tool_frame.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/run_program.hpp"

namespace {

// Descriptions with each locale step; start keeps a pointer to them.
const option common_options_only[] = {FRAME_COMMON_LONG_OPTIONS};
constexpr frame::tool_frame described(frame::locale_step step)
{
    return {"frametest", "frametest", step, FRAME_COMMON_SHORT_OPTIONS, common_options_only,
            frame::usage_style::translated, "%s %s [-h|--help] [-v|--version]\n", "frametest %s\n"};
}
const frame::tool_frame plain_frame = described(frame::locale_step::none);
const frame::tool_frame utf8_frame = described(frame::locale_step::utf8_character_test);
const frame::tool_frame numeric_c_frame = described(frame::locale_step::numeric_c);
const frame::tool_frame numeric_utf8_frame = described(frame::locale_step::numeric_c_utf8);

// The common end of the option loops, and die through a program's clean-up.
TEST(CommonOption, HelpVersionUnknownAndUnhandled)
{
    EXPECT_EXIT(frame::common_option(plain_frame, 'h', "./ft"), testing::ExitedWithCode(0),
                testing::StrEq("Usage: ./ft [-h|--help] [-v|--version]\n"));
    EXPECT_EXIT(frame::common_option(plain_frame, '?', "ft"), testing::ExitedWithCode(1),
                testing::StrEq("Usage: ft [-h|--help] [-v|--version]\n"));
    EXPECT_EXIT(frame::common_option(plain_frame, 'x', "ft"), testing::ExitedWithCode(1),
                testing::StrEq("INTERNAL ERROR: Unhandled option c=x code=78!\n"));
    // The version line goes to standard output: here a file the child writes.
    const testsupport::temp_dir dir;
    const std::string out = dir / "out";
    EXPECT_EXIT(
        {
            if (freopen(out.c_str(), "w", stdout) == nullptr)
                _exit(3);
            frame::common_option(plain_frame, 'v', "ft");
        },
        testing::ExitedWithCode(0), testing::StrEq(""));
    EXPECT_EQ(testsupport::read_file(out), "frametest " SUITE_VERSION "\n");
    EXPECT_STREQ(frame::version_text, SUITE_VERSION);
}

void finish_for_test(void* held, int status)
{
    fprintf(stderr, "finished %s with %d\n", static_cast<const char*>(held), status);
    exit(status + 1);
}

TEST(Die, EndsThroughTheCleanUpOnceSetAsFinishDoes)
{
    EXPECT_EXIT(frame::die("ERROR: %s!", "plain"), testing::ExitedWithCode(1), testing::StrEq("ERROR: plain!\n"));
    static char held[] = "the run";
    EXPECT_EXIT(
        {
            frame::set_clean_up(finish_for_test, held);
            frame::die("ERROR: %s!", "held");
        },
        testing::ExitedWithCode(2), testing::StrEq("ERROR: held!\nfinished the run with 1\n"));
    EXPECT_EXIT(
        {
            frame::set_clean_up(finish_for_test, held);
            frame::finish(0);
        },
        testing::ExitedWithCode(1), testing::StrEq("finished the run with 0\n"));
    EXPECT_EXIT(frame::finish(3), testing::ExitedWithCode(3), testing::StrEq(""));
    EXPECT_EXIT(
        {
            frame::set_clean_up(finish_for_test, held);
            frame::set_clean_up(nullptr, nullptr);
            frame::die("ERROR: %s!", "again");
        },
        testing::ExitedWithCode(1), testing::StrEq("ERROR: again!\n"));
}

TEST(IsPrintableByte, Utf8Locale)
{
    ASSERT_NE(setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    EXPECT_TRUE(frame::is_printable_byte('A'));
    EXPECT_TRUE(frame::is_printable_byte(' '));
    EXPECT_FALSE(frame::is_printable_byte('\n'));
    EXPECT_FALSE(frame::is_printable_byte(0x7f));
    EXPECT_FALSE(frame::is_printable_byte(0xe9));
    EXPECT_FALSE(frame::is_printable_byte(-1));
    EXPECT_FALSE(frame::is_printable_byte(4096));
    setlocale(LC_CTYPE, "C");
}

TEST(IsPrintableByte, Latin1Locale)
{
    const std::string dir = testsupport::built_locale_dir("de_DE.ISO-8859-1", "de_DE", "ISO-8859-1");
    ASSERT_FALSE(dir.empty()) << "localedef could not build de_DE.ISO-8859-1";
    setenv("LOCPATH", dir.c_str(), 1);
    ASSERT_NE(setlocale(LC_CTYPE, "de_DE.ISO-8859-1"), nullptr);
    EXPECT_TRUE(frame::is_printable_byte('A'));
    EXPECT_TRUE(frame::is_printable_byte(0xe9));   // e acute
    EXPECT_FALSE(frame::is_printable_byte(0x85));  // a C1 control
    EXPECT_FALSE(frame::is_printable_byte(256));
    EXPECT_FALSE(frame::is_printable_byte(8192));
    setlocale(LC_CTYPE, "C");
    unsetenv("LOCPATH");
}

TEST(ReportMessage, TextIsNeverAFormat)
{
    testing::internal::CaptureStderr();
    frame::report_message("ERROR: 100%s done %n!");
    frame::report_format("WARNING: Unhandled parameter %s!", "x%d");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR: 100%s done %n!\nWARNING: Unhandled parameter x%d!\n");
}

TEST(ReportUnhandledOption, ShowsPrintableCharactersOnly)
{
    setlocale(LC_CTYPE, "C.UTF-8");
    const struct {
        int value;
        const char* line;
    } cases[] = {
        {'Q', "INTERNAL ERROR: Unhandled option c=Q code=51!\n"},
        {4096, "INTERNAL ERROR: Unhandled option c=  code=1000!\n"},
        {'\t', "INTERNAL ERROR: Unhandled option c=  code=9!\n"},
    };
    for (const auto& c : cases)
        EXPECT_EXIT(frame::report_unhandled_option(c.value), testing::ExitedWithCode(1),
                    testing::StrEq(c.line));
    setlocale(LC_CTYPE, "C");
}

// start changes the whole process; each case runs in a child.
void expect_in_child(void (*body)())
{
    EXPECT_EXIT(
        {
            body();
            _exit(testing::Test::HasFailure() ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(Start, MissingLocaleFallsBackToCUtf8)
{
    expect_in_child([] {
        setenv("LC_ALL", "xx_YY.UTF-8", 1);
        frame::start(numeric_utf8_frame);
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C.UTF-8");
        EXPECT_STREQ(setlocale(LC_MESSAGES, nullptr), "C.UTF-8");
    });
}

TEST(Start, Latin1StillHandlesUtf8Characters)
{
    const std::string dir = testsupport::built_locale_dir("de_DE.ISO-8859-1", "de_DE", "ISO-8859-1");
    ASSERT_FALSE(dir.empty());
    setenv("LOCPATH", dir.c_str(), 1);
    expect_in_child([] {
        setenv("LC_ALL", "de_DE.ISO-8859-1", 1);
        frame::start(utf8_frame);
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C.UTF-8");
        EXPECT_STREQ(setlocale(LC_MESSAGES, nullptr), "de_DE.ISO-8859-1");
    });
    // From the plain C locale the switch waits for the first character.
    expect_in_child([] {
        setenv("LC_ALL", "C", 1);
        frame::start(utf8_frame);
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C");
        frame::use_utf8_characters();
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C.UTF-8");
        EXPECT_STREQ(setlocale(LC_MESSAGES, nullptr), "C");
    });
    expect_in_child([] {
        setenv("LC_ALL", "C.UTF-8", 1);
        frame::start(utf8_frame);
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C.UTF-8");
    });
    // The other programs keep the environment's character handling.
    expect_in_child([] {
        setenv("LC_ALL", "de_DE.ISO-8859-1", 1);
        frame::start(plain_frame);
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "de_DE.ISO-8859-1");
    });
    unsetenv("LOCPATH");
}

TEST(Start, NumericStepsUseAFullStop)
{
    const std::string dir = testsupport::built_locale_dir("de_DE.UTF-8", "de_DE", "UTF-8");
    ASSERT_FALSE(dir.empty());
    setenv("LOCPATH", dir.c_str(), 1);
    expect_in_child([] {
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        frame::start(plain_frame);
        EXPECT_STREQ(localeconv()->decimal_point, ",");
    });
    expect_in_child([] {
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        frame::start(numeric_c_frame);
        EXPECT_STREQ(localeconv()->decimal_point, ".");
        EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C");
    });
    expect_in_child([] {
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        frame::start(numeric_utf8_frame);
        EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C.UTF-8");
        EXPECT_STREQ(setlocale(LC_TIME, nullptr), "de_DE.UTF-8");
    });
    // C.UTF-8 has the numbers of C: from C nothing changes.
    expect_in_child([] {
        setenv("LC_ALL", "C", 1);
        frame::start(numeric_utf8_frame);
        EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C");
        EXPECT_STREQ(localeconv()->decimal_point, ".");
    });
    unsetenv("LOCPATH");
}

// No file a program opens may land on a closed standard descriptor, and
// using one still fails as if it were closed.
TEST(Start, OccupiesClosedStandardDescriptors)
{
    EXPECT_EXIT(
        {
            close(STDIN_FILENO);
            close(STDOUT_FILENO);
            close(STDERR_FILENO);
            frame::start(numeric_utf8_frame);
            char c = 0;
            const int fd = open("/dev/null", O_RDONLY);
            const bool in_fails = read(STDIN_FILENO, &c, 1) < 0 && errno == EBADF;
            const bool out_fails = write(STDOUT_FILENO, "x", 1) < 0 && errno == EBADF;
            const bool err_fails = write(STDERR_FILENO, "x", 1) < 0 && errno == EBADF;
            _exit(fd > STDERR_FILENO && in_fails && out_fails && err_fails ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(CheckStandardOutput, FailedWriteIsAnError)
{
    EXPECT_EXIT(
        {
            if (freopen("/dev/full", "w", stdout) == nullptr)
                _exit(3);
            frame::start(numeric_utf8_frame);
            fputs("lost", stdout);
            exit(0);
        },
        testing::ExitedWithCode(1), "ERROR: Unable to write to standard output: No space left on device!\n");
}

}  // namespace
