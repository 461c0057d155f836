// SPDX-License-Identifier: BSD-2-Clause
// The lines of a file as further operands (--file): read in large chunks,
// each line handed out in place, without its newline, as a NUL-terminated
// string. Memory stays the same whatever the size of the file.
#pragma once

#include <cstddef>

namespace timestamp {

// The longest line taken: the longest single argument the Linux kernel passes
// to a program (MAX_ARG_STRLEN, 128 KiB with its NUL), so that every line
// fits that could have been given as an operand.
inline constexpr size_t longest_operand_line = 128 * 1024 - 1;

struct operand_file {
    const char* path;  // as given; "-" is standard input
    int fd;
    char* buffer;
    size_t start;  // the unconsumed bytes are [start, end)
    size_t end;
    size_t scan;  // where the search for the next newline goes on
    size_t nul;   // the first NUL byte at or after start, or no_nul
    unsigned long long line_number;  // of the last line handed out
    bool at_end;  // end of file seen
};

// Opens PATH ("-": standard input). Ends the program with its message when
// it cannot.
void open_operand_file(operand_file* f, const char* path);

// The next line, valid until the next call, or nullptr after the last one (a
// last line without a newline counts; an empty file has no line). Ends the
// program with its message, naming the line, for a line longer than
// longest_operand_line, a NUL byte in a line, or a read error.
const char* next_operand_line(operand_file* f);

// Closes the file (never standard input) and frees the buffer.
void close_operand_file(operand_file* f);

}  // namespace timestamp
