// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's input files: the input named with --input, opened and read once
// by the counting pass, and the insert file made readable again for every
// block. What they open is held in the run's state, and every failure ends
// the run through frame::die.
#pragma once

#include <cstdint>

#include "tagsnip/block_check.hpp"
#include "tagsnip/run_state.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

// Opens the input file, which the run then reads.
void open_input(run_state& r, const char* input_file);

// The first pass over the input file just opened: its lines counted. An
// input that cannot be read a second time is copied during the count, and
// the copy is what the scan reads. Returns the selected lines, those that
// count from the end resolved against the count, with a warning when the
// range selects nothing. With --strict-blocks the pass is the survey of the
// blocks instead (an input that cannot be read twice is then copied whole
// first), and a fault ends the run before anything is written.
line_range read_input_first(run_state& r, const run_settings& s, block_survey& sv);

// With --strict-blocks in tag mode: standard input copied whole into an
// anonymous temporary file, which the scan then reads, and surveyed; a
// fault ends the run before anything is written.
void survey_standard_input(run_state& r, const run_settings& s, block_survey& sv);

// Whether the run checks its blocks before it writes anything.
inline bool checks_blocks(const run_settings& s)
{
    return s.strict_blocks && s.begin_tag != nullptr;
}

// The insert file as a descriptor that can be read again for every block:
// a regular file as it is; standard input ("-", refused when the input is
// standard input too) and anything else that cannot be re-read copied into
// an anonymous temporary file first. An insert file that is the output file
// the run has just created is refused.
int open_insert(run_state& r, const char* insert_file, bool input_is_standard_input);

// A line number counted from the end (below 0) resolved against the number
// of lines: -1 is the last line. A from_line reaching back before the first
// line gives 0 or less; a to_line that does so gives -1, which selects
// nothing (only an explicit 0 means "to the end").
std::int64_t resolve_from_line(std::int64_t from_line, std::int64_t count);
std::int64_t resolve_to_line(std::int64_t to_line, std::int64_t count);

}  // namespace tagsnip
