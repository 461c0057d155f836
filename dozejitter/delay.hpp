// SPDX-License-Identifier: BSD-2-Clause
// Choosing and sleeping the random delay.
#pragma once

#include <time.h>

#include <cstdint>

#include "dozejitter/settings.hpp"

namespace dozejitter {

// Reads both operands with strtod; true when each was read whole, both are
// finite, 0 <= min <= max and max is below 2^63 seconds.
bool parse_delays(const char* min_text, const char* max_text, run_settings& s);

// The delay for the draw r (0 to RAND_MAX): min + r / (RAND_MAX / (max - min)),
// never below 0. Equal bounds give the minimum.
double delay_for_draw(double min_delay, double max_delay, int r);

// Whole seconds and nanoseconds of a delay, both truncated toward zero.
timespec sleep_request(double delay);

// Sleeps for the whole request, resuming after each interruption with the
// time left. Returns 0, or the error number of a failure other than EINTR.
int sleep_resuming(timespec request);

// The run: rand() seeded from the time of day and the process ID, the delay
// drawn, announced with -w, slept, and the waking announced.
void run(const run_settings& s);

}  // namespace dozejitter
