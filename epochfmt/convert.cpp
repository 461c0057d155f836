// SPDX-License-Identifier: BSD-2-Clause
#include "epochfmt/convert.hpp"

#include <cstdio>
#include <cstdlib>

#include "epochfmt/time_text.hpp"
#include "epochfmt/timestamp_operand.hpp"
#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"
#include "timestamp/operand_walk.hpp"
#include "timestamp/standard_output.hpp"
#include "timestamp/template_split.hpp"
#include "timestamp/time_zone.hpp"

namespace epochfmt {

void run(const run_settings& s)
{
    timestamp::time_zone zone;
    if (s.zone != nullptr)
        timestamp::load_time_zone(&zone, s.zone);
    const char* sentence = nullptr;
    if (s.human_readable)
        sentence = s.zone == nullptr ? frame::translate("%s%s%s%s is %lld (0x%llx) %s since the Unix Epoch")
                                     : frame::translate("%s%s%s%s in %s is %lld (0x%llx) %s since the Unix Epoch");
    const line_form form = {
        s.time_format_template,
        sentence,
        timestamp::split_template(s.time_format_template),
        s.zone != nullptr ? &zone : nullptr,
    };
    timestamp::prepare_standard_output();
    timestamp::walk_operands(s.operand_count, s.operands, s.operand_file,
                             [&](const char* operand, const timestamp::operand_file* from) {
        point_in_time t;
        if (operand == nullptr) {
            t.value = timestamp::current_epoch_ns();
            if (s.selected_unit != nullptr)
                t.unit = s.selected_unit;
        } else if ((from != nullptr && operand[0] == '\0') ||  // an empty line is no timestamp
                   !read_timestamp(operand, s.selected_unit, &t)) {
            if (from == nullptr)
                frame::die("ERROR: Invalid Unix timestamp!");
            frame::die("ERROR: Invalid Unix timestamp \"%s\" on line %llu of %s!", operand, from->line_number,
                       from->path);
        }
        const char* failed_part = nullptr;
        switch (write_time_line(stdout, form, t, &failed_part)) {
        case line_result::written: break;
        case line_result::out_of_range:
            if (from == nullptr)
                frame::die("ERROR: gmtime() failed!");
            frame::die("ERROR: gmtime() failed for \"%s\" on line %llu of %s!", operand, from->line_number,
                       from->path);
        case line_result::format_failed:
            if (from == nullptr)
                frame::die("ERROR: strftime() with format template \"%s\" failed!", failed_part);
            frame::die("ERROR: strftime() with format template \"%s\" failed for \"%s\" on line %llu of %s!",
                       failed_part, operand, from->line_number, from->path);
        }
    });
    free(form.parts.prefix);
    if (s.zone != nullptr)
        timestamp::free_time_zone(&zone);
}

}  // namespace epochfmt
