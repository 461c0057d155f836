// SPDX-License-Identifier: BSD-2-Clause
// epochscan: UTC time text read through a template, as Unix timestamps in
// seconds, milliseconds, microseconds or nanoseconds.
#include <cstdio>

#include "epochscan/command_line.hpp"
#include "epochscan/count_output.hpp"
#include "epochscan/time_text_parse.hpp"
#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"
#include "timestamp/operand_walk.hpp"
#include "timestamp/standard_output.hpp"

int main(int argc, char* argv[])
{
    timestamp::use_utc();
    frame::start(epochscan::program_frame);
    const epochscan::run_settings s = epochscan::parse_command_line(argc, argv);
    const char* sentence_end = s.human_readable ? frame::translate(" %s since the Unix Epoch") : nullptr;
    timestamp::prepare_standard_output();
    timestamp::walk_operands(s.operand_count, s.operands, s.operand_file, [&](const char* operand) {
        timestamp::epoch_ns value = 0;
        if (operand == nullptr)
            value = timestamp::current_epoch_ns();
        else if (!epochscan::parse_time_string(operand, s.time_format_template, &value))
            frame::die("ERROR: Unable to parse time string \"%s\" with format template \"%s\"!",
                       operand, s.time_format_template);
        epochscan::write_count_line(stdout, value, *s.unit, s.form, sentence_end);
    });
    return 0;
}
