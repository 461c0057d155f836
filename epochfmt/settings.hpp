// SPDX-License-Identifier: BSD-2-Clause
// epochfmt's run settings, as the command line leaves them.
#pragma once

#include "timestamp/epoch_time.hpp"

namespace epochfmt {

struct run_settings {
    const char* time_format_template = "%Y-%m-%d %H:%M:%S";
    bool human_readable = false;
    const timestamp::time_unit* selected_unit = nullptr;  // nullptr: recognised per operand
    const char* operand_file = nullptr;  // --file: more operands, one per line ("-": standard input)
    const char* zone = nullptr;          // --zone: local time of this zone; nullptr: UTC
    int operand_count = 0;  // the command line's operands, in their order
    char* const* operands = nullptr;
};

}  // namespace epochfmt
