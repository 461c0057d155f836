// SPDX-License-Identifier: BSD-2-Clause
// epochfmt's command line.
#pragma once

#include "epochfmt/settings.hpp"
#include "frame/tool_frame.hpp"

namespace epochfmt {

// The program's name, options, usage and version lines, for the frame.
extern const frame::tool_frame program_frame;

// Reads the options; operands start at optind afterwards.
run_settings parse_command_line(int argc, char* argv[]);

}  // namespace epochfmt
