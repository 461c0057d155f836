// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/output_modes.hpp"

#include "glyphpad/layout.hpp"
#include "glyphpad/measure.hpp"
#include "glyphpad/terminal.hpp"

namespace glyphpad {

void run(const run_settings& s)
{
    print_output(s, stdin, stdout);
    if (s.newline)
        putchar('\n');
}

void print_output(const run_settings& s, FILE* in, FILE* out)
{
    switch (s.mode) {
    case output_mode::multiline_indent:
        print_framed_lines(in, out, s.border_left, s.border_right, s.columns, s.indentation,
                           frame_alignment::indent);
        return;
    case output_mode::multiline_center:
        print_framed_lines(in, out, s.border_left, s.border_right, s.columns, s.indentation,
                           frame_alignment::center);
        return;
    case output_mode::terminal_info:
        print_terminal_info(out);
        return;
    default:
        break;
    }

    // The remaining modes lay out or measure the text; without one they
    // write nothing.
    if (s.text == nullptr)
        return;
    switch (s.mode) {
    case output_mode::indent: print_indented(out, s.text, s.indentation); break;
    case output_mode::center: print_centered(out, s.text, s.columns); break;
    case output_mode::separator:
        print_separator(out, s.border_left, s.text, s.border_right, s.columns);
        break;
    case output_mode::width: print_measures(out, s.text, false, false, true); break;
    case output_mode::length: print_measures(out, s.text, false, true, false); break;
    case output_mode::size: print_measures(out, s.text, true, false, false); break;
    case output_mode::size_length_width: print_measures(out, s.text, true, true, true); break;
    default: break;
    }
}

}  // namespace glyphpad
