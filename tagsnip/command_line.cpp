// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/command_line.hpp"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace tagsnip {
namespace {

// Longest --enumerate-format value that fits beside "%", "llu" and the NUL.
constexpr std::size_t longest_format_value = enumerate_format_size - 5;

void set_action(run_settings& s, action a, const char* insert_file)
{
    s.act = a;
    if (insert_file != nullptr)
        s.insert_file = insert_file;
}

// --select takes the word after its argument as to_line, whatever it looks like.
void read_selection(run_settings& s, int argc, char* argv[])
{
    if (optind >= argc)
        frame::die("ERROR: Too few arguments for line selection (--select|-s)!");
    s.from_line = atoll(optarg);
    s.to_line = atoll(argv[optind]);
    ++optind;
}

// --highlight-params takes its argument and the next five words; with fewer,
// no label changes.
void read_highlight_params(run_settings& s, int argc, char* argv[])
{
    if (argc - optind < 5)
        frame::die("ERROR: Too few arguments for highlight parameters (--highlight-params)!");
    s.highlight_begin = optarg;
    s.highlight_end = argv[optind];
    s.highlight_unmarked1 = argv[optind + 1];
    s.highlight_unmarked2 = argv[optind + 2];
    s.highlight_marked1 = argv[optind + 3];
    s.highlight_marked2 = argv[optind + 4];
    optind += 5;
}

bool works_on_lines_only(action a)
{
    return a == action::cat || a == action::discard || a == action::enumerate;
}

bool takes_blocks_out(action a)
{
    return a == action::extract || a == action::replace || a == action::remove;
}

// The built-in labels of Enumerate and Highlight without their colour
// sequences; the blank after a line number and the block marks stay.
void drop_default_colours(run_settings& s)
{
    s.enumerate_label1 = "";
    s.enumerate_label2 = " ";
    s.highlight_unmarked1 = "";
    s.highlight_unmarked2 = "";
    s.highlight_marked1 = "";
    s.highlight_marked2 = "";
}

}  // namespace

bool make_enumerate_format(const char* value, char* format)
{
    const std::size_t length = strlen(value);
    if (length > longest_format_value)
        return false;
    // Flags, then a field width that printf can take: anything after the
    // width, or a wider field, would make the number vanish.
    std::size_t i = strspn(value, "'-0");
    long long width = 0;
    for (; value[i] >= '0' && value[i] <= '9'; ++i) {
        width = width * 10 + (value[i] - '0');
        if (width > INT_MAX)
            return false;
    }
    if (i != length)
        return false;
    snprintf(format, enumerate_format_size, "%%%sllu", value);
    return true;
}

run_settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = frame::tagsnip_frame;
    run_settings s;
    // A user who asks for no colours gets none by default; labels given
    // below are still written as given.
    const char* no_color = getenv("NO_COLOR");
    if (no_color != nullptr && *no_color != '\0')
        drop_default_colours(s);
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        switch (c) {
        case 'C': set_action(s, action::cat, nullptr); break;
        case '0': set_action(s, action::discard, nullptr); break;
        case 'H': set_action(s, action::highlight, nullptr); break;
        case 'E': set_action(s, action::enumerate, nullptr); break;
        case 'X': set_action(s, action::extract, nullptr); break;
        case 'D': set_action(s, action::remove, nullptr); break;
        case 'F': set_action(s, action::insert_front, optarg); break;
        case 'B': set_action(s, action::insert_back, optarg); break;
        case 'R': set_action(s, action::replace, optarg); break;
        case 'i': s.input_file = optarg; break;
        case 'o': s.output_file = optarg; break;
        case 'a': s.append = true; break;
        case 'p': s.in_place = true; break;
        case 'k': s.keep_broken = true; break;
        case 'm': s.min_actions = atoi(optarg); break;
        case 'M': s.max_actions = atoi(optarg); break;
        case 's': read_selection(s, argc, argv); break;
        case 'b': s.begin_tag = optarg; break;
        case 'e': s.end_tag = optarg; break;
        case 't':
            s.begin_tag = optarg;
            s.end_tag = nullptr;
            break;
        case 'x': s.include_tags = false; break;
        case 'y': s.include_tags = true; break;
        case 'f': s.full_tag_lines = true; break;
        case 'g': s.full_tag_lines = false; break;
        case frame::opt_enumerate_format:
            if (!make_enumerate_format(optarg, s.enumerate_format))
                frame::die("ERROR: Invalid value for enumeration format (--enumerate-format)!");
            break;
        case frame::opt_enumerate_label1: s.enumerate_label1 = optarg; break;
        case frame::opt_enumerate_label2: s.enumerate_label2 = optarg; break;
        case frame::opt_highlight_begin: s.highlight_begin = optarg; break;
        case frame::opt_highlight_end: s.highlight_end = optarg; break;
        case frame::opt_highlight_unmarked1: s.highlight_unmarked1 = optarg; break;
        case frame::opt_highlight_unmarked2: s.highlight_unmarked2 = optarg; break;
        case frame::opt_highlight_marked1: s.highlight_marked1 = optarg; break;
        case frame::opt_highlight_marked2: s.highlight_marked2 = optarg; break;
        case frame::opt_highlight_params: read_highlight_params(s, argc, argv); break;
        case 'q': s.warnings = false; break;
        case 'h': frame::print_usage(tf, argv[0], 0);
        case 'v': frame::print_version(tf);
        case '?': frame::print_usage(tf, argv[0], 1);
        default:
            frame::report_unhandled_option(c);
            exit(1);
        }
    }
    if (optind < argc)
        frame::print_usage(tf, argv[0], 1);
    return s;
}

void normalise_settings(run_settings& s)
{
    if (s.max_actions >= 0 && s.min_actions > s.max_actions)
        frame::die("ERROR: Invalid min/max settings (--min-actions/-m/--max-actions/-M)!");

    if (s.begin_tag != nullptr && s.begin_tag[0] == '\0')
        s.begin_tag = nullptr;
    if (s.end_tag == nullptr || s.end_tag[0] == '\0' || s.begin_tag == nullptr)
        s.end_tag = s.begin_tag;
    else if (strcmp(s.end_tag, s.begin_tag) == 0)
        s.end_tag = s.begin_tag;

    if (s.begin_tag != nullptr) {
        if (s.from_line != 0 || s.to_line != 0)
            frame::die("ERROR: Line selection (--select|-s) and tags "
                       "(--begin-tag/-b/--end-tag/-e/--tag/-t) are mutually exclusive!");
        s.begin_length = strlen(s.begin_tag);
        s.end_length = strlen(s.end_tag);
    }

    if (works_on_lines_only(s.act)) {
        if (s.warnings && s.begin_tag != nullptr)
            frame::report_message("WARNING: Begin/end tags (--begin-tag/-b/--end-tag/-e/--tag/-t) "
                                  "have no effect for Cat, Discard, or Enumerate!");
        s.begin_tag = nullptr;
        s.end_tag = nullptr;
        s.begin_length = 0;
        s.end_length = 0;
    } else if (takes_blocks_out(s.act)) {
        if (s.warnings && s.begin_tag != nullptr && s.begin_tag == s.end_tag && !s.include_tags)
            frame::report_message("WARNING: Identical begin/end tags (--tag/-t) with excluded tags "
                                  "(--exclude-tags/-x) are not useful for Extract, Remove, or Replace!");
    }
}

}  // namespace tagsnip
