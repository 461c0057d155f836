#include "tagsnip/scanner.hpp"

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

// Eight bytes at a time: a byte equal to the newline becomes 0 after the
// XOR, and the zero-byte test below marks exactly those (no carries between
// bytes), one bit each, summed by the multiplication into the top byte.
std::int64_t count_newlines(const char* p, std::size_t size)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t low7 = 0x7f7f7f7f7f7f7f7fu;
    constexpr std::uint64_t newlines = ones * '\n';
    std::int64_t count = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        memcpy(&word, p + i, sizeof word);
        const std::uint64_t x = word ^ newlines;
        const std::uint64_t zero = ~(((x & low7) + low7) | x | low7);
        count += static_cast<std::int64_t>(((zero >> 7) * ones) >> 56);
    }
    for (; i < size; ++i)
        count += p[i] == '\n';
    return count;
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

int fill_lines(FILE* in, line_buffer& b, std::size_t& lines_end)
{
    if (b.begin > 0) {
        memmove(b.data, b.data + b.begin, b.end - b.begin);
        b.end -= b.begin;
        b.begin = 0;
    }
    // What is left from the last call is part of one line: no newline in it.
    std::size_t searched = b.end;
    for (;;) {
        if (b.at_end) {
            lines_end = b.end;
            return b.end > 0 ? 1 : 0;
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
            lines_end = static_cast<std::size_t>(static_cast<const char*>(nl) - b.data) + 1;
            return 1;
        }
        searched = b.end;
    }
}

int count_lines(FILE* in, line_buffer& b, FILE* copy, std::int64_t& count, bool& copy_failed)
{
    count = 0;
    copy_failed = false;
    b.begin = b.end = 0;
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

const char* find_tag(const char* from, const char* to, const char* tag, std::size_t length)
{
    if (to <= from || length == 0 || static_cast<std::size_t>(to - from) < length)
        return nullptr;
    const std::size_t size = static_cast<std::size_t>(to - from);
    if (length == 1)
        return static_cast<const char*>(memchr(from, tag[0], size));
    if (memchr(tag, '\n', length - 1) != nullptr)
        return nullptr;
    return static_cast<const char*>(memmem(from, size, tag, length));
}

bool needs_line_pieces(action a)
{
    return a == action::enumerate || a == action::highlight;
}

}  // namespace tagsnip
