// SPDX-License-Identifier: BSD-2-Clause
// hostfacts: facts about the running host as shell variable assignments.
#include "frame/tool_frame.hpp"
#include "hostfacts/command_line.hpp"
#include "hostfacts/report.hpp"

int main(int argc, char* argv[])
{
    frame::start(hostfacts::program_frame);
    const hostfacts::run_settings s = hostfacts::parse_command_line(argc, argv);
    // Every end of the report comes back here with its status.
    return hostfacts::write_report(s);
}
