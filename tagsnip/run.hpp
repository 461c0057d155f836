// SPDX-License-Identifier: BSD-2-Clause
// A tagsnip run, whole: the set-up of its streams, the scan and the one
// way out.
#pragma once

#include "tagsnip/settings.hpp"

namespace tagsnip {

// Runs the normalised settings and ends the process with the run's status.
// The set-up goes in its order: the input (with the counting pass, which
// resolves line numbers counted from the end), the output and the insert
// file; an output that is also the input or the insert file, and an
// in-place update of anything but a regular file, are refused before
// anything is opened for writing. From the first step on, every end (the
// good one and every failure through frame::die) closes and releases what
// the run holds: the insert file, then the output (completed and, for an
// in-place update, put in the input's place; or, broken, removed unless
// --keep-broken), then the input.
[[noreturn]] void run(const run_settings& s);

}  // namespace tagsnip
