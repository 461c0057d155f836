// SPDX-License-Identifier: BSD-2-Clause
#include "timestamp/template_split.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace timestamp {

bool find_seconds_field(const char* time_template, size_t* prefix_length)
{
    for (const char* p = time_template; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == '\0')
            return false;
        if (p[1] == 'S') {
            *prefix_length = static_cast<size_t>(p - time_template);
            return true;
        }
        ++p;  // the conversion character, whatever it is
    }
    return false;
}

template_parts split_template(const char* time_template)
{
    size_t length = 0;
    if (!find_seconds_field(time_template, &length))
        return {false, nullptr, nullptr};
    char* prefix = static_cast<char*>(malloc(length + 1));
    if (prefix == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
    memcpy(prefix, time_template, length);
    prefix[length] = '\0';
    return {true, prefix, time_template + length + 2};
}

}  // namespace timestamp
