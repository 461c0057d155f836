// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's input: runs of whole lines for the scanner, and the counting
// pass. The input is read in large blocks into one buffer that grows with
// the longest line, and its lines are handed on where they lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tagsnip {

inline constexpr std::size_t line_buffer_size = 256 * 1024;

struct line_buffer {
    char* data = nullptr;
    std::size_t capacity = 0;
    std::size_t begin = 0;   // first byte not yet handed on
    std::size_t end = 0;     // end of the bytes read so far
    std::size_t handed = 0;  // bytes handed on by the last call, consumed by the next
    bool at_end = false;
};

// malloc of line_buffer_size bytes; false (errno set) when there is no memory.
bool allocate_line_buffer(line_buffer& b);

void release_line_buffer(line_buffer& b);

// The next run of whole lines [p, q), each ending in a newline, or at the
// end of the input its last bytes; the bytes stay valid until the next call.
// Returns 1 when there are bytes, 0 at the end of the input, -1 on a read
// error (errno set; a buffer that cannot grow is ENOMEM).
int next_lines(FILE* in, line_buffer& b, const char*& p, const char*& q);

// The counting pass: reads the whole input and counts its lines (a last
// line without newline counts). When copy is not null every byte read is
// also written to it. Returns 0, or the error number of a failed read;
// a failed write to the copy sets copy_failed and returns its error number.
int count_lines(FILE* in, line_buffer& b, FILE* copy, std::int64_t& count, bool& copy_failed);

// Number of newline bytes in [p, p + size).
std::int64_t count_newlines(const char* p, std::size_t size);

}  // namespace tagsnip
