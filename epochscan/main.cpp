// SPDX-License-Identifier: BSD-2-Clause
// epochscan: time text read through a template, in UTC or in a chosen time
// zone, as Unix timestamps in seconds, milliseconds, microseconds or
// nanoseconds.
#include "epochscan/command_line.hpp"
#include "epochscan/convert.hpp"
#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"

int main(int argc, char* argv[])
{
    timestamp::use_utc();
    frame::start(epochscan::program_frame);
    const epochscan::run_settings s = epochscan::parse_command_line(argc, argv);
    epochscan::run(s);
    return 0;
}
