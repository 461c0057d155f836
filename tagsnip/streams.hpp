// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's files: the set-up of the input, output and insert streams, the
// counting pass, and the closing of the output (deleting a broken output,
// completing an in-place update).
#pragma once

#include <cstdint>
#include <cstdio>

#include "tagsnip/output.hpp"
#include "tagsnip/input.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

struct run_streams {
    FILE* input;
    output_stream* output;
    int insert;  // descriptor of the insert text; -1 without an insert file
    line_buffer* buffer;
};

// The set-up steps in their order. Resolves line numbers that count from
// the end (the settings change there). Refuses, before anything is opened
// for writing, an output that is also the input or the insert file, and an
// in-place update of anything but a regular file. An output file is
// registered for the clean-up the moment it exists; SIGHUP, SIGINT and
// SIGTERM then remove it before the process dies of them (unless
// --keep-broken). Every failure ends the run through die.
run_streams open_streams(run_settings& s);

// Closes the output file the run opened, for finish_run. A successful run's
// output is complete and, for an in-place update, replaces the input; a
// broken one is removed unless it is to be kept. Returns the status, 1 when
// anything of it failed.
int close_output_file(int status);

// A line number counted from the end (below 0) resolved against the number
// of lines: -1 is the last line. A from_line reaching back before the first
// line gives 0 or less; a to_line that does so gives -1, which selects
// nothing (only an explicit 0 means "to the end").
std::int64_t resolve_from_line(std::int64_t from_line, std::int64_t count);
std::int64_t resolve_to_line(std::int64_t to_line, std::int64_t count);

}  // namespace tagsnip
