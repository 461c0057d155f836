// SPDX-License-Identifier: BSD-2-Clause
#include "timestamp/standard_output.hpp"

#include <unistd.h>
#if defined(__GLIBC__)
#include <stdio_ext.h>
#endif

#include <cstdio>

namespace timestamp {

void prepare_standard_output()
{
    if (!isatty(STDOUT_FILENO))
        setvbuf(stdout, nullptr, _IOFBF, 64 * 1024);
#if defined(__GLIBC__)
    __fsetlocking(stdout, FSETLOCKING_BYCALLER);
#endif
}

}  // namespace timestamp
