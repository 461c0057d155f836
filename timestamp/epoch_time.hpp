// SPDX-License-Identifier: BSD-2-Clause
// The converters' model of time: a point in time is a signed 128-bit count of
// nanoseconds since 1970-01-01 00:00:00 UTC, shown or read in one of four
// units. Also the split of a time format template at its seconds field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "frame/tool_frame.hpp"
#include "timestamp/operand_file.hpp"

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

// The realtime clock; on failure "clock_gettime() failed" through perror and
// exit status 1.
epoch_ns current_epoch_ns();

// Where the first "%S" conversion of a template is: its offset in *prefix_length,
// or false when there is none ("%%S" is a literal, "%OS" is not recognised,
// a lone trailing "%" is left to strftime/strptime).
bool find_seconds_field(const char* time_template, size_t* prefix_length);

struct template_parts {
    bool has_seconds;
    char* prefix;        // heap copy of the text before "%S"; the caller frees it
    const char* suffix;  // the text after "%S", inside the template
};
// Ends the program with "ERROR: malloc() failed: %s!" when the copy cannot be made.
template_parts split_template(const char* time_template);

// Standard output for many short lines: a large buffer unless it is a
// terminal (where lines go out one by one), and no stream locking, as the
// converters have one thread.
void prepare_standard_output();

// Converts each operand in order, then each line of the operand file (when
// its path is not nullptr), or else, with neither, the current time once;
// convert gets nullptr for the current time. The file is opened before
// anything is converted.
template <typename Convert>
void walk_operands(int count, char* const* operands, const char* file_path, Convert convert)
{
    if (count == 0 && file_path == nullptr) {
        convert(nullptr);
        return;
    }
    operand_file file{};
    if (file_path != nullptr)
        open_operand_file(&file, file_path);
    for (int i = 0; i < count; ++i)
        convert(operands[i]);
    if (file_path == nullptr)
        return;
    while (const char* line = next_operand_line(&file))
        convert(line);
    close_operand_file(&file);
}

}  // namespace timestamp
