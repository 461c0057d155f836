// SPDX-License-Identifier: BSD-2-Clause
// The one record of a tagsnip run: what to do, on what, from where to where,
// as the command line gives it; and the lines a selection comes to once the
// input's length is known.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tagsnip {

// The order matters: the warnings test ranges of it and the actions
// dispatch on it.
enum class action : int {
    cat = 0,
    discard,
    enumerate,
    highlight,
    extract,
    insert_front,
    insert_back,
    replace,
    remove,  // --delete, --remove
};

// Enumerate's line number in its field, as --enumerate-format gives it:
// flags, then a width.
struct number_format {
    bool left = false;      // "-": blanks on the right
    bool zeros = false;     // "0": zeros on the left, unless left
    bool grouping = false;  // "'": the digits grouped as the locale's numbers are
    int width = 0;          // at least this many bytes
};

struct run_settings {
    action act = action::cat;
    const char* insert_file = nullptr;
    const char* input_file = nullptr;
    const char* output_file = nullptr;
    bool append = false;
    bool in_place = false;
    bool keep_broken = false;
    std::int32_t min_actions = -1;
    std::int32_t max_actions = -1;
    // As given: a number below 0 counts from the end of the input.
    std::int64_t from_line = 0;
    std::int64_t to_line = 0;
    // After normalisation: begin_tag is null or non-empty; end_tag is null
    // exactly when begin_tag is, and is the very same pointer when the two
    // tags have the same text.
    const char* begin_tag = nullptr;
    const char* end_tag = nullptr;
    bool include_tags = false;
    bool full_tag_lines = false;
    // A tag line is a line whose bytes, without the final LF or CR LF, are
    // the tag itself (implies full_tag_lines).
    bool exact_tag_lines = false;
    // The block structure is checked before anything is written.
    bool strict_blocks = false;
    // The managed block: Replace with insert_file, exact tag lines, strict
    // blocks, tags excluded; the block is appended when there is none.
    bool ensure_block = false;
    number_format enumerate_format{false, true, false, 6};
    const char* enumerate_label1 = "\x1b[36m";
    const char* enumerate_label2 = "\x1b[0m ";
    const char* highlight_begin = "\u2b50";
    const char* highlight_end = "\U0001f6d1";
    const char* highlight_unmarked1 = "\x1b[34m";
    const char* highlight_unmarked2 = "\x1b[0m";
    const char* highlight_marked1 = "\x1b[31m";
    const char* highlight_marked2 = "\x1b[0m";
    bool warnings = true;
    std::size_t begin_length = 0;
    std::size_t end_length = 0;
};

// The selected lines with the numbers that count from the end resolved
// against the input's length: numbered from 1; from below 1 selects
// nothing; to 0 means to the end, and to below 0 selects nothing.
struct line_range {
    std::int64_t from = 0;
    std::int64_t to = 0;
};

}  // namespace tagsnip
