// SPDX-License-Identifier: BSD-2-Clause
// epochfmt's command line.
#pragma once

#include "epochfmt/settings.hpp"
#include "frame/tool_frame.hpp"

namespace epochfmt {

// The program's name, options, usage and version lines, for the frame.
extern const frame::tool_frame program_frame;

// Reads the options, and hands back the operands after them in the
// settings. Ends the run on --help, --version and unknown options.
run_settings parse_command_line(int argc, char* argv[]);

}  // namespace epochfmt
