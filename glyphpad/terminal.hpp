// SPDX-License-Identifier: BSD-2-Clause
// The size of the controlling terminal.
#pragma once

#include <cstdio>

namespace glyphpad {

struct terminal_size {
    unsigned columns;
    unsigned rows;
};

// Asks the controlling terminal ("/dev/tty"), never standard output, so the
// answer holds when output goes to a pipe or file. False, with size left
// untouched, without a terminal.
bool query_terminal_size(terminal_size& size);

// "columns rows\n" of the terminal, or "80 24\n" without one.
void print_terminal_info(FILE* out);

}  // namespace glyphpad
