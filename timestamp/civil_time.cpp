// SPDX-License-Identifier: BSD-2-Clause
#include "timestamp/civil_time.hpp"

#include <climits>

namespace timestamp {

namespace {

int64_t floor_div(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The zone name of every broken-down time here. An array, not a literal:
// tm_zone is "char *" on FreeBSD and "const char *" in glibc.
char utc_zone_name[] = "UTC";

}  // namespace

// Eras of 400 years, each 146097 days, with years starting on 1 March so
// that the leap day is the last day of a year.
int64_t days_from_civil(int64_t year, int month, int64_t day)
{
    const int64_t y = month <= 2 ? year - 1 : year;
    const int64_t era = floor_div(y, 400);
    const int64_t year_of_era = y - era * 400;
    const int64_t month_index = month > 2 ? month - 3 : month + 9;
    const int64_t day_of_year = (153 * month_index + 2) / 5 + day - 1;
    const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

bool utc_broken_down(time_t seconds, tm* out)
{
    const int64_t days = floor_div(seconds, 86400);
    int64_t second_of_day = seconds % 86400;
    if (second_of_day < 0)
        second_of_day += 86400;
    const int64_t z = days + 719468;
    const int64_t era = floor_div(z, 146097);
    const int64_t day_of_era = z - era * 146097;
    const int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t month_index = (5 * day_of_year + 2) / 153;
    const int64_t day = day_of_year - (153 * month_index + 2) / 5 + 1;
    const int month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
    const int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
    if (year - 1900 < INT_MIN || year - 1900 > INT_MAX)
        return false;

    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static const int before_month[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    tm t{};
    t.tm_sec = static_cast<int>(second_of_day % 60);
    t.tm_min = static_cast<int>(second_of_day / 60 % 60);
    t.tm_hour = static_cast<int>(second_of_day / 3600);
    t.tm_mday = static_cast<int>(day);
    t.tm_mon = month - 1;
    t.tm_year = static_cast<int>(year - 1900);
    t.tm_wday = static_cast<int>(floor_div(days + 4, 7) * -7 + days + 4);  // 1970-01-01 was a Thursday
    t.tm_yday = before_month[month - 1] + static_cast<int>(day) - 1 + (leap && month > 2 ? 1 : 0);
    t.tm_isdst = 0;
    t.tm_gmtoff = 0;
    t.tm_zone = utc_zone_name;
    *out = t;
    return true;
}

}  // namespace timestamp
