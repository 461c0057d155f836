// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/output.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace tagsnip {

namespace {

constexpr std::size_t compare_piece_size = 65536;

// All of [at, at + size) of the descriptor, or false (errno set; EIO when
// the file ends before).
bool read_all_at(int fd, char* to, std::size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t got = pread(fd, to, size, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO;
            return false;
        }
        to += got;
        size -= static_cast<std::size_t>(got);
        at += got;
    }
    return true;
}

// Whether the bytes are what the input holds where the output stands.
bool matches_input(const output_stream& out, const char* bytes, std::size_t size)
{
    char piece[compare_piece_size];
    off_t at = out.same_length;
    while (size > 0) {
        const std::size_t n = size < sizeof piece ? size : sizeof piece;
        if (!read_all_at(out.same_as, piece, n, at) || memcmp(piece, bytes, n) != 0)
            return false;
        bytes += n;
        size -= n;
        at += static_cast<off_t>(n);
    }
    return true;
}

// The input's first bytes onto the output, through pread and write.
bool copy_start_by_reading(const output_stream& out, off_t from)
{
    char piece[compare_piece_size];
    while (from < out.same_length) {
        const off_t left = out.same_length - from;
        const std::size_t n = left < static_cast<off_t>(sizeof piece) ? static_cast<std::size_t>(left) : sizeof piece;
        if (!read_all_at(out.same_as, piece, n, from) || !write_all(out.fd, piece, n))
            return false;
        from += static_cast<off_t>(n);
    }
    return true;
}

// A field's padding, a piece at a time.
void write_padding(output_stream& out, char pad, std::size_t size)
{
    char piece[4096];
    memset(piece, pad, size < sizeof piece ? size : sizeof piece);
    while (size > 0) {
        const std::size_t n = size < sizeof piece ? size : sizeof piece;
        write_output(out, piece, n);
        size -= n;
    }
}

// The locale's grouping is the C library's to know: the number goes
// through printf, in a buffer of its size when the field is wide.
void write_grouped_number(output_stream& out, const number_format& format, unsigned long long number)
{
    const char* conversion = format.left ? "%'-*llu" : format.zeros ? "%'0*llu" : "%'*llu";
    char digits[256];
    errno = 0;
    const int length = snprintf(digits, sizeof digits, conversion, format.width, number);
    if (length < 0)
        fail_output(out, errno != 0 ? errno : EOVERFLOW);
    const std::size_t size = static_cast<std::size_t>(length);
    if (size < sizeof digits) {
        write_output(out, digits, size);
        return;
    }
    char* wide = static_cast<char*>(malloc(size + 1));
    if (wide == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
    const bool formatted = snprintf(wide, size + 1, conversion, format.width, number) == length;
    const bool written = formatted && flush_output(out) && put_bytes(out, wide, size);
    const int error = errno != 0 ? errno : EOVERFLOW;
    free(wide);
    if (!written)
        fail_output(out, error);
}

}  // namespace

void report_write_error(const output_stream& out, int error)
{
    if (out.name == nullptr)
        frame::report_format("ERROR: Unable to write to standard output: %s!", strerror(error));
    else
        frame::report_format("ERROR: Unable to write to output file %s: %s!", out.name, strerror(error));
}

void fail_output(output_stream& out, int error)
{
    out.failed = true;
    out.used = 0;
    report_write_error(out, error);
    frame::finish(1);
}

bool stop_comparing(output_stream& out)
{
    if (out.same_as < 0)
        return true;
    // In the kernel where it can be done; the input's own offset, which the
    // scan reads on, stays where it is.
    off_t from = 0;
    while (from < out.same_length) {
        const ssize_t copied = copy_file_range(out.same_as, &from, out.fd, nullptr,
                                               static_cast<std::size_t>(out.same_length - from), 0);
        if (copied > 0)
            continue;
        if (copied == 0) {
            errno = EIO;  // the input was cut short meanwhile
            return false;
        }
        if (errno == EINTR)
            continue;
        if (errno != EINVAL && errno != ENOSYS && errno != EXDEV && errno != EOPNOTSUPP && errno != ENOTSUP &&
            errno != EBADF && errno != EPERM)
            return false;
        if (!copy_start_by_reading(out, from))
            return false;
        break;
    }
    out.same_as = -1;
    return true;
}

bool equals_whole_input(const output_stream& out)
{
    char next;
    for (;;) {
        const ssize_t got = pread(out.same_as, &next, 1, out.same_length);
        if (got < 0 && errno == EINTR)
            continue;
        return got == 0;
    }
}

bool put_bytes(output_stream& out, const char* bytes, std::size_t size)
{
    if (out.same_as >= 0) {
        if (matches_input(out, bytes, size)) {
            out.same_length += static_cast<off_t>(size);
            return true;
        }
        if (!stop_comparing(out))
            return false;
    }
    return write_all(out.fd, bytes, size);
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
    if (put_bytes(out, out.data, size))
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
    report_write_error(out, errno);
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
            if (!put_bytes(out, bytes, size))
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

void write_number(output_stream& out, const number_format& format, unsigned long long number)
{
    if (format.grouping) {
        write_grouped_number(out, format, number);
        return;
    }
    char digits[max_decimal_digits];
    const int count = put_decimal_digits(number, digits + sizeof digits);
    const std::size_t padding = format.width > count ? static_cast<std::size_t>(format.width - count) : 0;
    if (!format.left)
        write_padding(out, format.zeros ? '0' : ' ', padding);
    write_output_through(out, digits + sizeof digits - count, static_cast<std::size_t>(count));
    if (format.left)
        write_padding(out, ' ', padding);
}

}  // namespace tagsnip
