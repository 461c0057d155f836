// SPDX-License-Identifier: BSD-2-Clause
// dozejitter's run settings, as the command line leaves them.
#pragma once

namespace dozejitter {

struct run_settings {
    double min_delay = 0;
    double max_delay = 0;
    bool verbose = false;
};

}  // namespace dozejitter
