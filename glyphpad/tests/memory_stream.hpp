// SPDX-License-Identifier: BSD-2-Clause
// A FILE* that collects what a routine writes, for tests of output routines.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace glyphpad_test {

struct memory_stream {
    char* data = nullptr;
    size_t size = 0;
    FILE* file = open_memstream(&data, &size);

    memory_stream() = default;
    memory_stream(const memory_stream&) = delete;
    memory_stream& operator=(const memory_stream&) = delete;
    ~memory_stream()
    {
        if (file != nullptr)
            fclose(file);
        free(data);
    }

    // Everything written so far.
    std::string text()
    {
        fflush(file);
        return std::string(data, size);
    }
};

// A FILE* reading the given bytes (zero bytes included).
struct input_stream {
    std::string bytes;
    FILE* file;

    explicit input_stream(std::string b)
        : bytes(std::move(b)), file(bytes.empty() ? fopen("/dev/null", "r") : fmemopen(bytes.data(), bytes.size(), "r"))
    {
    }
    input_stream(const input_stream&) = delete;
    input_stream& operator=(const input_stream&) = delete;
    ~input_stream() { fclose(file); }
};

}  // namespace glyphpad_test
