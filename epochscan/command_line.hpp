// SPDX-License-Identifier: BSD-2-Clause
// epochscan's run settings and command line.
#pragma once

#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"

namespace epochscan {

// The program's name, options, usage and version lines, for the frame.
extern const frame::tool_frame program_frame;

enum class number_form {
    integer_decimal,
    float_decimal,  // whole units, then the remainder as a fixed-width fraction
    integer_hexadecimal,
    integer_0x_hexadecimal,
};

struct settings {
    const char* time_format_template = "%Y-%m-%d %H:%M:%S";
    number_form form = number_form::integer_decimal;
    bool human_readable = false;
    const timestamp::time_unit* unit = &timestamp::nanoseconds_unit;
    const char* operand_file = nullptr;  // --file: more operands, one per line ("-": standard input)
};

// Reads the options; operands start at optind afterwards.
settings parse_command_line(int argc, char* argv[]);

}  // namespace epochscan
