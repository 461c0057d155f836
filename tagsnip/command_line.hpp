// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's command line: the option loop, the checks and the normalisation
// of the settings before any file is touched.
#pragma once

#include <cstdint>

#include "frame/tool_frame.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

// The program's name, options, usage and version lines, for the frame.
extern const frame::tool_frame program_frame;

// Codes of the long options that have no short form: above every byte
// value, so that none can be mistaken for a short option.
enum long_option_code {
    opt_enumerate_format = 4096,
    opt_enumerate_label1,
    opt_enumerate_label2,
    opt_highlight_begin = 8192,
    opt_highlight_end,
    opt_highlight_unmarked1,
    opt_highlight_unmarked2,
    opt_highlight_marked1,
    opt_highlight_marked2,
    opt_highlight_params,
    opt_exact_tag_lines = 12288,
    opt_strict_blocks,
    opt_ensure_block,
};

// Runs the option loop, starting from the built-in labels (without their
// colour sequences when NO_COLOR is set and not empty); ends the run on
// --help, --version, option errors, a bad option value and arguments left
// over.
run_settings parse_command_line(int argc, char* argv[]);

// Reads an --enumerate-format value into format: flags ("'", "-", "0", in
// any order and number) followed by a field width of at most INT_MAX, at
// most 123 bytes in all. False (format untouched) for anything else.
bool make_enumerate_format(const char* value, number_format& format);

// An action limit read as atoi reads it (blanks, a sign, digits up to the
// first other byte; none is 0), but held at the limits of a signed 32-bit
// number instead of wrapping around.
std::int32_t read_action_limit(const char* text);

// The checks and normalisation that follow the option loop, in their order:
// limits, tags, the exclusion of tags and line selection, the warnings. A
// failed check ends the run with its message and status 1.
void normalise_settings(run_settings& s);

}  // namespace tagsnip
