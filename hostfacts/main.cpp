// SPDX-License-Identifier: BSD-2-Clause
// hostfacts: facts about the running host as shell variable assignments.
#include "frame/tool_frame.hpp"
#include "hostfacts/command_line.hpp"
#include "hostfacts/report.hpp"

int main(int argc, char* argv[])
{
    frame::start(hostfacts::program_frame);
    hostfacts::parse_command_line(argc, argv);
    hostfacts::write_report();
    return 0;
}
