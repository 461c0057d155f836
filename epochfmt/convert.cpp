// SPDX-License-Identifier: BSD-2-Clause
#include "epochfmt/convert.hpp"

#include <cstdio>
#include <cstdlib>

#include "epochfmt/time_text.hpp"
#include "epochfmt/timestamp_parse.hpp"
#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"
#include "timestamp/operand_walk.hpp"
#include "timestamp/standard_output.hpp"
#include "timestamp/template_split.hpp"

namespace epochfmt {

void run(const run_settings& s)
{
    const line_form form = {
        s.time_format_template,
        s.human_readable ? frame::translate("%s%s%s%s is %lld (0x%llx) %s since the Unix Epoch")
                         : nullptr,
        timestamp::split_template(s.time_format_template),
    };
    timestamp::prepare_standard_output();
    timestamp::walk_operands(s.operand_count, s.operands, s.operand_file, [&](const char* operand) {
        point_in_time t;
        if (operand == nullptr) {
            t.value = timestamp::current_epoch_ns();
            if (s.selected_unit != nullptr)
                t.unit = s.selected_unit;
        } else if (!read_timestamp(operand, s.selected_unit, &t)) {
            frame::die("ERROR: Invalid Unix timestamp!");
        }
        write_time_line(stdout, form, t);
    });
    free(form.parts.prefix);
}

}  // namespace epochfmt
