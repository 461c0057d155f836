// SPDX-License-Identifier: BSD-2-Clause
// The output of a run: bytes gathered in a buffer and written to a
// descriptor, interrupted and partial writes resumed. Every write of every
// action goes through write_output, so that no failure can go unseen.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tagsnip/settings.hpp"

namespace tagsnip {

struct output_stream {
    int fd = STDOUT_FILENO;
    const char* name = nullptr;  // as named in the write-error message; null: standard output
    char* data = nullptr;    // the buffer, capacity bytes
    std::size_t capacity = 0;
    std::size_t used = 0;
    bool line_by_line = false;  // a terminal: each line goes out at once
    bool failed = false;        // a write failed; nothing more is written
    // An in-place update: the input's descriptor while every byte of the
    // output so far equals the input's byte at the same place (then nothing
    // is written yet), else -1.
    int same_as = -1;
    off_t same_length = 0;  // bytes of the output that equal the input's start
};

// Writes all the bytes, resuming after a signal and after a partial write.
// False, with errno set, when a write fails.
bool write_all(int fd, const char* bytes, std::size_t size);

// Bytes that go out to the output's descriptor: while the output equals
// the input's start they are only compared with the input; at the first
// difference the equal start is copied to the output, and from there on
// everything is written. False, with errno set, when that fails.
bool put_bytes(output_stream& out, const char* bytes, std::size_t size);

// The equal start copied to the output, which from then on is written.
// False, with errno set, when that fails.
bool stop_comparing(output_stream& out);

// Whether the whole output, complete, equals the whole input: compared to
// the input's end. Only for an output that compared equal up to here.
bool equals_whole_input(const output_stream& out);

// The write-error line for the stream, which names the output file, or
// standard output.
void report_write_error(const output_stream& out, int error);

// Writes out what is buffered. False, with errno set, when that fails; the
// stream is then marked failed and its buffer dropped.
bool flush_output(output_stream& out);

// Writes out what is still buffered, unless a write failed before. False
// after reporting the write error, or when one was reported before.
bool complete_output(output_stream& out);

// Marks the stream failed, drops its buffer and ends the run with "ERROR:
// Unable to write to output file %s: %s!" through the clean-up.
[[noreturn]] void fail_output(output_stream& out, int error);

// write_output for what does not simply fit in the buffer: it is flushed
// first, a piece as large as the buffer goes straight out, and a terminal's
// line goes out at once.
void write_output_through(output_stream& out, const char* bytes, std::size_t size);

// A copy of the short texts that make up most lines, in moves of fixed size
// (which the compiler does inline) that overlap where they meet.
inline void copy_short(char* to, const char* from, std::size_t n)
{
    if (n >= 16 && n <= 64) {
        char x[64];
        memcpy(x, from, 16);
        memcpy(x + 16, from + n - 16, 16);
        if (n > 32) {
            memcpy(x + 32, from + 16, 16);
            memcpy(x + 48, from + n - 32, 16);
            memcpy(to + 16, x + 32, 16);
            memcpy(to + n - 32, x + 48, 16);
        }
        memcpy(to, x, 16);
        memcpy(to + n - 16, x + 16, 16);
    } else if (n >= 8 && n < 16) {
        std::uint64_t x, y;
        memcpy(&x, from, 8);
        memcpy(&y, from + n - 8, 8);
        memcpy(to, &x, 8);
        memcpy(to + n - 8, &y, 8);
    } else if (n < 8) {
        for (std::size_t i = 0; i < n; ++i)
            to[i] = from[i];
    } else {
        memcpy(to, from, n);
    }
}

// The checked write of the output: a failure ends the run through
// fail_output. What fits in the buffer is copied there inline; the labelled
// actions write several short texts for every line.
inline void write_output(output_stream& out, const char* bytes, std::size_t size)
{
    if (size <= out.capacity - out.used && !out.line_by_line) {
        copy_short(out.data + out.used, bytes, size);
        out.used += size;
        return;
    }
    write_output_through(out, bytes, size);
}

void write_text(output_stream& out, const char* text);

// Room for the decimal digits of any 64-bit number.
inline constexpr int max_decimal_digits = 20;

// The decimal digits of n, put backwards from end (room for
// max_decimal_digits); returns their count.
inline int put_decimal_digits(unsigned long long n, char* end)
{
    int count = 0;
    do {
        *--end = static_cast<char>('0' + n % 10);
        ++count;
        n /= 10;
    } while (n != 0);
    return count;
}

// The line number in its field as the format says; a grouped number as the
// C library groups it in the locale's numbers, and a conversion of it that
// fails ends the run as a failed write does.
void write_number(output_stream& out, const number_format& format, unsigned long long number);

}  // namespace tagsnip
