// SPDX-License-Identifier: BSD-2-Clause
#include "epochscan/convert.hpp"

#include <cstdio>

#include "epochscan/count_output.hpp"
#include "epochscan/time_parse.hpp"
#include "frame/tool_frame.hpp"
#include "timestamp/epoch_time.hpp"
#include "timestamp/operand_walk.hpp"
#include "timestamp/standard_output.hpp"

namespace epochscan {

void run(const run_settings& s)
{
    const char* sentence_end = s.human_readable ? frame::translate(" %s since the Unix Epoch") : nullptr;
    timestamp::prepare_standard_output();
    timestamp::walk_operands(s.operand_count, s.operands, s.operand_file, [&](const char* operand) {
        timestamp::epoch_ns value = 0;
        if (operand == nullptr)
            value = timestamp::current_epoch_ns();
        else if (!parse_time_string(operand, s.time_format_template, &value))
            frame::die("ERROR: Unable to parse time string \"%s\" with format template \"%s\"!",
                       operand, s.time_format_template);
        write_count_line(stdout, value, *s.unit, s.form, sentence_end);
    });
}

}  // namespace epochscan
