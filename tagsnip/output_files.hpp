// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's output file: refused when it is also read, opened and at once
// registered for the clean-up, and closed: completed and, for an in-place
// update, put in the input's place, or, broken, deleted or cut back. What
// is opened is held in the run's state, and every failure before the close
// ends the run through frame::die.
#pragma once

#include "tagsnip/run_state.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

// The start of an in-place update, before the input is opened: the input's
// absolute path, which is returned (and read from then on), and the
// temporary output's name beside it, that path and "~". A name that is
// there already, but not a regular file, is refused: a FIFO would wait for
// a writer, a device be read.
const char* begin_in_place(run_state& r, const char* input_file);

// Only a regular file is replaced by an in-place update: anything else is
// refused before anything is created.
void require_regular_for_in_place(const run_state& r, bool regular);

// Before anything is opened for writing: ends the run when the output
// (output_file, or standard output when that is null) is a regular file
// that is also the input or the insert file.
void refuse_output_that_is_read(const run_state& r, const char* output_file);

// Opens the output file (or, with temp, creates the temporary output of an
// in-place update: always a new file, for its owner only) and registers it
// for the clean-up the moment it exists; SIGHUP, SIGINT and SIGTERM then
// remove it before the process dies of them (unless --keep-broken). A
// failure ends the run through die.
void open_output(run_state& r, const char* path, bool temp);

// Closes the output file the run opened, at the run's end. A successful run's
// output is complete and, for an in-place update, replaces the input; a
// broken one is removed unless it is to be kept. Returns the status, 1 when
// anything of it failed.
int close_output_file(run_state& r, int status);

}  // namespace tagsnip
