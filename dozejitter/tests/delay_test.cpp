// SPDX-License-Identifier: BSD-2-Clause
#include "dozejitter/delay.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/time.h>

#include <cstdio>
#include <string>

namespace {

std::string exact(double d)
{
    char buffer[64];
    snprintf(buffer, sizeof buffer, "%.17g", d);
    return buffer;
}

TEST(DelayForDraw, FollowsTheFormulaToTheLastBit)
{
    EXPECT_EQ(exact(dozejitter::delay_for_draw(1, 3, 1073741823)), "1.9999999995343387");
    EXPECT_EQ(exact(dozejitter::delay_for_draw(1, 3, 1073741824)), "2.0000000004656613");
    EXPECT_EQ(dozejitter::delay_for_draw(1, 3, 0), 1.0);
    EXPECT_NEAR(dozejitter::delay_for_draw(1, 3, 2147483647), 3.0, 1e-12);
    EXPECT_EQ(dozejitter::delay_for_draw(0.5, 0.5, 12345), 0.5);
}

TEST(SleepRequest, TruncatesSecondsAndNanoseconds)
{
    const timespec a = dozejitter::sleep_request(dozejitter::delay_for_draw(1, 3, 1073741823));
    EXPECT_EQ(a.tv_sec, 1);
    EXPECT_EQ(a.tv_nsec, 999999999);
    const timespec b = dozejitter::sleep_request(dozejitter::delay_for_draw(1, 3, 1073741824));
    EXPECT_EQ(b.tv_sec, 2);
    EXPECT_EQ(b.tv_nsec, 0);
    const timespec c = dozejitter::sleep_request(0.25);
    EXPECT_EQ(c.tv_sec, 0);
    EXPECT_EQ(c.tv_nsec, 250000000);
    // Rounding may carry the largest accepted bound onto 2^63: still a valid request.
    const timespec d = dozejitter::sleep_request(9223372036854775808.0);
    EXPECT_GT(d.tv_sec, 0);
    EXPECT_GE(d.tv_nsec, 0);
    EXPECT_LT(d.tv_nsec, 1000000000);
}

TEST(ParseDelays, AcceptsWhatStrtodReadsWhole)
{
    dozejitter::run_settings s;
    EXPECT_TRUE(dozejitter::parse_delays("0x1p-1", "1", s));
    EXPECT_EQ(s.min_delay, 0.5);
    EXPECT_TRUE(dozejitter::parse_delays("1e-3", "2e-3", s));
    EXPECT_TRUE(dozejitter::parse_delays("1", "1", s));
    EXPECT_TRUE(dozejitter::parse_delays(" 2", "3", s));
    EXPECT_TRUE(dozejitter::parse_delays("0", "9223372036854774784", s));  // just below 2^63
}

TEST(ParseDelays, RefusesEverythingElse)
{
    dozejitter::run_settings s;
    for (const auto& [lo, hi] : std::initializer_list<std::pair<const char*, const char*>>{
             {"2", "1"}, {"abc", "1"}, {"1", "2x"}, {"", "1"}, {"1", ""}, {"-1", "1"}, {"1", " "},
             {"nan", "1"}, {"0", "nan"}, {"0", "inf"}, {"inf", "inf"}, {"0", "9223372036854775808"},
             {"0", "1e300"}, {"-0.5", "-0.1"}}) {
        EXPECT_FALSE(dozejitter::parse_delays(lo, hi, s)) << lo << " " << hi;
    }
}

volatile sig_atomic_t alarms = 0;
void count_alarm(int) { alarms = alarms + 1; }

TEST(SleepResuming, AnInterruptedSleepIsResumedForTheRest)
{
    struct sigaction action {};
    action.sa_handler = count_alarm;  // no SA_RESTART: nanosleep fails with EINTR
    struct sigaction old {};
    sigaction(SIGALRM, &action, &old);
    itimerval timer{};
    timer.it_value.tv_usec = 50000;
    timer.it_interval.tv_usec = 50000;
    setitimer(ITIMER_REAL, &timer, nullptr);

    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    EXPECT_EQ(dozejitter::sleep_resuming({0, 300000000}), 0);
    clock_gettime(CLOCK_MONOTONIC, &end);

    timer = {};
    setitimer(ITIMER_REAL, &timer, nullptr);
    sigaction(SIGALRM, &old, nullptr);
    const double elapsed = static_cast<double>(end.tv_sec - start.tv_sec) +
                           static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
    EXPECT_GE(alarms, 2);
    EXPECT_GE(elapsed, 0.3);
}

TEST(SleepResuming, AnInvalidRequestIsReportedNotRetried)
{
    EXPECT_EQ(dozejitter::sleep_resuming({0, 1000000000}), EINVAL);
    EXPECT_EQ(dozejitter::sleep_resuming({-1, 0}), EINVAL);
}

}  // namespace
