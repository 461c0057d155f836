// SPDX-License-Identifier: BSD-2-Clause
#include "timestamp/epoch_time.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "frame/tool_frame.hpp"

namespace timestamp {

const time_unit* unit_for_option(int option)
{
    switch (option) {
    case 's': return &seconds_unit;
    case 'm': return &milliseconds_unit;
    case 'u': return &microseconds_unit;
    case 'n': return &nanoseconds_unit;
    default: return nullptr;
    }
}

unsigned sub_second_digits(const time_unit& unit)
{
    unsigned digits = 0;
    for (uint32_t f = unit.factor; f < 1000000000u; f *= 10)
        ++digits;
    return digits;
}

seconds_split split_seconds(epoch_ns value)
{
    if (value >= INT64_MIN && value <= INT64_MAX) {  // 64-bit division is much faster
        const auto v = static_cast<int64_t>(value);
        int64_t whole = v / 1000000000;
        int64_t rest = v % 1000000000;
        if (rest < 0) {
            whole -= 1;
            rest += 1000000000;
        }
        return {whole, rest};
    }
    epoch_ns whole = value / 1000000000;
    epoch_ns rest = value % 1000000000;
    if (value < 0 && rest < 0) {
        whole -= 1;
        rest += 1000000000;
    }
    // The low 64 bits: a count beyond time_t's range is taken modulo 2^64,
    // which gmtime then refuses or shows as that other time.
    return {static_cast<time_t>(static_cast<uint64_t>(static_cast<epoch_magnitude>(whole))),
            static_cast<int64_t>(rest)};
}

void use_utc()
{
    setenv("TZ", "UTC0", 1);
    tzset();
}

epoch_ns current_epoch_ns()
{
    timespec now{};
    if (clock_gettime(CLOCK_REALTIME, &now) != 0)
        frame::die("clock_gettime() failed: %s", strerror(errno));
    return from_seconds(now.tv_sec, now.tv_nsec);
}

}  // namespace timestamp
