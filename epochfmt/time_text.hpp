// SPDX-License-Identifier: BSD-2-Clause
// The line of time text a point in time becomes.
#pragma once

#include <cstdio>
#include <ctime>

#include "epochfmt/timestamp_operand.hpp"
#include "timestamp/epoch_time.hpp"
#include "timestamp/template_split.hpp"
#include "timestamp/time_zone.hpp"

namespace epochfmt {

// strftime of a template part made only of the numeric conversions %Y
// (years 1000 to 9999), %m, %d, %H, %M, %S, %F, %T, of %z, %Z and %s, and
// of %% and plain text, without the C library: the text's length, 0 when
// it does not fit size bytes with its NUL (as strftime), or
// numeric_unsupported for any other part, which then goes to strftime.
inline constexpr size_t numeric_unsupported = static_cast<size_t>(-1);
size_t format_numeric(char* buffer, size_t size, const char* part, const tm& t);

struct line_form {
    const char* time_format_template;
    // The translated sentence, or nullptr for plain lines; with a zone, the
    // sentence that names it after the four texts.
    const char* sentence_format;
    timestamp::template_parts parts;  // the template split at its seconds field, once per run
    timestamp::time_zone* zone = nullptr;  // nullptr: UTC
};

enum class line_result {
    written,
    out_of_range,   // the year does not fit the broken-down time (gmtime fails)
    format_failed,  // strftime of a non-empty template part failed
};

// Writes one line for a point in time, as local time in the form's zone.
// Writes nothing when the time cannot be shown; for format_failed,
// *failed_part is the template part whose strftime failed.
line_result write_time_line(FILE* out, const line_form& form, const point_in_time& t, const char** failed_part);

}  // namespace epochfmt
