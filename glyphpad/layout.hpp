// SPDX-License-Identifier: BSD-2-Clause
// Placing text in terminal columns. Widths are display widths (escape
// sequences take none); fills are computed in 64 bits so that no 32-bit
// indentation, width or column count can overflow them. No routine ends its
// output with a newline.
#pragma once

#include <cstdint>
#include <cstdio>

namespace glyphpad {

// Input is read in pieces of at most this many bytes less one.
inline constexpr int framed_read_buffer = 8192;

enum class frame_alignment { indent, center };

// n blanks in bounded memory; nothing for n <= 0. Stops early once the
// stream is in error, since nothing more can reach it.
void print_spaces(FILE* out, int64_t n);

// Blanks before a text of this width when the field ends at column
// indentation (> 0), or after it when the field is -indentation wide (< 0).
int64_t field_fill(int32_t indentation, int32_t width);

// Blanks on the left and on the right of a text centred in columns, the
// smaller half of an odd remainder on the left; negative means none.
struct fill_pair {
    int64_t left;
    int64_t right;
};
fill_pair centre_fill(int64_t columns, int64_t used);

// How many whole pieces of width step fit between borders of total width
// borders within columns.
int64_t separator_pieces(int32_t columns, int64_t borders, int32_t step);

// Right-aligned in a field ending at column indentation (> 0), written
// as it is (0), or left-aligned in a field of -indentation columns (< 0).
void print_indented(FILE* out, const char* text, int32_t indentation);

// Centred in columns, with no blanks after the text.
void print_centered(FILE* out, const char* text, int32_t columns);

// Each line of in between the two borders, indented as print_indented does
// or centred so that the right border ends at column columns; lines are
// separated, not ended, by newlines. One line at a time, each measured
// before any of it is written. Ends the program with status 1 on a line the
// locale cannot decode, a zero byte in a line and a read error, after the
// lines before it.
void print_framed_lines(FILE* in, FILE* out, const char* border_left, const char* border_right,
                        int32_t columns, int32_t indentation, frame_alignment alignment);

// The borders with as many whole copies of the separator between them as fit
// in columns; blanks instead when the separator takes no columns.
void print_separator(FILE* out, const char* border_left, const char* separator,
                     const char* border_right, int32_t columns);

}  // namespace glyphpad
