// SPDX-License-Identifier: BSD-2-Clause
// dozejitter: sleep for a random time between two bounds, in seconds.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dozejitter/command_line.hpp"
#include "dozejitter/delay.hpp"
#include "frame/tool_frame.hpp"

int main(int argc, char* argv[])
{
    frame::start(dozejitter::program_frame);
    const dozejitter::run_settings s = dozejitter::parse_command_line(argc, argv);
    dozejitter::seed_random();

    double delay = s.min_delay;
    if (s.min_delay != s.max_delay)
        delay = dozejitter::delay_for_draw(s.min_delay, s.max_delay, rand());
    if (s.verbose) {
        printf(frame::translate("Sleeping for %1.6f s ..."), delay);
        putchar('\n');
        // Out before the sleep also into a pipe or a file, so that a log
        // shows what is going on; a failed write ends the run here.
        frame::check_standard_output();
    }
    if (const int error = dozejitter::sleep_resuming(dozejitter::sleep_request(delay)))
        frame::die("ERROR: Unable to sleep: %s!", strerror(error));
    if (s.verbose) {
        fputs(frame::translate("Woke up!"), stdout);
        putchar('\n');
    }
    return 0;
}
