// SPDX-License-Identifier: BSD-2-Clause
#include "epochscan/convert.hpp"

#include <cstdio>

#include "epochscan/count_output.hpp"
#include "epochscan/time_text_parse.hpp"
#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"
#include "timestamp/operand_walk.hpp"
#include "timestamp/standard_output.hpp"
#include "timestamp/time_zone.hpp"

namespace epochscan {

void run(const run_settings& s)
{
    timestamp::time_zone zone;
    if (s.zone != nullptr)
        timestamp::load_time_zone(&zone, s.zone);
    // Text is local time of the zone unless it tells its instant itself.
    const bool local_time =
        s.zone != nullptr && !zone.is_utc && !template_gives_instant(s.time_format_template);
    const char* sentence_end = s.human_readable ? frame::translate(" %s since the Unix Epoch") : nullptr;
    timestamp::prepare_standard_output();
    timestamp::walk_operands(s.operand_count, s.operands, s.operand_file,
                             [&](const char* operand, const timestamp::operand_file* from) {
        timestamp::epoch_ns value = 0;
        if (operand == nullptr) {
            value = timestamp::current_epoch_ns();
        } else if ((from != nullptr && operand[0] == '\0') ||  // an empty line is no time
                   !parse_time_string(operand, s.time_format_template, &value)) {
            if (from == nullptr)
                frame::die("ERROR: Unable to parse time string \"%s\" with format template \"%s\"!", operand,
                           s.time_format_template);
            frame::die("ERROR: Unable to parse time string \"%s\" on line %llu of %s with format template \"%s\"!",
                       operand, from->line_number, from->path, s.time_format_template);
        } else if (local_time) {
            const timestamp::seconds_split local = timestamp::split_seconds(value);
            int64_t instant = 0;
            if (!timestamp::instant_of_local(&zone, local.seconds, &instant)) {
                if (from == nullptr)
                    frame::die("ERROR: The local time \"%s\" does not exist in time zone \"%s\"!", operand,
                               s.zone);
                frame::die("ERROR: The local time \"%s\" on line %llu of %s does not exist in time zone \"%s\"!",
                           operand, from->line_number, from->path, s.zone);
            }
            value = timestamp::from_seconds(instant, local.nanoseconds);
        }
        write_count_line(stdout, value, *s.unit, s.form, sentence_end);
    });
    if (s.zone != nullptr)
        timestamp::free_time_zone(&zone);
}

}  // namespace epochscan
