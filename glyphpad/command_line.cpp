// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/command_line.hpp"

#include <cstdlib>

#include "frame/tool_frame.hpp"
#include "glyphpad/terminal.hpp"
#include "glyphpad/unescape.hpp"

namespace glyphpad {
namespace {

// The widest layout accepted; -x results beyond it are refused.
constexpr int64_t max_columns = 4096;

// Replaces the string a slot holds (if any) with a new one.
void store(char*& slot, char* decoded)
{
    free(slot);
    slot = decoded;
}

// Options with further elements take them from the argument vector at
// optind, whatever they look like; the count is tested before anything is
// stored.
bool elements_follow(int argc, int needed)
{
    return argc - optind >= needed;
}

void take_multiline_indent(int argc, char* argv[], run_settings& s)
{
    if (!elements_follow(argc, 2))
        frame::die("ERROR: Invalid arguments for multiline-indent!");
    s.indentation = integer_argument(optarg);
    char* left = unescape_argument(argv[optind]);
    char* right = unescape_argument(argv[optind + 1]);
    store(s.border_left, left);
    store(s.border_right, right);
    optind += 2;
    s.mode = output_mode::multiline_indent;
}

void take_multiline_center(int argc, char* argv[], run_settings& s)
{
    if (!elements_follow(argc, 1))
        frame::die("ERROR: Invalid arguments for multiline-center!");
    char* left = unescape_argument(optarg);
    char* right = unescape_argument(argv[optind]);
    store(s.border_left, left);
    store(s.border_right, right);
    optind += 1;
    s.mode = output_mode::multiline_center;
}

void take_separator(int argc, char* argv[], run_settings& s)
{
    if (!elements_follow(argc, 2))
        frame::die("ERROR: Invalid separator setting!");
    char* left = unescape_argument(optarg);
    char* right = unescape_argument(argv[optind + 1]);
    char* separator = unescape_argument(argv[optind]);
    store(s.border_left, left);
    store(s.border_right, right);
    store(s.text, separator);
    optind += 2;
    s.mode = output_mode::separator;
}

void take_columns(const char* argument, run_settings& s)
{
    const int64_t columns = columns_for_argument(argument, s.terminal_columns);
    if (columns > max_columns)
        frame::die("ERROR: Invalid console width %u!", static_cast<unsigned>(columns));
    s.columns = static_cast<int32_t>(columns);
}

constexpr option long_options[] = {
    {"indent", required_argument, nullptr, 'i'},
    {"multiline-indent", required_argument, nullptr, 'I'},
    {"center", no_argument, nullptr, 'c'},
    {"multiline-center", required_argument, nullptr, 'C'},
    {"separator", required_argument, nullptr, 's'},
    {"newline", no_argument, nullptr, 'n'},
    {"terminal-info", no_argument, nullptr, 't'},
    {"width", no_argument, nullptr, 'w'},
    {"length", no_argument, nullptr, 'l'},
    {"size", no_argument, nullptr, 'b'},
    {"size-length-width", no_argument, nullptr, 'a'},
    {"columns", required_argument, nullptr, 'x'},
    // The short options list '-' (a '-' at the end of a group, as in -n-,
    // comes back as that value and is ignored); this entry gives the value
    // its long form, with the only name it can have: an empty one.
    {"", no_argument, nullptr, '-'},
    FRAME_COMMON_LONG_OPTIONS,
};

}  // namespace

const frame::tool_frame program_frame = {
    "glyphpad", "glyphpad", frame::locale_step::utf8_character_test,
    "i:cI:C:s:ntwlbax:-" FRAME_COMMON_SHORT_OPTIONS, long_options, frame::usage_style::translated,
    "%s %s [-n|--newline] [-i indentation|--indent indentation] [-c|--center]"
    " [-I indentation left right|--multiline-indent indentation left right]"
    " [-C left right|--multiline-center left right]"
    " [-s border_left separator border_right|--separator border_left separator border_right]"
    " [-x columns|--columns columns] [-b|--size] [-l|--length] [-w|--width]"
    " [-a|--size-length-width] [-t|--terminal-info] [-h|--help] [-v|--version]"
    " [string]\n",
    "glyphpad %s\n",
};

int64_t columns_for_argument(const char* argument, int32_t terminal_columns)
{
    const int32_t v = static_cast<int32_t>(strtol(argument, nullptr, 10));
    if (v >= 1)
        return v;
    return static_cast<int64_t>(terminal_columns) + v;
}

int32_t integer_argument(const char* argument)
{
    // glibc's atoi is strtol cut to int: out-of-range values saturate in
    // 64 bits first, then keep their low 32 bits.
    return static_cast<int32_t>(strtol(argument, nullptr, 10));
}

run_settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = program_frame;
    run_settings s;
    terminal_size size{};
    if (query_terminal_size(size))
        s.terminal_columns = static_cast<int32_t>(size.columns);
    s.columns = s.terminal_columns;
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        switch (c) {
        case 'i':
            s.indentation = integer_argument(optarg);
            s.mode = output_mode::indent;
            break;
        case 'I': take_multiline_indent(argc, argv, s); break;
        case 'c': s.mode = output_mode::center; break;
        case 'C': take_multiline_center(argc, argv, s); break;
        case 's': take_separator(argc, argv, s); break;
        case 'n': s.newline = true; break;
        case 't': s.mode = output_mode::terminal_info; break;
        case 'w': s.mode = output_mode::width; break;
        case 'l': s.mode = output_mode::length; break;
        case 'b': s.mode = output_mode::size; break;
        case 'a': s.mode = output_mode::size_length_width; break;
        case 'x': take_columns(optarg, s); break;
        case '-': break;
        default: frame::common_option(tf, c, argv[0]);
        }
    }

    if (optind < argc) {
        if (s.text != nullptr)
            frame::print_usage(tf, argv[0], 1);
        s.text = unescape_argument(argv[optind]);
        ++optind;
    }
    for (; optind < argc; ++optind)
        frame::report_format("WARNING: Unhandled parameter %s!", argv[optind]);
    return s;
}

}  // namespace glyphpad
