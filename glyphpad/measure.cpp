// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/measure.hpp"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace glyphpad {
namespace {

constexpr char escape_byte = '\x1B';

// Only an ASCII letter ends an escape sequence, in every locale: bytes from
// 0x80 up may be letters in a single-byte locale but never end one here.
bool ends_escape_sequence(unsigned char c)
{
    return c < 0x80 && isalpha(c) != 0;
}

void* allocate(size_t bytes)
{
    void* p = malloc(bytes);
    if (p == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
    return p;
}

}  // namespace

wide_text strip_to_wide(const char* text)
{
    frame::use_utf8_characters();
    const size_t length = strlen(text);
    char* kept = static_cast<char*>(allocate(length + 1));
    size_t size = 0;
    bool in_sequence = false;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (in_sequence) {
            in_sequence = !ends_escape_sequence(c);
        } else if (c == escape_byte) {
            in_sequence = true;
        } else {
            kept[size++] = static_cast<char>(c);
        }
    }
    kept[size] = '\0';

    wide_text result{static_cast<wchar_t*>(allocate((size + 1) * sizeof(wchar_t))), size, 0};
    result.length = mbstowcs(result.chars, kept, size);
    const int error = errno;
    free(kept);
    if (result.length == static_cast<size_t>(-1)) {
        free(result.chars);
        frame::die("ERROR: mbstowcs() failed: %s!", strerror(error));
    }
    return result;
}

int32_t display_width(const char* text)
{
    const wide_text w = strip_to_wide(text);
    const int columns = wcswidth(w.chars, w.length);
    free(w.chars);
    return columns < 0 ? 0 : columns;
}

void print_measures(FILE* out, const char* text, bool size, bool length, bool width)
{
    const wide_text w = strip_to_wide(text);
    const char* lead_in = "";
    if (size) {
        fprintf(out, "%zu", w.size);
        lead_in = " ";
    }
    if (length) {
        fprintf(out, "%s%zu", lead_in, w.length);
        lead_in = " ";
    }
    if (width)
        fprintf(out, "%s%d", lead_in, wcswidth(w.chars, w.length));
    fputc('\n', out);
    free(w.chars);
}

}  // namespace glyphpad
