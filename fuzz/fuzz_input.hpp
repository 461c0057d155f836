// SPDX-License-Identifier: BSD-2-Clause
// Taking a fuzz input apart: fields ended by NUL bytes, fixed-size numbers,
// and the rest of the bytes. A field or number past the end is empty or 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fuzzinput {

struct reader {
    const std::uint8_t* data;
    std::size_t size;

    bool empty() const { return size == 0; }

    // The bytes up to the next NUL or the end; the NUL is taken too.
    std::string field()
    {
        if (size == 0)
            return std::string();
        const void* nul = memchr(data, 0, size);
        const std::size_t length = nul != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data) : size;
        std::string text(reinterpret_cast<const char*>(data), length);
        const std::size_t taken = nul != nullptr ? length + 1 : length;
        data += taken;
        size -= taken;
        return text;
    }

    // The remaining bytes, NULs included.
    std::string rest()
    {
        if (size == 0)
            return std::string();
        std::string text(reinterpret_cast<const char*>(data), size);
        data += size;
        size = 0;
        return text;
    }

    // sizeof(T) bytes in little-endian order, missing bytes as 0; an
    // integer type of up to 64 bits, cut to its width.
    template <typename T>
    T number()
    {
        static_assert(sizeof(T) <= sizeof(std::uint64_t));
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < sizeof(T) && size > 0; ++i, ++data, --size)
            value |= static_cast<std::uint64_t>(*data) << (8 * i);
        return static_cast<T>(value);
    }

    // Eight bytes as the bits of a double: any value, NaN and infinities too.
    double real()
    {
        const std::uint64_t bits = number<std::uint64_t>();
        double value;
        memcpy(&value, &bits, sizeof value);
        return value;
    }
};

// A failed property: the message on standard error, then abort(), which
// libFuzzer reports as a crash with the input that caused it.
[[noreturn]] inline void fail(const char* what, const std::string& detail = std::string())
{
    fprintf(stderr, "fuzz property failed: %s\n", what);
    if (!detail.empty())
        fprintf(stderr, "%s\n", detail.c_str());
    abort();
}

inline void expect(bool holds, const char* what)
{
    if (!holds)
        fail(what);
}

// The same with a detail, made only when the property fails.
template <typename Detail>
void expect(bool holds, const char* what, Detail detail)
{
    if (!holds)
        fail(what, detail());
}

// Bytes shown with C escapes, for the messages of failed properties.
inline std::string shown(const std::string& bytes)
{
    std::string text = "\"";
    for (unsigned char c : bytes) {
        if (c == '\\' || c == '"') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7f) {
            text += static_cast<char>(c);
        } else {
            char escape[8];
            snprintf(escape, sizeof escape, "\\x%02x", c);
            text += escape;
        }
    }
    return text + "\"";
}

// Diagnostics the code writes through stderr (warnings) go nowhere while
// one of these lives; the sanitizers' reports, written to the descriptor,
// and the properties' messages afterwards are not affected.
struct quiet_diagnostics {
    FILE* saved = stderr;
    quiet_diagnostics()
    {
        static FILE* const sink = fopen("/dev/null", "w");
        if (sink != nullptr)
            stderr = sink;
    }
    ~quiet_diagnostics() { stderr = saved; }
    quiet_diagnostics(const quiet_diagnostics&) = delete;
    quiet_diagnostics& operator=(const quiet_diagnostics&) = delete;
};

// What a stream opened with open_memstream holds; closes it.
struct memory_output {
    char* buffer = nullptr;
    std::size_t length = 0;
    FILE* stream = open_memstream(&buffer, &length);

    memory_output()
    {
        if (stream == nullptr)
            fail("open_memstream");
    }
    memory_output(const memory_output&) = delete;
    memory_output& operator=(const memory_output&) = delete;
    ~memory_output()
    {
        if (stream != nullptr)
            fclose(stream);
        free(buffer);
    }

    std::string text()
    {
        fflush(stream);
        return std::string(buffer, length);
    }
};

}  // namespace fuzzinput
