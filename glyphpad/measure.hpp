// SPDX-License-Identifier: BSD-2-Clause
// Measuring text in terminal columns, with terminal escape sequences skipped,
// and the measurement reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace glyphpad {

// A string without its escape sequences, as wide characters. chars has room
// for size + 1 characters but is not terminated: go by length.
struct wide_text {
    wchar_t* chars;
    size_t size;    // bytes left once the escape sequences are dropped
    size_t length;  // wide characters those bytes decode to
};

// Drops every escape sequence (ESC up to and including the next ASCII letter,
// or to the end) and decodes the rest in the current locale. The caller
// frees chars. Ends the program with status 1 on bytes the locale's encoding
// rejects and when memory runs out.
wide_text strip_to_wide(const char* text);

// Columns the text takes in a layout: never negative, and 0 for a text that
// holds an unprintable character such as a tab.
int32_t display_width(const char* text);

// One report line: the values chosen among size, length and width (the last
// unclamped, so -1 for unprintable text), separated by blanks.
void print_measures(FILE* out, const char* text, bool size, bool length, bool width);

}  // namespace glyphpad
