// SPDX-License-Identifier: BSD-2-Clause
// The set-up of a tagsnip run's streams, in its order: the input (with the
// counting pass), the output and the insert file.
#pragma once

#include <cstdio>

#include "tagsnip/actions.hpp"
#include "tagsnip/block_check.hpp"
#include "tagsnip/input.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

// What the scan needs, ready to go.
struct run_streams {
    FILE* input;
    line_buffer* buffer;
    line_range lines;       // the selection with its numbers resolved
    block_actions actions;  // the settings, the output and the insert file's descriptor set
    block_survey survey;    // with --strict-blocks: the blocks and lines of the whole input
};

// The set-up steps in their order. Resolves line numbers that count from
// the end against the input file's length. Refuses, before anything is opened
// for writing, an output that is also the input or the insert file, and an
// in-place update of anything but a regular file. An output file is
// registered for the clean-up the moment it exists; SIGHUP, SIGINT and
// SIGTERM then remove it before the process dies of them (unless
// --keep-broken). Every failure ends the run through die. Hands back the
// input and the actions ready for the scan.
run_streams open_streams(const run_settings& s);

}  // namespace tagsnip
