// SPDX-License-Identifier: BSD-2-Clause
// dozejitter run as a user would: argument vector, environment, exit status.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/outcome_table.hpp"
#include "tests/support/run_program.hpp"

namespace {

using testsupport::run;
using testsupport::run_request;
using testsupport::outcome_case;
using testsupport::run_result;

const std::string usage_tail =
    " min_delay max_delay [-q|--quiet] [-w|--verbose] [-h|--help] [-v|--version]\n";
const std::string invalid = "ERROR: Invalid min_delay/max_delay!\n";

run_result doze(std::vector<std::string> args, std::vector<std::string> env = {"LC_ALL=C.UTF-8"})
{
    return testsupport::run_program("dozejitter", std::move(args), std::move(env));
}

class Outcome : public testing::TestWithParam<outcome_case> {};

TEST_P(Outcome, Exactly)
{
    testsupport::expect_outcome("dozejitter", GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Dozejitter, Outcome,
    testing::Values(
        outcome_case{"help", {"--help"}, 0, "", "Usage: dozejitter" + usage_tail},
        outcome_case{"h", {"-h"}, 0, "", "Usage: dozejitter" + usage_tail},
        outcome_case{"help_prefix", {"--hel"}, 0, "", "Usage: dozejitter" + usage_tail},
        outcome_case{"version", {"--version"}, 0, "dozejitter " SUITE_VERSION "\n", ""},
        outcome_case{"version_first", {"-v", "--frobnicate"}, 0, "dozejitter " SUITE_VERSION "\n", ""},
        outcome_case{"no_operands", {}, 1, "", "Usage: dozejitter" + usage_tail},
        outcome_case{"one_operand", {"1"}, 1, "", "Usage: dozejitter" + usage_tail},
        outcome_case{"three_operands", {"0", "0", "0"}, 1, "", "Usage: dozejitter" + usage_tail},
        outcome_case{"zero", {"0", "0"}, 0, "", ""},
        outcome_case{"min_above_max", {"2", "1"}, 1, "", invalid},
        outcome_case{"letters", {"abc", "1"}, 1, "", invalid},
        outcome_case{"trailing", {"1", "2x"}, 1, "", invalid},
        outcome_case{"empty", {"", "1"}, 1, "", invalid},
        outcome_case{"negative_after_dashes", {"--", "-1", "1"}, 1, "", invalid},
        outcome_case{"nan", {"nan", "nan"}, 1, "", invalid},
        outcome_case{"infinite", {"0", "inf"}, 1, "", invalid},
        outcome_case{"beyond_2_63", {"0", "9.3e18"}, 1, "", invalid},
        outcome_case{"hexadecimal", {"-w", "0x1p-1", "0x1p-1"}, 0, "Sleeping for 0.500000 s ...\nWoke up!\n", ""},
        outcome_case{"exponents", {"-q", "1e-3", "1e-3"}, 0, "", ""},
        outcome_case{"verbose_then_quiet", {"-w", "-q", "0", "0"}, 0, "", ""},
        outcome_case{"quiet_then_verbose", {"--quiet", "--verbose", "0", "0"}, 0,
                     "Sleeping for 0.000000 s ...\nWoke up!\n", ""}),
    testsupport::outcome_name);

TEST(DozejitterCommandLine, UnknownOptionComplainsThenShowsUsage)
{
    const run_result r = doze({"--frobnicate", "-v"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    const std::string usage = "Usage: dozejitter" + usage_tail;
    ASSERT_GT(r.err.size(), usage.size());
    EXPECT_EQ(r.err.substr(r.err.size() - usage.size()), usage);
    EXPECT_NE(r.err.find("frobnicate"), std::string::npos);  // the library's own complaint
}

TEST(DozejitterCommandLine, UsageNamesTheProgramPathAsInvoked)
{
    run_request r;
    r.argv = {testsupport::program_path("dozejitter"), "1"};
    const run_result result = run(r);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Usage: " + testsupport::program_path("dozejitter") + usage_tail);
}

TEST(DozejitterCommandLine, NegativeMinimumWithoutDashesIsAnOption)
{
    const run_result r = doze({"-1", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Usage: dozejitter"), std::string::npos);
}

TEST(DozejitterLocale, MissingLocaleRunsInEnglish)
{
    const run_result r = doze({"-w", "0.5e-3", "0.5e-3"}, {"LC_ALL=xx_YY.UTF-8", "LANG=xx_YY"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Sleeping for 0.000500 s ...\nWoke up!\n");
}

TEST(DozejitterLocale, DecimalCommaLocaleStillUsesAFullStop)
{
    const std::string dir = testsupport::built_locale_dir("de_DE.UTF-8", "de_DE", "UTF-8");
    ASSERT_FALSE(dir.empty());
    const run_result r = doze({"-w", "0.001", "0.001"}, {"LOCPATH=" + dir, "LC_ALL=de_DE.UTF-8"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Sleeping for 0.001000 s ...\nWoke up!\n");
    EXPECT_EQ(doze({"0,001", "1"}, {"LOCPATH=" + dir, "LC_ALL=de_DE.UTF-8"}).err, invalid);
}

TEST(DozejitterSleep, SleepsAsLongAsAsked)
{
    const run_result one = doze({"1", "1"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out, "");
    EXPECT_GE(one.seconds, 1.0);
    EXPECT_LT(one.seconds, 10.0);

    const run_result quarter = doze({"-w", "0.25", "0.25"});
    EXPECT_EQ(quarter.out, "Sleeping for 0.250000 s ...\nWoke up!\n");
    EXPECT_GE(quarter.seconds, 0.25);

    const run_result zero = doze({"0", "0"});
    EXPECT_LT(zero.seconds, 5.0);
}

TEST(DozejitterSleep, DrawnDelaysLieWithinTheBounds)
{
    for (int i = 0; i < 8; ++i) {
        const run_result r = doze({"-w", "0.01", "0.05"});
        ASSERT_EQ(r.status, 0);
        double delay = -1;
        ASSERT_EQ(sscanf(r.out.c_str(), "Sleeping for %lf s ...", &delay), 1) << r.out;
        EXPECT_GE(delay, 0.01);
        EXPECT_LE(delay, 0.05);
        EXPECT_GE(r.seconds, delay);
        EXPECT_EQ(r.out.substr(r.out.size() - 9), "Woke up!\n");
    }
}

void stop_and_continue(pid_t pid, void*)
{
    usleep(200000);
    kill(pid, SIGSTOP);
    usleep(100000);
    kill(pid, SIGCONT);
    usleep(100000);
    kill(pid, SIGWINCH);  // ignored by default; must not cut the sleep short either
}

TEST(DozejitterSleep, SignalsDoNotShortenTheSleep)
{
    run_request r;
    r.argv = {"dozejitter", "-w", "1", "1"};
    const run_result result = testsupport::run_with(r, stop_and_continue, nullptr);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "Sleeping for 1.000000 s ...\nWoke up!\n");
    EXPECT_GE(result.seconds, 1.0);
}

// The first line comes through a pipe while the program still sleeps.
TEST(DozejitterOutput, VerboseLineGoesOutBeforeTheSleep)
{
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const std::string path = testsupport::program_path("dozejitter");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        char* const argv[] = {const_cast<char*>("dozejitter"), const_cast<char*>("-w"),
                              const_cast<char*>("3600"), const_cast<char*>("3600"), nullptr};
        char* const env[] = {const_cast<char*>("LC_ALL=C.UTF-8"), nullptr};
        execve(path.c_str(), argv, env);
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c = 0;
    pollfd ready = {out[0], POLLIN, 0};
    // The wait only keeps a broken program from holding up the suite.
    while (line.find('\n') == std::string::npos && poll(&ready, 1, 60000) == 1 && read(out[0], &c, 1) == 1)
        line += c;
    int status = 0;
    const bool still_sleeping = waitpid(child, &status, WNOHANG) == 0;
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    close(out[0]);
    EXPECT_EQ(line, "Sleeping for 3600.000000 s ...\n");
    EXPECT_TRUE(still_sleeping);
}

TEST(DozejitterOutput, FullStandardOutputIsAnError)
{
    run_request r;
    r.argv = {"dozejitter", "-w", "0", "0"};
    r.stdout_path = "/dev/full";
    const run_result result = run(r);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "ERROR: Unable to write to standard output: No space left on device!\n");

    r.argv = {"dozejitter", "--version"};
    EXPECT_EQ(run(r).status, 1);
    r.argv = {"dozejitter", "0", "0"};  // nothing written: nothing to fail
    EXPECT_EQ(run(r).status, 0);
}

}  // namespace
