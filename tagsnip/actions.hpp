// The actions: the two emitters the scanner hands its pieces to, and the
// check of the number of blocks against the limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "tagsnip/settings.hpp"

namespace tagsnip {

struct block_actions {
    const run_settings* settings = nullptr;
    FILE* out = nullptr;
    const char* out_name = "-";  // as named in the write-error message
    FILE* insert = nullptr;      // the insert stream; rewindable, never standard input
    std::int64_t line_number = 0;
    std::int32_t action_count = 0;  // blocks begun; stops at the largest value
    bool block_open = false;
};

// What the action writes for one piece, and the block count and state.
// A piece or insert-file piece that is not written whole ends the run with
// "ERROR: Unable to write to output file %s: %s!" through the clean-up; a
// read error on the insert file ends it with the read-error message.
void emit_outside(block_actions& a, const char* piece, std::size_t length, bool boundary);
void emit_inside(block_actions& a, const char* piece, std::size_t length, bool boundary);

// False when the count is below a non-negative --min-actions or above a
// non-negative --max-actions.
bool action_count_within_limits(const run_settings& s, std::int32_t count);

}  // namespace tagsnip
