// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/layout.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "glyphpad/measure.hpp"

namespace glyphpad {
namespace {

constexpr size_t blank_block_size = 4096;

// Reads the input as fgets pieces, each cut at its first CR or LF, into
// lines; stops after the limit, at the end of input or at a read error.
int read_framed_lines(FILE* in, char* lines[])
{
    char buffer[framed_read_buffer];
    int count = 0;
    while (count < max_framed_lines && fgets(buffer, sizeof buffer, in) != nullptr) {
        buffer[strcspn(buffer, "\r\n")] = '\0';
        lines[count] = strdup(buffer);
        if (lines[count] == nullptr)
            frame::die("ERROR: malloc() failed: %s!", strerror(errno));
        ++count;
    }
    return count;
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

void print_indented(FILE* out, const char* text, int32_t indentation)
{
    if (indentation > 0) {
        print_spaces(out, field_fill(indentation, display_width(text)));
        fputs(text, out);
    } else if (indentation == 0) {
        fputs(text, out);
    } else {
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
    char* lines[max_framed_lines];
    const int count = read_framed_lines(in, lines);
    const int64_t borders = border_widths(border_left, border_right);
    for (int i = 0; i < count; ++i) {
        fputs(border_left, out);
        if (alignment == frame_alignment::indent) {
            print_indented(out, lines[i], indentation);
        } else {
            const fill_pair fill = centre_fill(columns, borders + display_width(lines[i]));
            print_spaces(out, fill.left);
            fputs(lines[i], out);
            print_spaces(out, fill.right);
        }
        fputs(border_right, out);
        if (i + 1 < count)
            fputc('\n', out);
        free(lines[i]);
    }
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
