// SPDX-License-Identifier: BSD-2-Clause
// The converters' operands in the order they take them: the command line's,
// then the lines of the operand file, or else the current time.
#pragma once

#include "timestamp/operand_file.hpp"

namespace timestamp {

// Converts each operand in order, then each line of the operand file (when
// its path is not nullptr), or else, with neither, the current time once.
// convert gets the operand, nullptr for the current time, and the file it
// comes from (its path and the line's number), nullptr for the command
// line's. The file is opened before anything is converted.
template <typename Convert>  // void convert(const char* operand, const operand_file* from)
void walk_operands(int count, char* const* operands, const char* file_path, Convert convert)
{
    if (count == 0 && file_path == nullptr) {
        convert(nullptr, nullptr);
        return;
    }
    operand_file file{};
    if (file_path != nullptr)
        open_operand_file(&file, file_path);
    for (int i = 0; i < count; ++i)
        convert(operands[i], nullptr);
    if (file_path == nullptr)
        return;
    while (const char* line = next_operand_line(&file))
        convert(line, &file);
    close_operand_file(&file);
}

}  // namespace timestamp
