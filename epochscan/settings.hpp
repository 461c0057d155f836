// SPDX-License-Identifier: BSD-2-Clause
// epochscan's run settings, as the command line leaves them.
#pragma once

#include "timestamp/epoch_time.hpp"

namespace epochscan {

enum class number_form {
    integer_decimal,
    float_decimal,  // whole units, then the remainder as a fixed-width fraction
    integer_hexadecimal,
    integer_0x_hexadecimal,
};

struct run_settings {
    const char* time_format_template = "%Y-%m-%d %H:%M:%S";
    number_form form = number_form::integer_decimal;
    bool human_readable = false;
    const timestamp::time_unit* unit = &timestamp::nanoseconds_unit;
    const char* operand_file = nullptr;  // --file: more operands, one per line ("-": standard input)
    const char* zone = nullptr;          // --zone: text without an offset is local time there; nullptr: UTC
    int operand_count = 0;  // the command line's operands, in their order
    char* const* operands = nullptr;
};

}  // namespace epochscan
