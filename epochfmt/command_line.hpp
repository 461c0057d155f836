// SPDX-License-Identifier: BSD-2-Clause
// epochfmt's run settings and command line.
#pragma once

#include "timestamp/epoch_time.hpp"

namespace epochfmt {

struct settings {
    const char* time_format_template = "%Y-%m-%d %H:%M:%S";
    bool human_readable = false;
    const timestamp::time_unit* selected_unit = nullptr;  // nullptr: recognised per operand
    const char* operand_file = nullptr;  // --file: more operands, one per line ("-": standard input)
};

// Reads the options; operands start at optind afterwards.
settings parse_command_line(int argc, char* argv[]);

}  // namespace epochfmt
