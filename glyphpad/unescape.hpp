// SPDX-License-Identifier: BSD-2-Clause
// Backslash escapes in string arguments.
#pragma once

namespace glyphpad {

// The decoded copy of argument (malloc'd, never longer than the argument).
// A decoded zero ends the result there. Ends the program with status 1 on an
// invalid digit in a numeric escape and when memory runs out.
char* unescape_argument(const char* argument);

}  // namespace glyphpad
