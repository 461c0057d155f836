// SPDX-License-Identifier: BSD-2-Clause
// The fast calendar arithmetic agrees with the C library's gmtime_r and
// timegm, field by field, across the years and at their edges.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

#include "timestamp/civil_time.hpp"

namespace {

void expect_like_gmtime(time_t seconds)
{
    tm expected{};
    tm actual{};
    const bool library = gmtime_r(&seconds, &expected) != nullptr;
    ASSERT_EQ(timestamp::utc_broken_down(seconds, &actual), library) << seconds;
    if (!library)
        return;
    EXPECT_EQ(actual.tm_sec, expected.tm_sec) << seconds;
    EXPECT_EQ(actual.tm_min, expected.tm_min) << seconds;
    EXPECT_EQ(actual.tm_hour, expected.tm_hour) << seconds;
    EXPECT_EQ(actual.tm_mday, expected.tm_mday) << seconds;
    EXPECT_EQ(actual.tm_mon, expected.tm_mon) << seconds;
    EXPECT_EQ(actual.tm_year, expected.tm_year) << seconds;
    EXPECT_EQ(actual.tm_wday, expected.tm_wday) << seconds;
    EXPECT_EQ(actual.tm_yday, expected.tm_yday) << seconds;
    EXPECT_EQ(actual.tm_isdst, expected.tm_isdst) << seconds;
    EXPECT_EQ(actual.tm_gmtoff, expected.tm_gmtoff) << seconds;
    EXPECT_STREQ(actual.tm_zone, "UTC") << seconds;  // whatever the C library calls it
}

TEST(UtcBrokenDown, EdgesOfDaysYearsAndRange)
{
    const time_t edges[] = {0, -1, 1, 86399, 86400, -86400, -86401, 951782400 /* 2000-02-29 */,
                            951868800, 4107542400 /* 2100-03-01 */, -62135596800 /* year 1 */,
                            -62167219200 /* year 0 */, -62167219201, 253402300799 /* 9999-12-31 */,
                            67767976233532799 /* last second of year 2147485547 */,
                            67767976233532800, -67768040609740800 /* first second of year -2147481748 */,
                            -67768040609740801, LLONG_MAX, LLONG_MIN};
    for (const time_t t : edges)
        expect_like_gmtime(t);
}

TEST(UtcBrokenDown, RandomTimes)
{
    std::mt19937_64 random(1209);
    std::uniform_int_distribution<time_t> near(-70000000000, 260000000000);  // years -248 to 10208
    std::uniform_int_distribution<time_t> far(-67768040609740801, 67767976233532800);
    for (int i = 0; i < 100000; ++i) {
        expect_like_gmtime(near(random));
        expect_like_gmtime(far(random));
    }
}

TEST(DaysFromCivil, AgreesWithTimegmIncludingDaysOutsideTheMonth)
{
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> year(-1000, 10000), month(1, 12), day(0, 40);
    for (int i = 0; i < 100000; ++i) {
        const int y = year(random), m = month(random), d = day(random);
        tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = m - 1;
        t.tm_mday = d;
        EXPECT_EQ(timestamp::days_from_civil(y, m, d) * 86400, timegm(&t)) << y << "-" << m << "-" << d;
    }
}

}  // namespace
