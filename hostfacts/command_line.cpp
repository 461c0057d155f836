// SPDX-License-Identifier: BSD-2-Clause
#include "hostfacts/command_line.hpp"

#include "frame/tool_frame.hpp"
#include "hostfacts/report_sections.hpp"

namespace hostfacts {

namespace {

constexpr option long_options[] = {
    {"compatibility", required_argument, nullptr, 'c'},
    FRAME_COMMON_LONG_OPTIONS,
};

}  // namespace

const frame::tool_frame program_frame = {
    "hostfacts", nullptr, frame::locale_step::none,
    "c:" FRAME_COMMON_SHORT_OPTIONS, long_options, frame::usage_style::fixed,
    "Usage: %s [-h|--help] [-v|--version] [-c|--compatibility version]\n",
    "hostfacts %s\n",
};

run_settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = program_frame;
    run_settings s;
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        switch (c) {
        case 'c': {
            // Each occurrence is checked at once, before any later option.
            const std::uint32_t version = requested_version(optarg);
            if (version > available_version)
                frame::die("ERROR: Requested compatibility version %u > available version %u!", version,
                           available_version);
            s.compatibility = version;
            break;
        }
        default: frame::common_option(tf, c, argv[0]);
        }
    }
    if (optind != argc)
        frame::print_usage(tf, argv[0], 1);
    return s;
}

}  // namespace hostfacts
