// SPDX-License-Identifier: BSD-2-Clause
#include "timestamp/converter_options.hpp"

namespace timestamp {

bool read_shared_option(int option, const frame::tool_frame& tf, const char* program_path,
                        const char** time_template, bool* human_readable, const time_unit** unit)
{
    switch (option) {
    case 'T': *time_template = optarg; return true;
    case 'H': *human_readable = true; return true;
    case 's':
    case 'm':
    case 'u':
    case 'n': *unit = unit_for_option(option); return true;
    case 'h': frame::print_usage(tf, program_path, 0);
    case 'v': frame::print_version(tf);
    case '?': frame::print_usage(tf, program_path, 1);
    default: return false;
    }
}

}  // namespace timestamp
