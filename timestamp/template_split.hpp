// SPDX-License-Identifier: BSD-2-Clause
// A time format template split at its seconds field, so that the converters
// can write or read a fraction right after the seconds.
#pragma once

#include <cstddef>

namespace timestamp {

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

}  // namespace timestamp
