// SPDX-License-Identifier: BSD-2-Clause
// The options epochfmt and epochscan read alike.
#pragma once

#include "timestamp/epoch_time.hpp"

namespace timestamp {

// Code of the converters' long option without a short form (above every
// byte value, so that it can never be a short option).
enum converter_long_code {
    opt_file = 4096,
};

// -T (template), -H (sentences), -s/-m/-u/-n (unit; the last one wins).
// False for any other option character, which the caller handles.
bool read_shared_option(int option, const char** time_template, bool* human_readable, const time_unit** unit);

}  // namespace timestamp
