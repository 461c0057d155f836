// SPDX-License-Identifier: BSD-2-Clause
// glyphpad's command line: options and the positional string.
#pragma once

#include <cstdint>

#include "frame/tool_frame.hpp"
#include "glyphpad/settings.hpp"

namespace glyphpad {

// The program's name, options, usage and version lines, for the frame.
extern const frame::tool_frame program_frame;

// The settings of the run: the terminal's columns (80 when it has none),
// then the options and the positional string. Ends the run on --help,
// --version and every error of the command line.
run_settings parse_command_line(int argc, char* argv[]);

// The layout width for the -x argument: its atol value cut to 32 bits is a
// width when positive, else an amount added to the terminal's columns
// (which are never negative, so the result always fits 32 bits).
int64_t columns_for_argument(const char* argument, int32_t terminal_columns);

// A number as atoi reads it (leading blanks, a sign, digits up to the first
// other byte), cut to 32 bits the way glibc's atoi does, without its
// undefined behaviour for values out of range.
int32_t integer_argument(const char* argument);

}  // namespace glyphpad
