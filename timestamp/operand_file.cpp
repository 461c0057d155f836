// SPDX-License-Identifier: BSD-2-Clause
#include "timestamp/operand_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace timestamp {

namespace {

// Bytes asked for by one read; after the bytes of an unfinished line (at
// most longest_operand_line) there is always room for this many, and for
// the NUL that ends a last line without a newline.
constexpr size_t read_size = 256 * 1024;
constexpr size_t buffer_size = longest_operand_line + read_size + 1;
constexpr size_t no_nul = static_cast<size_t>(-1);

// The line that begins at f->start and ends at line_end (at its newline, or
// at the end of the file) is the next operand; the one after begins at next.
const char* take_line(operand_file* f, size_t line_end, size_t next)
{
    ++f->line_number;
    if (f->nul < line_end)
        frame::die("ERROR: Line %llu of input file %s contains a NUL byte!", f->line_number, f->path);
    if (line_end - f->start > longest_operand_line)
        frame::die("ERROR: Line %llu of input file %s is longer than %zu bytes!", f->line_number,
                   f->path, longest_operand_line);
    f->buffer[line_end] = '\0';
    char* line = f->buffer + f->start;
    f->start = f->scan = next;
    return line;
}

// Moves the unfinished line to the front of the buffer and reads more after it.
void fill(operand_file* f)
{
    if (f->start > 0) {
        const size_t kept = f->end - f->start;
        memmove(f->buffer, f->buffer + f->start, kept);
        f->scan -= f->start;
        if (f->nul != no_nul)
            f->nul -= f->start;
        f->start = 0;
        f->end = kept;
    }
    ssize_t n;
    do {
        n = read(f->fd, f->buffer + f->end, buffer_size - 1 - f->end);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        frame::die("ERROR: Unable to read line %llu of input file %s: %s!", f->line_number + 1, f->path,
                   strerror(errno));
    if (n == 0) {
        f->at_end = true;
        return;
    }
    if (f->nul == no_nul) {
        if (const void* nul = memchr(f->buffer + f->end, '\0', static_cast<size_t>(n)))
            f->nul = static_cast<size_t>(static_cast<const char*>(nul) - f->buffer);
    }
    f->end += static_cast<size_t>(n);
}

}  // namespace

void open_operand_file(operand_file* f, const char* path)
{
    *f = {path, STDIN_FILENO, nullptr, 0, 0, 0, no_nul, 0, false};
    if (strcmp(path, "-") != 0) {
        f->fd = open(path, O_RDONLY | O_CLOEXEC);
        if (f->fd < 0)
            frame::die("ERROR: Unable to open input file %s: %s!", path, strerror(errno));
    }
    f->buffer = static_cast<char*>(malloc(buffer_size));
    if (f->buffer == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
}

const char* next_operand_line(operand_file* f)
{
    for (;;) {
        if (const void* newline = memchr(f->buffer + f->scan, '\n', f->end - f->scan)) {
            const auto line_end = static_cast<size_t>(static_cast<const char*>(newline) - f->buffer);
            return take_line(f, line_end, line_end + 1);
        }
        f->scan = f->end;
        if (f->end - f->start > longest_operand_line)  // too long whatever follows
            return take_line(f, f->end, f->end);
        if (f->at_end)
            return f->start == f->end ? nullptr : take_line(f, f->end, f->end);
        fill(f);
    }
}

void close_operand_file(operand_file* f)
{
    if (f->fd != STDIN_FILENO)
        close(f->fd);
    free(f->buffer);
    f->buffer = nullptr;
}

}  // namespace timestamp
