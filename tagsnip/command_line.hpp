// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's command line: the option loop, the checks and the normalisation
// of the settings before any file is touched.
#pragma once

#include "tagsnip/settings.hpp"

namespace tagsnip {

// Runs the option loop, starting from the built-in labels (without their
// colour sequences when NO_COLOR is set and not empty); ends the run on
// --help, --version, option errors, a bad option value and arguments left
// over.
run_settings parse_command_line(int argc, char* argv[]);

// Builds the line-number conversion from an --enumerate-format value into
// format (enumerate_format_size bytes). Only flags ("'", "-", "0") followed
// by a field width of at most INT_MAX are taken, at most 123 bytes in all,
// so the conversion always prints exactly one unsigned 64-bit number. False
// (format untouched) for anything else.
bool make_enumerate_format(const char* value, char* format);

// The checks and normalisation that follow the option loop, in their order:
// limits, tags, the exclusion of tags and line selection, the warnings. A
// failed check ends the run with its message and status 1.
void normalise_settings(run_settings& s);

}  // namespace tagsnip
