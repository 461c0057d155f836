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

#include "dozejitter/command_line.hpp"
#include "epochfmt/command_line.hpp"
#include "epochscan/command_line.hpp"
#include "glyphpad/command_line.hpp"
#include "hostfacts/command_line.hpp"
#include "tagsnip/command_line.hpp"
#include "tests/support/run_program.hpp"

namespace {

std::string fill(const char* format, const char* a, const char* b = nullptr)
{
    char buffer[2048];
    snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

TEST(ProgramDescriptions, VersionLinesNameTheProgram)
{
    for (const frame::tool_frame* tf :
         {&tagsnip::program_frame, &glyphpad::program_frame, &hostfacts::program_frame,
          &epochfmt::program_frame, &epochscan::program_frame, &dozejitter::program_frame}) {
        EXPECT_EQ(fill(tf->version_format, frame::version_text), std::string(tf->name) + " 2.7.15\n");
        // Every long option returns its value; none uses a flag pointer.
        for (const option* o = tf->long_options; o->name != nullptr; ++o)
            EXPECT_EQ(o->flag, nullptr) << tf->name << " --" << o->name;
    }
}

TEST(ProgramDescriptions, UsageLines)
{
    EXPECT_EQ(fill(hostfacts::program_frame.usage_format, "./hf"),
              "Usage: ./hf [-h|--help] [-v|--version] [-c|--compatibility version]\n");
    EXPECT_EQ(fill(dozejitter::program_frame.usage_format, "Usage:", "/bin/dj"),
              "Usage: /bin/dj min_delay max_delay [-q|--quiet] [-w|--verbose] [-h|--help] [-v|--version]\n");
    const std::string tagsnip = fill(tagsnip::program_frame.usage_format, "Usage:", "tagsnip");
    EXPECT_EQ(tagsnip.rfind("Usage: tagsnip [-C|--cat] [-0|--discard] ", 0), 0u);
    EXPECT_NE(tagsnip.find(" [-s|--select from_line to_line] "), std::string::npos);
    EXPECT_NE(tagsnip.find("marked1_label marked2_label] [--enumerate-format format]"), std::string::npos);
    const std::string glyphpad = fill(glyphpad::program_frame.usage_format, "Usage:", "g");
    EXPECT_NE(glyphpad.find("[-s border_left separator border_right|--separator border_left separator border_right]"),
              std::string::npos);
    EXPECT_EQ(glyphpad.substr(glyphpad.size() - 10), " [string]\n");
    EXPECT_EQ(fill(epochscan::program_frame.usage_format, "Usage:", "es").substr(0, 40),
              "Usage: es time_string [...] [-T|--templa");
}

// Each short option with a long form maps to the same value.
TEST(ProgramDescriptions, LongOptionsMatchShortOptions)
{
    for (const frame::tool_frame* tf :
         {&tagsnip::program_frame, &glyphpad::program_frame, &hostfacts::program_frame,
          &epochfmt::program_frame, &epochscan::program_frame, &dozejitter::program_frame}) {
        for (const option* o = tf->long_options; o->name != nullptr; ++o) {
            if (o->val >= 256)
                continue;
            const char* at = strchr(tf->short_options, o->val);
            ASSERT_NE(at, nullptr) << tf->name << " --" << o->name;
            EXPECT_EQ(at[1] == ':', o->has_arg == required_argument) << tf->name << " --" << o->name;
        }
    }
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
        frame::start(dozejitter::program_frame);
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
        frame::start(glyphpad::program_frame);
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C.UTF-8");
        EXPECT_STREQ(setlocale(LC_MESSAGES, nullptr), "de_DE.ISO-8859-1");
    });
    // From the plain C locale the switch waits for the first character.
    expect_in_child([] {
        setenv("LC_ALL", "C", 1);
        frame::start(glyphpad::program_frame);
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C");
        frame::use_utf8_characters();
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C.UTF-8");
        EXPECT_STREQ(setlocale(LC_MESSAGES, nullptr), "C");
    });
    expect_in_child([] {
        setenv("LC_ALL", "C.UTF-8", 1);
        frame::start(glyphpad::program_frame);
        EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C.UTF-8");
    });
    // The other programs keep the environment's character handling.
    expect_in_child([] {
        setenv("LC_ALL", "de_DE.ISO-8859-1", 1);
        frame::start(tagsnip::program_frame);
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
        frame::start(tagsnip::program_frame);
        EXPECT_STREQ(localeconv()->decimal_point, ",");
    });
    expect_in_child([] {
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        frame::start(epochfmt::program_frame);
        EXPECT_STREQ(localeconv()->decimal_point, ".");
        EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C");
    });
    expect_in_child([] {
        setenv("LC_ALL", "de_DE.UTF-8", 1);
        frame::start(dozejitter::program_frame);
        EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C.UTF-8");
        EXPECT_STREQ(setlocale(LC_TIME, nullptr), "de_DE.UTF-8");
    });
    // C.UTF-8 has the numbers of C: from C nothing changes.
    expect_in_child([] {
        setenv("LC_ALL", "C", 1);
        frame::start(dozejitter::program_frame);
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
            frame::start(dozejitter::program_frame);
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
            freopen("/dev/full", "w", stdout);
            frame::start(dozejitter::program_frame);
            fputs("lost", stdout);
            exit(0);
        },
        testing::ExitedWithCode(1), "ERROR: Unable to write to standard output: No space left on device!\n");
}

}  // namespace
