// SPDX-License-Identifier: BSD-2-Clause
// epochfmt: Unix timestamps in seconds, milliseconds, microseconds or
// nanoseconds as time text, in UTC or in a chosen time zone.
#include "epochfmt/command_line.hpp"
#include "epochfmt/convert.hpp"
#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"

int main(int argc, char* argv[])
{
    timestamp::use_utc();
    frame::start(epochfmt::program_frame);
    const epochfmt::run_settings s = epochfmt::parse_command_line(argc, argv);
    epochfmt::run(s);
    return 0;
}
