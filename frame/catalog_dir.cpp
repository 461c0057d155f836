// SPDX-License-Identifier: BSD-2-Clause
#include "frame/tool_frame.hpp"

#ifndef SUITE_LOCALEDIR
#error "SUITE_LOCALEDIR must name the catalog directory"
#endif

namespace frame {
const char* const catalog_dir = SUITE_LOCALEDIR;
}
