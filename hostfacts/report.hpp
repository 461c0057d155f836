// SPDX-License-Identifier: BSD-2-Clause
// The report driver: the sections in their fixed order, on standard output.
#pragma once

#include "hostfacts/settings.hpp"

namespace hostfacts {

// Writes the whole report in the settings' compatibility version and gives
// the exit status it ends with: 0 when it ran to its end, also when the
// interface list cannot be had (the report ends there); 1 when an interface
// address cannot be converted to text (the report ends at that address).
int write_report(const run_settings& s);

}  // namespace hostfacts
