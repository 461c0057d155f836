// The actions: the two emitters the scanner hands its pieces to, and the
// check of the number of blocks against the limits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tagsnip/output.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

struct block_actions {
    const run_settings* settings = nullptr;
    output_stream* out = nullptr;
    int insert = -1;  // descriptor of the insert file; seekable, never standard input
    std::int64_t line_number = 0;
    std::int32_t action_count = 0;  // blocks begun; stops at the largest value
    bool block_open = false;
};

// What the action writes for one piece, and the block count and state.
// Everything is written through write_output, whose failure ends the run; a
// failure to read the insert file, or to go back to its start, ends it with
// the read-error message.
void emit_outside(block_actions& a, const char* piece, std::size_t length, bool boundary);
void emit_inside(block_actions& a, const char* piece, std::size_t length, bool boundary);

// False when the count is below a non-negative --min-actions or above a
// non-negative --max-actions.
bool action_count_within_limits(const run_settings& s, std::int32_t count);

}  // namespace tagsnip
