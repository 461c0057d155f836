// SPDX-License-Identifier: BSD-2-Clause
// Unix timestamps as typed: a count in a unit given or recognised from its
// size, with a decimal fraction that keeps every digit.
#pragma once

#include "timestamp/epoch_time.hpp"

namespace epochfmt {

struct point_in_time {
    timestamp::epoch_ns value = 0;
    const timestamp::time_unit* unit = &timestamp::nanoseconds_unit;  // the unit in force
    unsigned fraction_digits = 0;  // digits typed after the point
};

// Reads one operand: a whole part as strtoll base 0 reads it (saturating),
// then nothing or "." and decimal digits. The unit is the selected one, or
// recognised from the size of the whole part. False when the text after the
// whole part is anything but such a fraction.
bool read_timestamp(const char* text, const timestamp::time_unit* selected, point_in_time* out);

// The unit a whole part of that size is taken to be counted in.
const timestamp::time_unit& recognised_unit(long long whole);

}  // namespace epochfmt
