// SPDX-License-Identifier: BSD-2-Clause
// glyphpad: one string laid out for a terminal, the lines of standard input
// framed, or measurements of a string or of the terminal.
#include <cstdio>
#include <cstdlib>

#include "frame/tool_frame.hpp"
#include "glyphpad/command_line.hpp"
#include "glyphpad/output_dispatch.hpp"
#include "glyphpad/settings.hpp"
#include "glyphpad/terminal.hpp"

int main(int argc, char* argv[])
{
    frame::start(glyphpad::program_frame);

    glyphpad::run_settings s;
    glyphpad::terminal_size size{};
    if (glyphpad::query_terminal_size(size))
        s.terminal_columns = static_cast<int32_t>(size.columns);
    s.columns = s.terminal_columns;

    glyphpad::parse_command_line(argc, argv, s);
    glyphpad::print_output(s, stdin, stdout);
    if (s.newline)
        putchar('\n');
    // exit, not return: the settings' strings stay reachable until the
    // process ends, so nothing needs freeing.
    exit(0);
}
