// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's output file: refused when it is also read, opened and at once
// registered for the clean-up, and closed: completed and, for an in-place
// update, put in the input's place, or, broken, deleted or cut back. What
// is opened is held in the run's resources (finish.hpp).
#pragma once

#include "tagsnip/settings.hpp"

namespace tagsnip {

// Before anything is opened for writing: ends the run through die when the
// output (output_file, or standard output when that is null) is a regular
// file that is also the input or the insert file.
void refuse_output_that_is_read(const run_settings& s, const char* output_file);

// Opens the output file (or, with temp, creates the temporary output of an
// in-place update: always a new file, for its owner only) and registers it
// for the clean-up the moment it exists; SIGHUP, SIGINT and SIGTERM then
// remove it before the process dies of them (unless --keep-broken). A
// failure ends the run through die.
void open_output(const run_settings& s, const char* path, bool temp);

// Closes the output file the run opened, for finish_run. A successful run's
// output is complete and, for an in-place update, replaces the input; a
// broken one is removed unless it is to be kept. Returns the status, 1 when
// anything of it failed.
int close_output_file(int status);

}  // namespace tagsnip
