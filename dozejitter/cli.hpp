// SPDX-License-Identifier: BSD-2-Clause
// dozejitter's command line and the seeding of its random draw.
#pragma once

#include "dozejitter/delay.hpp"

namespace dozejitter {

// Options and the two operands; ends the run on --help, --version and errors.
settings parse_command_line(int argc, char* argv[]);

// Seeds rand() from the time of day and the process ID.
void seed_random();

}  // namespace dozejitter
