// SPDX-License-Identifier: BSD-2-Clause
// The check of the block structure that --strict-blocks asks for, made
// over the whole input before anything is written: every block closed, and
// with different tags no end tag outside a block and no begin tag inside
// one; for a managed block also at most one block. It finds the blocks as
// the scanner does, and notes what an appended block needs to know about
// the input's lines.
#pragma once

#include <cstdint>
#include <cstdio>

#include "tagsnip/input.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

enum class block_fault { none, unclosed, stray_end, nested_begin, second_block };

struct block_survey {
    bool one_block_only = false;  // a second block is a fault (--ensure-block)
    // Places are byte offsets of the lines' starts in the input; the lines
    // are counted only for a message, which is rare.
    std::int64_t offset = 0;  // of the next run of lines
    bool inside = false;
    std::int64_t blocks = 0;
    std::int64_t begin_at = 0;        // the begin tag of the block open or last begun
    std::int64_t first_begin_at = 0;  // the begin tag of the first block
    block_fault fault = block_fault::none;
    std::int64_t fault_at = 0;  // the first fault's line (for unclosed: its begin tag)
    bool first_line_seen = false;
    bool first_line_crlf = false;  // the first line ends in CR LF
    bool ends_in_newline = true;   // the input is empty or its last byte is LF
    bool empty = true;
};

// The survey of one run of whole lines [p, q), each ending in a newline but
// perhaps the input's last. Stops at the first fault.
void survey_lines(block_survey& sv, const run_settings& s, const char* p, const char* q);

// At the end of the input: a block still open is a fault.
void finish_survey(block_survey& sv);

// The whole input, from where it stands to its end, through the line
// buffer: the blocks checked. Returns 0, or the error number of a failed
// read.
int survey_input(FILE* in, line_buffer& b, const run_settings& s, block_survey& sv);

// Ends the run through die with the message of the survey's fault, if any,
// its lines counted in the input file fd.
void report_block_fault(const block_survey& sv, int fd);

}  // namespace tagsnip
