// SPDX-License-Identifier: BSD-2-Clause
// glyphpad: one string laid out for a terminal, the lines of standard input
// framed, or measurements of a string or of the terminal.
#include <cstdlib>

#include "frame/tool_frame.hpp"
#include "glyphpad/command_line.hpp"
#include "glyphpad/output_modes.hpp"

int main(int argc, char* argv[])
{
    frame::start(glyphpad::program_frame);
    const glyphpad::run_settings s = glyphpad::parse_command_line(argc, argv);
    glyphpad::run(s);
    // exit, not return: the settings' strings stay reachable until the
    // process ends, so nothing needs freeing.
    exit(0);
}
