// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/command_line.hpp"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace tagsnip {
namespace {

// The longest --enumerate-format value taken, in bytes.
constexpr std::size_t longest_format_value = 123;

void set_action(run_settings& s, action a, const char* insert_file)
{
    s.act = a;
    s.ensure_block = false;
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


constexpr option long_options[] = {
    {"cat", no_argument, nullptr, 'C'},
    {"discard", no_argument, nullptr, '0'},
    {"highlight", no_argument, nullptr, 'H'},
    {"enumerate", no_argument, nullptr, 'E'},
    {"extract", no_argument, nullptr, 'X'},
    {"delete", no_argument, nullptr, 'D'},
    {"remove", no_argument, nullptr, 'D'},
    {"insert-front", required_argument, nullptr, 'F'},
    {"insert-back", required_argument, nullptr, 'B'},
    {"replace", required_argument, nullptr, 'R'},
    {"input", required_argument, nullptr, 'i'},
    {"output", required_argument, nullptr, 'o'},
    {"append", no_argument, nullptr, 'a'},
    {"in-place", no_argument, nullptr, 'p'},
    {"keep-broken", no_argument, nullptr, 'k'},
    {"min-actions", required_argument, nullptr, 'm'},
    {"max-actions", required_argument, nullptr, 'M'},
    {"select", required_argument, nullptr, 's'},
    {"begin-tag", required_argument, nullptr, 'b'},
    {"end-tag", required_argument, nullptr, 'e'},
    {"tag", required_argument, nullptr, 't'},
    {"exclude-tags", no_argument, nullptr, 'x'},
    {"include-tags", no_argument, nullptr, 'y'},
    {"full-tag-lines", no_argument, nullptr, 'f'},
    {"tags-only", no_argument, nullptr, 'g'},
    {"exact-tag-lines", no_argument, nullptr, opt_exact_tag_lines},
    {"strict-blocks", no_argument, nullptr, opt_strict_blocks},
    {"ensure-block", required_argument, nullptr, opt_ensure_block},
    {"enumerate-format", required_argument, nullptr, opt_enumerate_format},
    {"enumerate-label1", required_argument, nullptr, opt_enumerate_label1},
    {"enumerate-label2", required_argument, nullptr, opt_enumerate_label2},
    {"highlight-begin", required_argument, nullptr, opt_highlight_begin},
    {"highlight-end", required_argument, nullptr, opt_highlight_end},
    {"highlight-unmarked1", required_argument, nullptr, opt_highlight_unmarked1},
    {"highlight-unmarked2", required_argument, nullptr, opt_highlight_unmarked2},
    {"highlight-marked1", required_argument, nullptr, opt_highlight_marked1},
    {"highlight-marked2", required_argument, nullptr, opt_highlight_marked2},
    {"highlight-params", required_argument, nullptr, opt_highlight_params},
    {"suppress-warnings", no_argument, nullptr, 'q'},
    FRAME_COMMON_LONG_OPTIONS,
};

}  // namespace

const frame::tool_frame program_frame = {
    "tagsnip", "tagsnip", frame::locale_step::none,
    "C0HEXDF:B:R:i:o:apkm:M:b:e:t:s:xyfgq" FRAME_COMMON_SHORT_OPTIONS, long_options, frame::usage_style::translated,
    "%s %s [-C|--cat] [-0|--discard] [-H|--highlight] [-E|--enumerate] [-X|--extract]"
    " [-D|--delete|--remove] [-F|--insert-front insert_file]"
    " [-B|--insert-back insert_file] [-R|--replace insert_file]"
    " [-i|--input input_file] [-o|--output output_file] [-a|--append] [-p|--in-place]"
    " [-k|--keep-broken] [--min-actions|-m actions] [--max-actions|-M actions]"
    " [-s|--select from_line to_line] [-b|--begin-tag begin_tag]"
    " [-e|--end-tag end_tag] [-t|--tag tag] [-y|--include-tags] [-x|--exclude-tags]"
    " [-f|--full-tag-lines] [-g|--tags-only] [--exact-tag-lines] [--strict-blocks]"
    " [--ensure-block insert_file]"
    " [--highlight-[begin|end|unmarked1|unmarked2|marked1|marked2] label]"
    " [--highlight-params begin_label end_label unmarked1_label unmarked2_label marked1_label marked2_label]"
    " [--enumerate-format format] [--enumerate-label[1|2] string]"
    " [-q|--suppress-warnings] [-h|--help] [-v|--version]\n",
    "tagsnip %s\n",
};

bool make_enumerate_format(const char* value, number_format& format)
{
    if (strlen(value) > longest_format_value)
        return false;
    number_format read;
    const char* p = value;
    for (;; ++p) {
        if (*p == '-')
            read.left = true;
        else if (*p == '0')
            read.zeros = true;
        else if (*p == '\'')
            read.grouping = true;
        else
            break;
    }
    // Nothing may follow the width.
    long long width = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        width = width * 10 + (*p - '0');
        if (width > INT_MAX)
            return false;
    }
    if (*p != '\0')
        return false;
    read.width = static_cast<int>(width);
    format = read;
    return true;
}

std::int32_t read_action_limit(const char* text)
{
    const char* p = text;
    while (isspace(static_cast<unsigned char>(*p)) != 0)
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    // One past the largest value: INT32_MIN has one more than INT32_MAX.
    const long long limit = negative ? -static_cast<long long>(INT32_MIN) : INT32_MAX;
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value >= limit) {
            value = limit;
            break;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

run_settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = program_frame;
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
        case 'm': s.min_actions = read_action_limit(optarg); break;
        case 'M': s.max_actions = read_action_limit(optarg); break;
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
        case opt_exact_tag_lines: s.exact_tag_lines = true; break;
        case opt_strict_blocks: s.strict_blocks = true; break;
        case opt_ensure_block:
            set_action(s, action::replace, optarg);
            s.ensure_block = true;
            break;
        case opt_enumerate_format:
            if (!make_enumerate_format(optarg, s.enumerate_format))
                frame::die("ERROR: Invalid value for enumeration format (--enumerate-format)!");
            break;
        case opt_enumerate_label1: s.enumerate_label1 = optarg; break;
        case opt_enumerate_label2: s.enumerate_label2 = optarg; break;
        case opt_highlight_begin: s.highlight_begin = optarg; break;
        case opt_highlight_end: s.highlight_end = optarg; break;
        case opt_highlight_unmarked1: s.highlight_unmarked1 = optarg; break;
        case opt_highlight_unmarked2: s.highlight_unmarked2 = optarg; break;
        case opt_highlight_marked1: s.highlight_marked1 = optarg; break;
        case opt_highlight_marked2: s.highlight_marked2 = optarg; break;
        case opt_highlight_params: read_highlight_params(s, argc, argv); break;
        case 'q': s.warnings = false; break;
        default: frame::common_option(tf, c, argv[0]);
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

    if (s.ensure_block) {
        // The marker lines stay; only what lies between them is replaced.
        s.exact_tag_lines = true;
        s.strict_blocks = true;
        s.include_tags = false;
        if (s.begin_tag == nullptr || s.begin_tag == s.end_tag)
            frame::die("ERROR: A managed block (--ensure-block) needs different begin and end tags "
                       "(--begin-tag/-b/--end-tag/-e)!");
    }
    if (s.exact_tag_lines)
        s.full_tag_lines = true;

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
