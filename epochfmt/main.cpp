// SPDX-License-Identifier: BSD-2-Clause
// epochfmt: Unix timestamps in seconds, milliseconds, microseconds or
// nanoseconds as UTC time text.
#include <cstdio>
#include <cstdlib>

#include "epochfmt/command_line.hpp"
#include "epochfmt/time_text.hpp"
#include "epochfmt/timestamp_operand.hpp"
#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"
#include "timestamp/operand_walk.hpp"
#include "timestamp/standard_output.hpp"
#include "timestamp/template_split.hpp"

int main(int argc, char* argv[])
{
    timestamp::use_utc();
    frame::start(epochfmt::program_frame);
    const epochfmt::run_settings s = epochfmt::parse_command_line(argc, argv);
    const epochfmt::line_form form = {
        s.time_format_template,
        s.human_readable ? frame::translate("%s%s%s%s is %lld (0x%llx) %s since the Unix Epoch")
                         : nullptr,
        timestamp::split_template(s.time_format_template),
    };
    timestamp::prepare_standard_output();
    timestamp::walk_operands(s.operand_count, s.operands, s.operand_file, [&](const char* operand) {
        epochfmt::point_in_time t;
        if (operand == nullptr) {
            t.value = timestamp::current_epoch_ns();
            if (s.selected_unit != nullptr)
                t.unit = s.selected_unit;
        } else if (!epochfmt::read_timestamp(operand, s.selected_unit, &t)) {
            frame::die("ERROR: Invalid Unix timestamp!");
        }
        epochfmt::write_time_line(stdout, form, t);
    });
    free(form.parts.prefix);
    return 0;
}
