// SPDX-License-Identifier: BSD-2-Clause
// glyphpad's measuring and layout: every output mode but the terminal's,
// over any texts, borders and standard input, in a UTF-8 locale. The output
// must be what the layout rules give with widths measured independently
// (escape sequences dropped, the rest decoded and summed by wcswidth). Text
// the locale cannot decode ends the program where it is measured; such runs
// are left out here after the model has said so. The fill arithmetic is
// also checked over the whole 32-bit range.
//
// Input: a mode field (i, c, I, C, s, w, l, b or a, then a number: the
// indentation for i and I, the layout width for the others; up to two more
// numbers after commas, for the fill arithmetic), the string fields the
// mode takes (text; border, separator, border; or the two borders), then
// for I and C the lines of standard input (any bytes).
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.hpp"
#include "glyphpad/layout.hpp"
#include "glyphpad/output_modes.hpp"
#include "glyphpad/settings.hpp"

namespace {

using fuzzinput::expect;
using fuzzinput::shown;
using glyphpad::output_mode;

struct measure {
    bool valid;          // the locale decodes what is left after the escapes
    std::size_t size;    // bytes left
    std::size_t length;  // characters
    int columns;         // wcswidth, -1 for an unprintable character
    int layout_width() const { return columns < 0 ? 0 : columns; }
};

// Escape sequences run from ESC up to and including the next ASCII letter.
measure measured(const std::string& text)
{
    std::string kept;
    bool in_sequence = false;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (in_sequence)
            in_sequence = !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
        else if (c == 0x1B)
            in_sequence = true;
        else
            kept += ch;
    }
    const std::size_t length = mbstowcs(nullptr, kept.c_str(), 0);
    if (length == static_cast<std::size_t>(-1))
        return {false, kept.size(), 0, 0};
    std::vector<wchar_t> wide(length + 1);
    mbstowcs(wide.data(), kept.c_str(), length + 1);
    return {true, kept.size(), length, wcswidth(wide.data(), length)};
}

std::string spaces(std::int64_t n)
{
    return n > 0 ? std::string(static_cast<std::size_t>(n), ' ') : std::string();
}

// A right-aligned (indentation > 0) or left-aligned (< 0) field; false when
// the text is measured and cannot be decoded.
bool indented(const std::string& text, std::int32_t indentation, std::string& out)
{
    if (indentation == 0) {
        out += text;
        return true;
    }
    const measure m = measured(text);
    if (!m.valid)
        return false;
    const std::int64_t field = indentation < 0 ? -static_cast<std::int64_t>(indentation) : indentation;
    if (indentation > 0)
        out += spaces(field - m.layout_width()) + text;
    else
        out += text + spaces(field - m.layout_width());
    return true;
}

// The lines of standard input as fgets pieces of the 8192-byte buffer, each
// cut at its first CR or LF, all of them; false when a piece holds a zero
// byte, which ends the program.
bool framed_lines(const std::string& input, std::vector<std::string>& lines)
{
    std::size_t at = 0;
    while (at < input.size()) {
        std::size_t end = at;
        while (end < input.size() && end - at < glyphpad::framed_read_buffer - 1 && input[end] != '\n')
            ++end;
        if (end < input.size() && input[end] == '\n' && end - at < glyphpad::framed_read_buffer - 1)
            ++end;
        const std::string piece = input.substr(at, end - at);
        if (piece.find('\0') != std::string::npos)
            return false;
        lines.push_back(piece.substr(0, piece.find_first_of("\r\n")));
        at = end;
    }
    return true;
}

// What the mode writes; false when the program would end on text it cannot
// decode.
bool model_output(output_mode mode, std::int32_t number, const std::string& a, const std::string& b,
                  const std::string& c, const std::string& input, std::string& out)
{
    switch (mode) {
    case output_mode::indent: return indented(a, number, out);
    case output_mode::center: {
        const measure m = measured(a);
        if (!m.valid)
            return false;
        out += spaces((static_cast<std::int64_t>(number) - m.layout_width()) / 2) + a;
        return true;
    }
    case output_mode::multiline_indent:
    case output_mode::multiline_center: {
        const measure left = measured(a);
        const measure right = measured(b);
        std::vector<std::string> lines;
        if (!left.valid || !right.valid || !framed_lines(input, lines))
            return false;
        const std::int64_t borders = left.layout_width() + right.layout_width();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            out += a;
            if (mode == output_mode::multiline_indent) {
                if (!indented(lines[i], number, out))
                    return false;
            } else {
                const measure m = measured(lines[i]);
                if (!m.valid)
                    return false;
                const std::int64_t r = number - (m.layout_width() + borders);
                out += spaces(r / 2) + lines[i] + spaces(r - r / 2);
            }
            out += b;
            if (i + 1 < lines.size())
                out += '\n';
        }
        return true;
    }
    case output_mode::separator: {
        const measure left = measured(a);
        const measure piece = measured(b);
        const measure right = measured(c);
        if (!left.valid || !piece.valid || !right.valid)
            return false;
        const int width = piece.layout_width();
        const std::int64_t step = width >= 2 ? width : 1;
        out += a;
        for (std::int64_t total = left.layout_width() + right.layout_width() + step; total <= number; total += step)
            out += width > 0 ? b : " ";
        out += c;
        return true;
    }
    default: {
        const measure m = measured(a);
        if (!m.valid)
            return false;
        std::string line;
        const auto add = [&line](const std::string& value) { line += (line.empty() ? "" : " ") + value; };
        if (mode == output_mode::size || mode == output_mode::size_length_width)
            add(std::to_string(m.size));
        if (mode == output_mode::length || mode == output_mode::size_length_width)
            add(std::to_string(m.length));
        if (mode == output_mode::width || mode == output_mode::size_length_width)
            add(std::to_string(m.columns));
        out += line + "\n";
        return true;
    }
    }
}

// The fill arithmetic in 64 bits, for any 32-bit values.
void check_fills(std::int32_t x, std::int32_t y, std::int32_t z)
{
    const std::int64_t field = x < 0 ? -static_cast<std::int64_t>(x) : x;
    expect(glyphpad::field_fill(x, y) == field - y, "field fill");
    const glyphpad::fill_pair fill = glyphpad::centre_fill(x, y);
    const std::int64_t r = static_cast<std::int64_t>(x) - y;
    expect(fill.left == r / 2 && fill.left + fill.right == r, "centre fill");
    const std::int32_t step = z > 0 ? z : 1;
    const std::int64_t room = static_cast<std::int64_t>(x) - y;
    expect(glyphpad::separator_pieces(x, y, step) == (room < 0 ? 0 : room / step), "separator pieces");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool utf8_locale = setlocale(LC_ALL, "C.UTF-8") != nullptr;
    expect(utf8_locale, "the C.UTF-8 locale");
    fuzzinput::reader in{data, size};
    const std::string mode_field = in.field();
    const std::string modes = "icICswlba";
    const output_mode mode_of[] = {output_mode::indent,    output_mode::center,           output_mode::multiline_indent,
                                   output_mode::multiline_center, output_mode::separator, output_mode::width,
                                   output_mode::length,    output_mode::size,             output_mode::size_length_width};
    const std::size_t which = mode_field.empty() ? std::string::npos : modes.find(mode_field[0]);
    if (which == std::string::npos)
        return 0;
    const output_mode mode = mode_of[which];
    // Widths up to the accepted 4096 columns, indentations as large: the
    // fill is written out.
    char* next = nullptr;
    const long number = strtol(mode_field.c_str() + 1, &next, 10);
    const auto value = static_cast<std::int32_t>(number > 5000 ? 5000 : number < -5000 ? -5000 : number);
    long more[2] = {0, 0};
    for (long& n : more)
        if (*next == ',')
            n = strtol(next + 1, &next, 10);
    check_fills(static_cast<std::int32_t>(number), static_cast<std::int32_t>(more[0]),
                static_cast<std::int32_t>(more[1]));

    std::string a = in.field();
    std::string b = mode == output_mode::separator || mode == output_mode::multiline_indent ||
                            mode == output_mode::multiline_center
                        ? in.field()
                        : std::string();
    std::string c = mode == output_mode::separator ? in.field() : std::string();
    const bool framed = mode == output_mode::multiline_indent || mode == output_mode::multiline_center;
    const std::string input = framed ? in.rest() : std::string();

    std::string expected;
    if (!model_output(mode, value, a, b, c, input, expected))
        return 0;

    glyphpad::run_settings s;
    s.mode = mode;
    s.indentation = value;
    s.columns = value;
    if (framed) {
        s.border_left = a.data();
        s.border_right = b.data();
    } else if (mode == output_mode::separator) {
        s.border_left = a.data();
        s.text = b.data();
        s.border_right = c.data();
    } else {
        s.text = a.data();
    }
    FILE* standard_input =
        input.empty() ? fopen("/dev/null", "r") : fmemopen(const_cast<char*>(input.data()), input.size(), "r");
    expect(standard_input != nullptr, "a stream for standard input");
    fuzzinput::memory_output out;
    glyphpad::print_output(s, standard_input, out.stream);
    fclose(standard_input);
    const std::string written = out.text();
    expect(written == expected, "what the mode writes",
           [&] { return "written:  " + shown(written) + "\nexpected: " + shown(expected); });
    return 0;
}
