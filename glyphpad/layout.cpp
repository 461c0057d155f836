// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/layout.hpp"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "glyphpad/measure.hpp"

namespace glyphpad {
namespace {

constexpr size_t blank_block_size = 4096;

// One piece of the input as fgets reads it into a buffer of
// framed_read_buffer bytes: up to and including a newline, at most the
// buffer less its terminating zero, or up to the end of input. Unlike fgets
// it says how many bytes it read, so a zero byte cannot pass for the end of
// the piece. 0 at the end of input; -1 on a read error, with errno kept.
ptrdiff_t read_piece(FILE* in, char piece[framed_read_buffer])
{
    ptrdiff_t n = 0;
    while (n + 1 < framed_read_buffer) {
        const int c = getc_unlocked(in);
        if (c == EOF) {
            if (ferror(in) != 0)
                return -1;
            break;
        }
        piece[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    piece[n] = '\0';
    return n;
}

// Left border first, then right: a border the locale cannot decode is
// reported in that order.
int64_t border_widths(const char* border_left, const char* border_right)
{
    const int64_t left = display_width(border_left);
    return left + display_width(border_right);
}

}  // namespace

void print_spaces(FILE* out, int64_t n)
{
    char blanks[blank_block_size];
    memset(blanks, ' ', sizeof blanks);
    while (n > 0 && ferror(out) == 0) {
        const size_t chunk = static_cast<size_t>(std::min<int64_t>(n, blank_block_size));
        fwrite(blanks, 1, chunk, out);
        n -= static_cast<int64_t>(chunk);
    }
}

int64_t field_fill(int32_t indentation, int32_t width)
{
    const int64_t field = indentation < 0 ? -static_cast<int64_t>(indentation) : indentation;
    return field - width;
}

fill_pair centre_fill(int64_t columns, int64_t used)
{
    const int64_t remainder = columns - used;
    const int64_t left = remainder / 2;  // toward zero: -3 gives -1
    return {left, remainder - left};
}

int64_t separator_pieces(int32_t columns, int64_t borders, int32_t step)
{
    const int64_t room = static_cast<int64_t>(columns) - borders;
    return room < 0 ? 0 : room / step;
}

namespace {

// The text in the field of print_indented, its width measured beforehand
// (unused for indentation 0).
void print_in_field(FILE* out, const char* text, int32_t indentation, int32_t width)
{
    if (indentation > 0)
        print_spaces(out, field_fill(indentation, width));
    fputs(text, out);
    if (indentation < 0)
        print_spaces(out, field_fill(indentation, width));
}

}  // namespace

void print_indented(FILE* out, const char* text, int32_t indentation)
{
    if (indentation >= 0) {
        print_in_field(out, text, indentation, indentation > 0 ? display_width(text) : 0);
    } else {
        // The text goes out before it is measured.
        fputs(text, out);
        print_spaces(out, field_fill(indentation, display_width(text)));
    }
}

void print_centered(FILE* out, const char* text, int32_t columns)
{
    print_spaces(out, centre_fill(columns, display_width(text)).left);
    fputs(text, out);
}

void print_framed_lines(FILE* in, FILE* out, const char* border_left, const char* border_right,
                        int32_t columns, int32_t indentation, frame_alignment alignment)
{
    const int64_t borders = border_widths(border_left, border_right);
    const bool measured = alignment == frame_alignment::center || indentation != 0;
    char piece[framed_read_buffer];
    unsigned long long line = 1;  // of the input; a long one comes in several pieces
    bool first = true;
    ptrdiff_t n;
    while ((n = read_piece(in, piece)) > 0) {
        if (memchr(piece, '\0', static_cast<size_t>(n)) != nullptr)
            frame::die("ERROR: Line %llu of standard input contains a NUL byte!", line);
        if (piece[n - 1] == '\n')
            ++line;
        piece[strcspn(piece, "\r\n")] = '\0';
        // Measured before anything of it is written: a line the locale
        // cannot decode ends the run after the lines before it, whole.
        const int32_t width = measured ? display_width(piece) : 0;
        if (!first)
            fputc('\n', out);
        first = false;
        fputs(border_left, out);
        if (alignment == frame_alignment::indent) {
            print_in_field(out, piece, indentation, width);
        } else {
            const fill_pair fill = centre_fill(columns, borders + width);
            print_spaces(out, fill.left);
            fputs(piece, out);
            print_spaces(out, fill.right);
        }
        fputs(border_right, out);
    }
    if (n < 0)
        frame::die("ERROR: Read error: %s!", strerror(errno));
}

void print_separator(FILE* out, const char* border_left, const char* separator,
                     const char* border_right, int32_t columns)
{
    const int64_t borders = border_widths(border_left, border_right);
    const int32_t width = display_width(separator);
    const char* piece = width > 0 ? separator : " ";
    const int32_t step = width >= 2 ? width : 1;
    fputs(border_left, out);
    for (int64_t n = separator_pieces(columns, borders, step); n > 0; --n)
        fputs(piece, out);
    fputs(border_right, out);
}

}  // namespace glyphpad
