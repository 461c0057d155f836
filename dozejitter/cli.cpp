// SPDX-License-Identifier: BSD-2-Clause
#include "dozejitter/cli.hpp"

#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>

#include "dozejitter/delay.hpp"
#include "frame/tool_frame.hpp"

namespace dozejitter {

settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = frame::dozejitter_frame;
    settings s;
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        switch (c) {
        case 'h': frame::print_usage(tf, argv[0], 0);
        case 'q': s.verbose = false; break;
        case 'v': frame::print_version(tf);
        case 'w': s.verbose = true; break;
        case '?': frame::print_usage(tf, argv[0], 1);
        default:
            frame::report_unhandled_option(c);
            exit(1);
        }
    }
    if (argc - optind != 2)
        frame::print_usage(tf, argv[0], 1);
    if (!parse_delays(argv[optind], argv[optind + 1], s))
        frame::die("ERROR: Invalid min_delay/max_delay!");
    return s;
}

void seed_random()
{
    timeval now{};
    if (gettimeofday(&now, nullptr) == 0)
        srand(static_cast<unsigned>(now.tv_usec) ^ static_cast<unsigned>(now.tv_sec) ^
              static_cast<unsigned>(getpid()));
}

}  // namespace dozejitter
