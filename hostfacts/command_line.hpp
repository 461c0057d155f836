// SPDX-License-Identifier: BSD-2-Clause
// hostfacts's command line: -h, -v and the compatibility check of -c.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "frame/tool_frame.hpp"
#include "hostfacts/settings.hpp"

namespace hostfacts {

// The program's name, options, usage and version lines, for the frame.
extern const frame::tool_frame program_frame;

// The requested compatibility version of a -c argument: atoll's value
// reduced to its low 32 bits.
inline std::uint32_t requested_version(const char* argument)
{
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(atoll(argument)));
}

// Runs the option loop; ends the process on --help, --version, errors,
// a compatibility version above the available one, and operands.
run_settings parse_command_line(int argc, char* argv[]);

}  // namespace hostfacts
