// SPDX-License-Identifier: BSD-2-Clause
// The converters' standard output, set up for many short lines.
#pragma once

namespace timestamp {

// Standard output for many short lines: a large buffer unless it is a
// terminal (where lines go out one by one), and no stream locking, as the
// converters have one thread.
void prepare_standard_output();

}  // namespace timestamp
