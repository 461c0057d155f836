// SPDX-License-Identifier: BSD-2-Clause
// Running the one output mode of a glyphpad run.
#pragma once

#include <cstdio>

#include "glyphpad/settings.hpp"

namespace glyphpad {

// Writes the output of s.mode to out; the framed modes read in. A mode that
// needs a text writes nothing when there is none.
void print_output(const run_settings& s, FILE* in, FILE* out);

// The run: print_output from standard input to standard output, then the
// newline of -n.
void run(const run_settings& s);

}  // namespace glyphpad
