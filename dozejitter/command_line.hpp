// SPDX-License-Identifier: BSD-2-Clause
// dozejitter's command line.
#pragma once

#include "dozejitter/settings.hpp"
#include "frame/tool_frame.hpp"

namespace dozejitter {

// The program's name, options, usage and version lines, for the frame.
extern const frame::tool_frame program_frame;

// Options and the two operands; ends the run on --help, --version and errors.
run_settings parse_command_line(int argc, char* argv[]);

}  // namespace dozejitter
