// SPDX-License-Identifier: BSD-2-Clause
// The converters' model of time: a point in time is a signed 128-bit count of
// nanoseconds since 1970-01-01 00:00:00 UTC, shown or read in one of four
// units.
#pragma once

#include <cstdint>
#include <ctime>

namespace timestamp {

// 128-bit integers are a compiler extension; spelled once here.
__extension__ typedef __int128 epoch_ns;
__extension__ typedef unsigned __int128 epoch_magnitude;

struct time_unit {
    uint32_t factor;    // nanoseconds per unit
    const char* label;  // UTF-8, whatever the locale
};

inline constexpr time_unit seconds_unit = {1000000000u, "s"};
inline constexpr time_unit milliseconds_unit = {1000000u, "ms"};
inline constexpr time_unit microseconds_unit = {1000u, "\xC2\xB5s"};  // MICRO SIGN, then "s"
inline constexpr time_unit nanoseconds_unit = {1u, "ns"};

// The unit an option character selects ('s', 'm', 'u', 'n'), or nullptr.
const time_unit* unit_for_option(int option);

// Sub-second decimal digits a unit carries: 0, 3, 6 or 9.
unsigned sub_second_digits(const time_unit& unit);

inline epoch_ns from_seconds(int64_t seconds, int64_t nanoseconds)
{
    return static_cast<epoch_ns>(seconds) * 1000000000 + nanoseconds;
}

inline epoch_ns from_count(int64_t count, const time_unit& unit)
{
    return static_cast<epoch_ns>(count) * unit.factor;
}

// value / factor, truncated toward zero.
inline epoch_ns to_unit(epoch_ns value, const time_unit& unit)
{
    if (value >= INT64_MIN && value <= INT64_MAX)  // 64-bit division is much faster
        return static_cast<int64_t>(value) / static_cast<int64_t>(unit.factor);
    return value / static_cast<epoch_ns>(unit.factor);
}

struct seconds_split {
    time_t seconds;       // floor(value / 1e9), low 64 bits
    int64_t nanoseconds;  // 0 to 999999999
};
seconds_split split_seconds(epoch_ns value);

// Sets the process's time zone to UTC, whatever TZ says, so that every
// conversion of the C library agrees with the converters' UTC (strftime's
// and strptime's %s go through the local zone). Called at start-up, before
// any time function.
void use_utc();

// The realtime clock; on failure "clock_gettime() failed: " and the reason,
// as perror writes them, and exit status 1.
epoch_ns current_epoch_ns();

}  // namespace timestamp
