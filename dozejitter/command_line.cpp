// SPDX-License-Identifier: BSD-2-Clause
#include "dozejitter/command_line.hpp"

#include "dozejitter/delay.hpp"
#include "frame/tool_frame.hpp"

namespace dozejitter {

namespace {

constexpr option long_options[] = {
    {"verbose", no_argument, nullptr, 'w'},
    {"quiet", no_argument, nullptr, 'q'},
    FRAME_COMMON_LONG_OPTIONS,
};

}  // namespace

const frame::tool_frame program_frame = {
    "dozejitter", "dozejitter", frame::locale_step::numeric_c_utf8,
    "wq" FRAME_COMMON_SHORT_OPTIONS, long_options, frame::usage_style::translated,
    "%s %s min_delay max_delay [-q|--quiet] [-w|--verbose] [-h|--help]"
    " [-v|--version]\n",
    "dozejitter %s\n",
};

run_settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = program_frame;
    run_settings s;
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        switch (c) {
        case 'q': s.verbose = false; break;
        case 'w': s.verbose = true; break;
        default: frame::common_option(tf, c, argv[0]);
        }
    }
    if (argc - optind != 2)
        frame::print_usage(tf, argv[0], 1);
    if (!parse_delays(argv[optind], argv[optind + 1], s))
        frame::die("ERROR: Invalid min_delay/max_delay!");
    return s;
}

}  // namespace dozejitter
