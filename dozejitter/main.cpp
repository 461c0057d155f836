// SPDX-License-Identifier: BSD-2-Clause
// dozejitter: sleep for a random time between two bounds, in seconds.
#include "dozejitter/command_line.hpp"
#include "dozejitter/delay.hpp"
#include "frame/tool_frame.hpp"

int main(int argc, char* argv[])
{
    frame::start(dozejitter::program_frame);
    const dozejitter::run_settings s = dozejitter::parse_command_line(argc, argv);
    dozejitter::run(s);
    return 0;
}
