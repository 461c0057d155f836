// SPDX-License-Identifier: BSD-2-Clause
// Time text read through a template as UTC, with the seconds field read by
// the program so that it may carry a fraction.
#pragma once

#include "timestamp/epoch_time.hpp"

namespace epochscan {

// True and the point in time when the whole text matches the template.
// Fields the template does not set stay zero (1900, January, day 0,
// midnight). The seconds field is a non-negative decimal number below 2^31
// whose fraction is rounded to the nearest nanosecond.
bool parse_time_string(const char* text, const char* time_template, timestamp::epoch_ns* out);

// The same through strptime, strtod and timegm, for every template.
bool parse_with_library(const char* text, const char* time_template, timestamp::epoch_ns* out);

// The same without the C library, for the plain numeric text most callers
// give: templates of %Y %m %d %H %M, one seconds field, %% and literal
// characters, met by text with every number at its full width and in
// range, single blanks, and a seconds field of at most two digits and nine
// decimals. False whenever the text or template is anything else, even if
// valid: then the library decides.
bool parse_canonical(const char* text, const char* time_template, timestamp::epoch_ns* out);

// Whether text read through the template tells its instant itself, through
// an offset (%z) or the seconds since the Epoch (%s): then no time zone
// applies to it.
bool template_gives_instant(const char* time_template);

}  // namespace epochscan
