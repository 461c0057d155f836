// SPDX-License-Identifier: BSD-2-Clause
// The options epochfmt and epochscan read alike.
#pragma once

#include "timestamp/epoch_time.hpp"

namespace timestamp {

// Codes of the converters' long options without a short form (above every
// byte value, so that they can never be short options).
enum converter_long_code {
    opt_file = 4096,
    opt_zone,
};

// The entries both converters' tables have after their own options and
// before the frame's, and the short options among them.
#define TIMESTAMP_SHARED_LONG_OPTIONS                          \
    {"human-readable", no_argument, nullptr, 'H'},             \
    {"seconds", no_argument, nullptr, 's'},                    \
    {"milliseconds", no_argument, nullptr, 'm'},               \
    {"microseconds", no_argument, nullptr, 'u'},               \
    {"nanoseconds", no_argument, nullptr, 'n'},                \
    {"file", required_argument, nullptr, timestamp::opt_file}, \
    {"zone", required_argument, nullptr, timestamp::opt_zone}
#define TIMESTAMP_SHARED_SHORT_OPTIONS "Hsmun"

// -T (template), -H (sentences), -s/-m/-u/-n (unit; the last one wins).
// False for any other option character, which the caller handles.
bool read_shared_option(int option, const char** time_template, bool* human_readable, const time_unit** unit);

}  // namespace timestamp
