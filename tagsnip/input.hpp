// tagsnip's input: runs of whole lines for the scanner, and the counting
// pass. A regular file is mapped a window of a few MiB at a time and its
// bytes are handed on where they lie; anything else (a pipe, a terminal, a
// file that cannot be mapped) is read into a buffer that grows with the
// longest line.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tagsnip {

inline constexpr std::size_t line_buffer_size = 256 * 1024;
inline constexpr std::size_t input_window_size = 4 * 1024 * 1024;

struct line_buffer {
    // Read into memory: [begin, end) read and not yet handed on.
    char* data = nullptr;
    std::size_t capacity = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool at_end = false;
    std::size_t handed = 0;  // bytes handed on by the last call, consumed by the next

    // Mapped: the bytes [map_offset, map_offset + map_length) of the file
    // mapped_fd are mapped at map; next is the offset of the first byte not
    // yet handed on.
    bool may_map = true;  // false: always read
    std::size_t window = input_window_size;  // rounded up to whole pages when used
    int mapped_fd = -1;
    char* map = nullptr;
    std::size_t map_length = 0;
    off_t map_offset = 0;
    off_t next = 0;
    bool started = false;  // the first call chose between mapping and reading
};

// malloc of line_buffer_size bytes; false (errno set) when there is no memory.
bool allocate_line_buffer(line_buffer& b);
// Frees the buffer and ends any mapping.
void release_line_buffer(line_buffer& b);

// The next run of whole lines [p, q), each ending in a newline, or at the
// end of the input its last bytes; the bytes stay valid until the next call.
// Returns 1 when there are bytes, 0 at the end of the input, -1 on a read
// error (errno set; a buffer that cannot grow is ENOMEM; a mapped file cut
// short under the mapping is EIO). A regular file is mapped from the
// descriptor's offset on, and at the end that offset is left after the
// last byte handed on, as reading would have left it.
int next_lines(FILE* in, line_buffer& b, const char*& p, const char*& q);

// The counting pass: reads the whole input and counts its lines (a last
// line without newline counts). When copy is not null every byte read is
// also written to it. Returns 0, or the error number of a failed read;
// a failed write to the copy sets copy_failed and returns its error number.
int count_lines(FILE* in, line_buffer& b, FILE* copy, std::int64_t& count, bool& copy_failed);

// Whether a mapped input file was found shorter than the bytes mapped from
// it (cut while it was being read): a touch of a lost page was caught.
// Whatever was mapped beyond the new end reads as zero bytes from then on;
// the run must end with a read error. Cheap enough for every write.
bool input_cut_short();

// The same, also asking the file for its size now: a write straight from
// the mapping fails instead of faulting when the pages it would copy are
// gone. For after a failed write.
bool input_cut_short_now();

// Number of newline bytes in [p, p + size).
std::int64_t count_newlines(const char* p, std::size_t size);

}  // namespace tagsnip
