// SPDX-License-Identifier: BSD-2-Clause
// A point in time written as a count of units, in one of four number forms.
#pragma once

#include <cstdio>

#include "epochscan/settings.hpp"
#include "timestamp/epoch_time.hpp"

namespace epochscan {

// "-" for a negative value, "0x" when asked for in base 16, then the digits
// of the magnitude (lowercase, no leading zeros).
void print_int128(FILE* out, timestamp::epoch_ns value, unsigned base, bool prefix);

// One output line: the count of whole units of the point in time in the
// chosen form, then the translated sentence end filled with the unit's label
// when sentence_end is not nullptr, then a newline.
void write_count_line(FILE* out, timestamp::epoch_ns value, const timestamp::time_unit& unit,
                      number_form form, const char* sentence_end);

}  // namespace epochscan
