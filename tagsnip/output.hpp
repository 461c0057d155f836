// The output of a run: bytes gathered in a buffer and written to a
// descriptor, interrupted and partial writes resumed. Every write of every
// action goes through write_output, so that no failure can go unseen.
#pragma once

#include <unistd.h>

#include <cstddef>

namespace tagsnip {

struct output_stream {
    int fd = STDOUT_FILENO;
    const char* name = "-";  // as named in the write-error message
    char* data = nullptr;    // the buffer, capacity bytes
    std::size_t capacity = 0;
    std::size_t used = 0;
    bool line_by_line = false;  // a terminal: each line goes out at once
    bool failed = false;        // a write failed; nothing more is written
};

// Writes all the bytes, resuming after a signal and after a partial write.
// False, with errno set, when a write fails.
bool write_all(int fd, const char* bytes, std::size_t size);

// Writes out what is buffered. False, with errno set, when that fails; the
// stream is then marked failed and its buffer dropped.
bool flush_output(output_stream& out);

// Writes out what is still buffered, unless a write failed before. False
// after reporting the write error, or when one was reported before.
bool complete_output(output_stream& out);

// The checked write of the output: a failure ends the run with "ERROR:
// Unable to write to output file %s: %s!" through the clean-up.
void write_output(output_stream& out, const char* bytes, std::size_t size);
void write_text(output_stream& out, const char* text);

// The line number through the --enumerate-format conversion; a conversion
// that fails ends the run as a failed write does.
void write_number(output_stream& out, const char* format, unsigned long long number);

}  // namespace tagsnip
