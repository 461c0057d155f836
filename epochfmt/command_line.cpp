// SPDX-License-Identifier: BSD-2-Clause
#include "epochfmt/command_line.hpp"

#include <cstdlib>

#include "frame/tool_frame.hpp"

namespace epochfmt {

settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = frame::epochfmt_frame;
    settings s;
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        if (c == frame::opt_file) {
            s.operand_file = optarg;  // the last one counts
        } else if (!timestamp::read_shared_option(c, tf, argv[0], &s.time_format_template,
                                                  &s.human_readable, &s.selected_unit)) {
            frame::report_unhandled_option(c);
            exit(1);
        }
    }
    return s;
}

}  // namespace epochfmt
