// SPDX-License-Identifier: BSD-2-Clause
// Zones as the converters read them agree with the C library's reading of
// the same zone data (localtime_r with TZ set), at random instants over
// seven centuries and on both sides of every change; local times come
// back as the earliest instant that has them, or are found not to exist.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "timestamp/civil_time.hpp"
#include "timestamp/epoch_time.hpp"
#include "timestamp/time_zone.hpp"

namespace {

// Both hemispheres, negative daylight saving time (Dublin), summer time of
// two hours (Troll), offsets of quarter hours (Chatham, Kathmandu), changes
// twice a year by an ever-changing law (Casablanca), and rules of their own.
const char* const zones[] = {
    "Europe/Berlin", "Australia/Sydney", "America/New_York", "Europe/Dublin", "Antarctica/Troll",
    "Pacific/Chatham", "Asia/Kathmandu", "Africa/Casablanca", "America/Sao_Paulo", "Etc/GMT+5",
    "EST5EDT,M3.2.0,M11.1.0", "AEST-10AEDT,M10.1.0,M4.1.0/3", "<-03>3<-02>,M3.5.0/-2,M10.5.0/-1",
    "<+0330>-3:30<+0430>,J79/24,J263/24", "XYZ-7:15",
};

class Zone : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        setenv("TZ", GetParam(), 1);
        tzset();
    }
    void TearDown() override { timestamp::use_utc(); }
};

void expect_like_localtime(timestamp::time_zone* z, time_t t)
{
    // glibc takes the rule of a zone that is only a rule for every year
    // before 1970 as for 1970 itself; the rule holds in every year.
    if (z->rule_before_table && t < 0)
        return;
    tm library{};
    ASSERT_NE(localtime_r(&t, &library), nullptr);
    const timestamp::zone_type& type = timestamp::type_at(z, t);
    EXPECT_EQ(type.offset, library.tm_gmtoff) << z->name << " at " << t;
    EXPECT_EQ(type.is_dst, library.tm_isdst > 0) << z->name << " at " << t;
    EXPECT_STREQ(type.abbreviation, library.tm_zone) << z->name << " at " << t;
}

// The local time of t comes back as t, or as an earlier instant of the same
// local time when it happens twice; no instant before that has it.
void expect_back(timestamp::time_zone* z, int64_t t)
{
    const int64_t local = t + timestamp::type_at(z, t).offset;
    int64_t back = 0;
    ASSERT_TRUE(timestamp::instant_of_local(z, local, &back)) << z->name << " at " << t;
    EXPECT_LE(back, t) << z->name;
    EXPECT_EQ(back + timestamp::type_at(z, back).offset, local) << z->name << " at " << t;
    for (size_t k = 0; k < z->type_count; ++k) {
        const int64_t earlier = local - z->types[k].offset;
        if (earlier < back) {
            EXPECT_NE(earlier + timestamp::type_at(z, earlier).offset, local) << z->name << " at " << t;
        }
    }
}

TEST_P(Zone, AgreesWithTheCLibrary)
{
    timestamp::time_zone z;
    timestamp::load_time_zone(&z, GetParam());
    const int64_t low = timestamp::days_from_civil(1800, 1, 1) * 86400;
    const int64_t high = timestamp::days_from_civil(2500, 1, 1) * 86400;
    std::mt19937_64 random(20261210);
    std::uniform_int_distribution<int64_t> instant(low, high);
    for (int i = 0; i < 20000; ++i) {
        const int64_t t = instant(random);
        expect_like_localtime(&z, t);
        expect_back(&z, t);
    }
    const std::vector<int64_t> changes(z.at, z.at + z.change_count);
    for (const int64_t at : changes) {
        if (at < low || at > high)
            continue;
        for (const int64_t t : {at - 1, at}) {
            expect_like_localtime(&z, t);
            expect_back(&z, t);
        }
    }
    timestamp::free_time_zone(&z);
}

// A local time that no instant has: none of the zone's offsets leads to it.
TEST_P(Zone, GapsHaveNoInstant)
{
    timestamp::time_zone z;
    timestamp::load_time_zone(&z, GetParam());
    std::mt19937_64 random(1210);
    std::uniform_int_distribution<int64_t> local(timestamp::days_from_civil(1850, 1, 1) * 86400,
                                                 timestamp::days_from_civil(2450, 1, 1) * 86400);
    int gaps = 0;
    for (int i = 0; i < 200000; ++i) {
        const int64_t l = local(random);
        int64_t instant = 0;
        if (timestamp::instant_of_local(&z, l, &instant))
            continue;
        ++gaps;
        for (size_t k = 0; k < z.type_count; ++k) {
            const int64_t t = l - z.types[k].offset;
            EXPECT_NE(t + timestamp::type_at(&z, t).offset, l) << z.name << " at " << l;
        }
    }
    if (z.change_count > 100) {
        EXPECT_GT(gaps, 0) << z.name;  // the check did take part
    }
    timestamp::free_time_zone(&z);
}

INSTANTIATE_TEST_SUITE_P(Zones, Zone, testing::ValuesIn(zones));

// A version 2 zone file: one change at the instant given, to CET, and the
// footer's rule after it.
std::string zone_file(int64_t change, const std::string& rule)
{
    const auto big_endian = [](int64_t v, int bytes) {
        std::string s;
        for (int i = bytes - 1; i >= 0; --i)
            s += static_cast<char>(static_cast<uint64_t>(v) >> (8 * i));
        return s;
    };
    const auto counts = [&](int changes) {
        return std::string("TZif2") + std::string(15 + 12, '\0') + big_endian(changes, 4) +
               big_endian(1, 4) + big_endian(4, 4);
    };
    const std::string cet = big_endian(3600, 4) + std::string("\0\0CET\0", 6);
    return counts(0) + cet + counts(1) + big_endian(change, 8) + std::string(1, '\0') + cet + "\n" + rule + "\n";
}

// The rule after a file's last change goes into the table from 1800 at the
// earliest: a change 35 million years back makes no table that long.
TEST(ZoneFile, RuleAfterAChangeFarBackStartsIn1800)
{
    const std::string bytes = zone_file(-(int64_t{1} << 50), "CET-1CEST,M3.5.0,M10.5.0/3");
    timestamp::time_zone z;
    ASSERT_TRUE(timestamp::load_zone_data(&z, "far", reinterpret_cast<const unsigned char*>(bytes.data()),
                                          bytes.size()));
    EXPECT_LE(z.change_count, size_t{1 + 2 * (2400 - 1800)});
    EXPECT_STREQ(timestamp::type_at(&z, 961545600).abbreviation, "CEST");  // 2000-06-21
    EXPECT_STREQ(timestamp::type_at(&z, 977443200).abbreviation, "CET");   // 2000-12-22
    timestamp::free_time_zone(&z);
}

}  // namespace
