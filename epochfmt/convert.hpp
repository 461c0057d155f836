// SPDX-License-Identifier: BSD-2-Clause
// An epochfmt run: every operand converted to its line of time text.
#pragma once

#include "epochfmt/settings.hpp"

namespace epochfmt {

// Writes the line of each operand (of the command line, or of the --file),
// or of the current time when there is none, to standard output; ends the
// run at the first operand that is not a Unix timestamp.
void run(const run_settings& s);

}  // namespace epochfmt
