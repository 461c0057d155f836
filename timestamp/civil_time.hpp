// SPDX-License-Identifier: BSD-2-Clause
// Calendar arithmetic of the proleptic Gregorian calendar in UTC, without
// the C library's time zone machinery: the converters' fast path.
#pragma once

#include <cstdint>
#include <ctime>

namespace timestamp {

// Days since 1970-01-01 of a date; month 1 to 12, day counted linearly
// (day 0 is the last day of the month before, day 32 runs into the next).
int64_t days_from_civil(int64_t year, int month, int64_t day);

// The broken-down UTC time of whole seconds, exactly as gmtime_r fills it
// (weekday, day of the year, no daylight saving), but with the zone named
// "UTC" on every system (glibc says "GMT", FreeBSD "UTC"). False when
// the year does not fit the record's int, as gmtime_r fails then.
bool utc_broken_down(time_t seconds, tm* out);

}  // namespace timestamp
