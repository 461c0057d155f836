// SPDX-License-Identifier: BSD-2-Clause
// The one record of a glyphpad run: the output mode and what it lays out.
#pragma once

#include <cstdint>

namespace glyphpad {

// Each mode bears the name of the long option that selects it.
enum class output_mode {
    indent,
    center,
    multiline_indent,
    multiline_center,
    separator,
    width,
    terminal_info,
    length,
    size,
    size_length_width,
};

// The strings are owned, decoded copies of the arguments (malloc'd), or null.
struct run_settings {
    output_mode mode = output_mode::indent;
    int32_t indentation = 0;
    int32_t terminal_columns = 80;
    int32_t columns = 80;
    bool newline = false;
    char* text = nullptr;          // the positional string, or the separator of -s
    char* border_left = nullptr;   // shared by -I, -C and -s
    char* border_right = nullptr;  // shared by -I, -C and -s
};

}  // namespace glyphpad
