// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/output.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "tagsnip/finish.hpp"

namespace tagsnip {

void fail_output(output_stream& out, int error)
{
    out.failed = true;
    out.used = 0;
    die("ERROR: Unable to write to output file %s: %s!", out.name, strerror(error));
}

bool write_all(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = write(fd, bytes, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (done == 0) {
            errno = EIO;
            return false;
        }
        bytes += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

bool flush_output(output_stream& out)
{
    if (out.failed) {
        errno = EIO;
        return false;
    }
    const std::size_t size = out.used;
    out.used = 0;
    if (write_all(out.fd, out.data, size))
        return true;
    out.failed = true;
    return false;
}

bool complete_output(output_stream& out)
{
    if (out.failed)
        return false;
    if (flush_output(out))
        return true;
    frame::report_format("ERROR: Unable to write to output file %s: %s!", out.name, strerror(errno));
    return false;
}

void write_output_through(output_stream& out, const char* bytes, std::size_t size)
{
    if (size == 0)
        return;
    if (out.used + size > out.capacity) {
        if (!flush_output(out))
            fail_output(out, errno);
        // A piece as large as the buffer goes straight out.
        if (size >= out.capacity) {
            if (!write_all(out.fd, bytes, size))
                fail_output(out, errno);
            return;
        }
    }
    memcpy(out.data + out.used, bytes, size);
    out.used += size;
    if (out.line_by_line && memchr(bytes, '\n', size) != nullptr && !flush_output(out))
        fail_output(out, errno);
}

void write_text(output_stream& out, const char* text)
{
    write_output(out, text, strlen(text));
}

void write_number(output_stream& out, const char* format, unsigned long long number)
{
    char digits[256];
    errno = 0;
    const int length = snprintf(digits, sizeof digits, format, number);
    if (length < 0)
        fail_output(out, errno != 0 ? errno : EOVERFLOW);
    const std::size_t size = static_cast<std::size_t>(length);
    if (size < sizeof digits) {
        write_output(out, digits, size);
        return;
    }
    // A field wider than the room here: formatted once more, in memory of its size.
    char* wide = static_cast<char*>(malloc(size + 1));
    if (wide == nullptr)
        die("ERROR: malloc() failed: %s!", strerror(errno));
    const bool formatted = snprintf(wide, size + 1, format, number) == length;
    const bool written = formatted && flush_output(out) && write_all(out.fd, wide, size);
    const int error = errno != 0 ? errno : EOVERFLOW;
    free(wide);
    if (!written)
        fail_output(out, error);
}

}  // namespace tagsnip
