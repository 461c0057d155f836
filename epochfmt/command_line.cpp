// SPDX-License-Identifier: BSD-2-Clause
#include "epochfmt/command_line.hpp"

#include <cstdlib>

#include "frame/tool_frame.hpp"
#include "timestamp/converter_options.hpp"

namespace epochfmt {

namespace {

constexpr option long_options[] = {
    {"template", required_argument, nullptr, 'T'},
    TIMESTAMP_SHARED_LONG_OPTIONS,
    FRAME_COMMON_LONG_OPTIONS,
};

}  // namespace

const frame::tool_frame program_frame = {
    "epochfmt", "epochfmt", frame::locale_step::numeric_c,
    "T:" TIMESTAMP_SHARED_SHORT_OPTIONS FRAME_COMMON_SHORT_OPTIONS, long_options, frame::usage_style::translated,
    "%s %s unix_timestamp [...] [-T|--template time_format_template]"
    " [-H|--human-readable] [-s|--seconds] [-m|--milliseconds] [-u|--microseconds]"
    " [-n|--nanoseconds] [-h|--help] [-v|--version]\n",
    "epochfmt %s\n",
};

run_settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = program_frame;
    run_settings s;
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        if (c == timestamp::opt_file) {
            s.operand_file = optarg;  // the last one counts
        } else if (c == timestamp::opt_zone) {
            s.zone = optarg;  // the last one counts; read before any output
        } else if (!timestamp::read_shared_option(c, &s.time_format_template, &s.human_readable,
                                                  &s.selected_unit)) {
            frame::common_option(tf, c, argv[0]);
        }
    }
    s.operand_count = argc - optind;
    s.operands = argv + optind;
    return s;
}

}  // namespace epochfmt
