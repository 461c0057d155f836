// SPDX-License-Identifier: BSD-2-Clause
#include "timestamp/converter_options.hpp"

#include <getopt.h>

namespace timestamp {

bool read_shared_option(int option, const char** time_template, bool* human_readable, const time_unit** unit)
{
    switch (option) {
    case 'T': *time_template = optarg; return true;
    case 'H': *human_readable = true; return true;
    case 's':
    case 'm':
    case 'u':
    case 'n': *unit = unit_for_option(option); return true;
    default: return false;
    }
}

}  // namespace timestamp
