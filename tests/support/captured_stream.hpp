// SPDX-License-Identifier: BSD-2-Clause
// A stream in memory, for unit tests of code that writes to a FILE*.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testsupport {

struct captured_stream {
    char* data = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&data, &size);
    captured_stream() = default;
    captured_stream(const captured_stream&) = delete;
    captured_stream& operator=(const captured_stream&) = delete;
    ~captured_stream()
    {
        if (stream)
            fclose(stream);
        free(data);
    }
    // Everything written so far.
    std::string text()
    {
        fflush(stream);
        return std::string(data, size);
    }
};

}  // namespace testsupport
