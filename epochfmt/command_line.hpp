// SPDX-License-Identifier: BSD-2-Clause
// epochfmt's run settings and command line.
#pragma once

#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"

namespace epochfmt {

// The program's name, options, usage and version lines, for the frame.
extern const frame::tool_frame program_frame;

struct settings {
    const char* time_format_template = "%Y-%m-%d %H:%M:%S";
    bool human_readable = false;
    const timestamp::time_unit* selected_unit = nullptr;  // nullptr: recognised per operand
    const char* operand_file = nullptr;  // --file: more operands, one per line ("-": standard input)
};

// Reads the options; operands start at optind afterwards.
settings parse_command_line(int argc, char* argv[]);

}  // namespace epochfmt
