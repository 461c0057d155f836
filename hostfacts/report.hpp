// SPDX-License-Identifier: BSD-2-Clause
// The report driver: the sections in their fixed order, on standard output.
#pragma once

namespace hostfacts {

// Writes the whole report. Ends the process with status 0 when the interface
// list cannot be had, and with 1 when an interface address cannot be
// converted to text.
void write_report();

}  // namespace hostfacts
