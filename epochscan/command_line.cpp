// SPDX-License-Identifier: BSD-2-Clause
#include "epochscan/command_line.hpp"

#include <cstdlib>

#include "frame/tool_frame.hpp"

namespace epochscan {

settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = frame::epochscan_frame;
    settings s;
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        switch (c) {
        case 'F': s.form = number_form::float_decimal; break;
        case 'I': s.form = number_form::integer_decimal; break;
        case 'X': s.form = number_form::integer_hexadecimal; break;
        case '0': s.form = number_form::integer_0x_hexadecimal; break;
        case frame::opt_file: s.operand_file = optarg; break;  // the last one counts
        default:
            if (!timestamp::read_shared_option(c, tf, argv[0], &s.time_format_template,
                                               &s.human_readable, &s.unit)) {
                frame::report_unhandled_option(c);
                exit(1);
            }
        }
    }
    return s;
}

}  // namespace epochscan
