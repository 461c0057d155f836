// SPDX-License-Identifier: BSD-2-Clause
// hostfacts's settings, filled by the option loop.
#pragma once

#include <cstdint>

namespace hostfacts {

struct run_settings {
    // The compatibility version the report is written in: the last -c.
    std::uint32_t compatibility = 0;
};

}  // namespace hostfacts
