// SPDX-License-Identifier: BSD-2-Clause
// epochfmt: Unix timestamps in seconds, milliseconds, microseconds or
// nanoseconds as time text, in UTC or in a chosen time zone.
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
#include "timestamp/time_zone.hpp"

int main(int argc, char* argv[])
{
    timestamp::use_utc();
    frame::start(epochfmt::program_frame);
    const epochfmt::run_settings s = epochfmt::parse_command_line(argc, argv);
    timestamp::time_zone zone;
    if (s.zone != nullptr)
        timestamp::load_time_zone(&zone, s.zone);
    const char* sentence = nullptr;
    if (s.human_readable)
        sentence = s.zone == nullptr ? frame::translate("%s%s%s%s is %lld (0x%llx) %s since the Unix Epoch")
                                     : frame::translate("%s%s%s%s in %s is %lld (0x%llx) %s since the Unix Epoch");
    const epochfmt::line_form form = {
        s.time_format_template,
        sentence,
        timestamp::split_template(s.time_format_template),
        s.zone != nullptr ? &zone : nullptr,
    };
    timestamp::prepare_standard_output();
    timestamp::walk_operands(s.operand_count, s.operands, s.operand_file,
                             [&](const char* operand, const timestamp::operand_file* from) {
        epochfmt::point_in_time t;
        if (operand == nullptr) {
            t.value = timestamp::current_epoch_ns();
            if (s.selected_unit != nullptr)
                t.unit = s.selected_unit;
        } else if ((from != nullptr && operand[0] == '\0') ||  // an empty line is no timestamp
                   !epochfmt::read_timestamp(operand, s.selected_unit, &t)) {
            if (from == nullptr)
                frame::die("ERROR: Invalid Unix timestamp!");
            frame::die("ERROR: Invalid Unix timestamp \"%s\" on line %llu of %s!", operand, from->line_number,
                       from->path);
        }
        const char* failed_part = nullptr;
        switch (epochfmt::write_time_line(stdout, form, t, &failed_part)) {
        case epochfmt::line_result::written: break;
        case epochfmt::line_result::out_of_range:
            if (from == nullptr)
                frame::die("ERROR: gmtime() failed!");
            frame::die("ERROR: gmtime() failed for \"%s\" on line %llu of %s!", operand, from->line_number,
                       from->path);
        case epochfmt::line_result::format_failed:
            if (from == nullptr)
                frame::die("ERROR: strftime() with format template \"%s\" failed!", failed_part);
            frame::die("ERROR: strftime() with format template \"%s\" failed for \"%s\" on line %llu of %s!",
                       failed_part, operand, from->line_number, from->path);
        }
    });
    free(form.parts.prefix);
    if (s.zone != nullptr)
        timestamp::free_time_zone(&zone);
    return 0;
}
