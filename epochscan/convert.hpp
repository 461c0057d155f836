// SPDX-License-Identifier: BSD-2-Clause
// An epochscan run: every operand converted to its count since the Epoch.
#pragma once

#include "epochscan/settings.hpp"

namespace epochscan {

// Writes the count of each operand (of the command line, or of the --file),
// or of the current time when there is none, to standard output; ends the
// run at the first operand that the template does not read.
void run(const run_settings& s);

}  // namespace epochscan
