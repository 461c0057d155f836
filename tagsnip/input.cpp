// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/input.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tagsnip {
namespace {

// As many bytes as one read delivers: from the descriptor when the stream
// has one (a pipe then hands on what has arrived instead of waiting for a
// full buffer), else through stdio. -1 with errno on failure, 0 at the end.
long read_some(FILE* in, char* to, std::size_t size)
{
    const int fd = fileno(in);
    if (fd >= 0) {
        for (;;) {
            const ssize_t got = read(fd, to, size);
            if (got >= 0 || errno != EINTR)
                return got;
        }
    }
    errno = 0;
    const std::size_t got = fread(to, 1, size, in);
    if (got == 0 && ferror(in) != 0)
        return -1;
    return static_cast<long>(got);
}

bool grow(line_buffer& b)
{
    const std::size_t wanted = b.capacity * 2;
    char* bigger = static_cast<char*>(realloc(b.data, wanted));
    if (bigger == nullptr) {
        errno = ENOMEM;
        return false;
    }
    b.data = bigger;
    b.capacity = wanted;
    return true;
}

}  // namespace

bool allocate_line_buffer(line_buffer& b)
{
    b = line_buffer{};
    b.data = static_cast<char*>(malloc(line_buffer_size));
    if (b.data == nullptr)
        return false;
    b.capacity = line_buffer_size;
    return true;
}

void release_line_buffer(line_buffer& b)
{
    free(b.data);
    b = line_buffer{};
}

int next_lines(FILE* in, line_buffer& b, const char*& p, const char*& q)
{
    b.begin += b.handed;
    b.handed = 0;
    if (b.begin > 0) {
        memmove(b.data, b.data + b.begin, b.end - b.begin);
        b.end -= b.begin;
        b.begin = 0;
    }
    // What is left from the last call is part of one line: no newline in it.
    std::size_t searched = b.end;
    for (;;) {
        if (b.at_end) {
            if (b.end == 0)
                return 0;
            p = b.data;
            q = b.data + b.end;
            b.handed = b.end;
            return 1;
        }
        if (b.end == b.capacity && !grow(b))
            return -1;
        const long got = read_some(in, b.data + b.end, b.capacity - b.end);
        if (got < 0)
            return -1;
        if (got == 0) {
            b.at_end = true;
            continue;
        }
        b.end += static_cast<std::size_t>(got);
        const void* nl = memrchr(b.data + searched, '\n', b.end - searched);
        if (nl != nullptr) {
            p = b.data;
            q = static_cast<const char*>(nl) + 1;
            b.handed = static_cast<std::size_t>(q - p);
            return 1;
        }
        searched = b.end;
    }
}

int count_lines(FILE* in, line_buffer& b, FILE* copy, std::int64_t& count, bool& copy_failed)
{
    count = 0;
    copy_failed = false;
    b.begin = b.end = b.handed = 0;
    b.at_end = false;
    bool ends_in_newline = true;
    for (;;) {
        const long got = read_some(in, b.data, b.capacity);
        if (got < 0)
            return errno != 0 ? errno : EIO;
        if (got == 0)
            break;
        const std::size_t size = static_cast<std::size_t>(got);
        if (copy != nullptr && fwrite(b.data, 1, size, copy) != size) {
            copy_failed = true;
            return errno != 0 ? errno : EIO;
        }
        count += count_newlines(b.data, size);
        ends_in_newline = b.data[size - 1] == '\n';
    }
    if (!ends_in_newline)
        ++count;
    return 0;
}

// Sixteen bytes at a time: a compare gives -1 in every lane that holds a
// newline, and subtracting it counts up that lane; the byte-wide lanes are
// summed before they can overflow.
std::int64_t count_newlines(const char* p, std::size_t size)
{
    typedef unsigned char lanes __attribute__((vector_size(16)));
    const lanes newline = {'\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n',
                           '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n'};
    std::int64_t count = 0;
    std::size_t i = 0;
    while (size - i >= 64) {
        lanes sum = {};
        const std::size_t rounds = (size - i) / 64 < 63 ? (size - i) / 64 : 63;
        for (std::size_t r = 0; r < rounds; ++r, i += 64) {
            lanes a, b, c, d;
            memcpy(&a, p + i, 16);
            memcpy(&b, p + i + 16, 16);
            memcpy(&c, p + i + 32, 16);
            memcpy(&d, p + i + 48, 16);
            sum -= (lanes)(a == newline) + (lanes)(b == newline) + (lanes)(c == newline) +
                   (lanes)(d == newline);
        }
        for (int k = 0; k < 16; ++k)
            count += sum[k];
    }
    for (; i < size; ++i)
        count += p[i] == '\n';
    return count;
}

}  // namespace tagsnip
