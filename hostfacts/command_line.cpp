// SPDX-License-Identifier: BSD-2-Clause
#include "hostfacts/command_line.hpp"

#include <cstdio>
#include <cstdlib>

#include "frame/tool_frame.hpp"
#include "hostfacts/report_sections.hpp"

namespace hostfacts {

void parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = frame::hostfacts_frame;
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        switch (c) {
        case 'h': frame::print_usage(tf, argv[0], 0);
        case 'v': frame::print_version(tf);
        case 'c': {
            // Each occurrence is checked at once, before any later option.
            const std::uint32_t version = requested_version(optarg);
            if (version > available_version) {
                fprintf(stderr, "ERROR: Requested compatibility version %u > available version %u!\n",
                        version, available_version);
                exit(1);
            }
            break;
        }
        case '?': frame::print_usage(tf, argv[0], 1);
        default:
            frame::report_unhandled_option(c);
            exit(1);
        }
    }
    if (optind != argc)
        frame::print_usage(tf, argv[0], 1);
}

}  // namespace hostfacts
