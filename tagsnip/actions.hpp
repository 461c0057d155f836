// SPDX-License-Identifier: BSD-2-Clause
// The actions: the two emitters the scanner hands its pieces to, and the
// check of the number of blocks against the limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "tagsnip/output.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

// Enumerate's prefix: the first label, the line number in its field and
// the second label, made at the first line and counted up from there; or,
// for a grouped number, a field wider than 40 bytes or labels too long for
// the text, written apart, piece by piece.
struct number_prefix {
    enum { unchosen, here, apart } state = unchosen;
    std::size_t label1 = 0;  // lengths of the labels
    std::size_t label2 = 0;
    unsigned long long value = 0;  // the number in text
    int count = 0;                 // its digits
    int field = 0;                 // its field, at least the format's width
    std::size_t length = 0;        // of text; 0 before the first line
    char text[256];
};

struct block_actions {
    const run_settings* settings = nullptr;
    output_stream* out = nullptr;
    int insert = -1;  // descriptor of the insert file; seekable, never standard input
    // Written after an insertion that is not empty and does not end in a
    // newline (full tag lines: the lines around it stay lines), or null.
    const char* insert_line_end = nullptr;
    std::int64_t line_number = 0;
    std::int32_t action_count = 0;  // blocks begun; stops at the largest value
    bool block_open = false;
    number_prefix number;
};

// What the action writes for one piece, and the block count and state.
// Everything is written through write_output, whose failure ends the run; a
// failure to read the insert file, or to go back to its start, ends it with
// the read-error message.
void emit_outside(block_actions& a, const char* piece, std::size_t length, bool boundary);
void emit_inside(block_actions& a, const char* piece, std::size_t length, bool boundary);

// The newline an insertion is completed with, or null: with full tag lines
// for Insert-front, Insert-back and Replace; for a managed block in a file
// whose first line ends in CR LF, CR LF.
const char* insert_line_end_for(const run_settings& s, bool first_line_crlf);

// A managed block that the input does not hold, appended at its end: a
// newline first when the input's last line has none, then the begin tag
// line, the insert file and the end tag line; the lines end in CR LF when
// the input's first line does.
void append_managed_block(block_actions& a, bool ends_in_newline, bool first_line_crlf);

// For a run that writes its input unchanged (writes_input_unchanged):
// copies what is left of a regular input file, when that is 1 MiB or more,
// to the output inside the kernel (copy_file_range to a regular file; on
// Linux sendfile to anything else that takes it), after what the output
// stream holds. A failed write ends the run through fail_output, a failed
// read with the read-error message; a signal is resumed. Where the system
// refuses such a copy it stops quietly, and the scan reads and writes the
// rest.
void copy_input_unchanged(block_actions& a, FILE* in);

// False when the count is below a non-negative --min-actions or above a
// non-negative --max-actions.
bool action_count_within_limits(const run_settings& s, std::int32_t count);

}  // namespace tagsnip
