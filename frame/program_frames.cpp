// SPDX-License-Identifier: BSD-2-Clause
// The constant descriptions of the six programs: name, catalog domain, extra
// locale step, options, usage line and version line.
#include "frame/tool_frame.hpp"

namespace frame {
namespace {

constexpr option tagsnip_options[] = {
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
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'v'},
    {},
};

constexpr option glyphpad_options[] = {
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
    {"", no_argument, nullptr, '-'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'v'},
    {},
};

constexpr option hostfacts_options[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'v'},
    {"compatibility", required_argument, nullptr, 'c'},
    {},
};

constexpr option epochfmt_options[] = {
    {"template", required_argument, nullptr, 'T'},
    {"human-readable", no_argument, nullptr, 'H'},
    {"seconds", no_argument, nullptr, 's'},
    {"milliseconds", no_argument, nullptr, 'm'},
    {"microseconds", no_argument, nullptr, 'u'},
    {"nanoseconds", no_argument, nullptr, 'n'},
    {"file", required_argument, nullptr, opt_file},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'v'},
    {},
};

constexpr option epochscan_options[] = {
    {"template", required_argument, nullptr, 'T'},
    {"float", no_argument, nullptr, 'F'},
    {"integer-decimal", no_argument, nullptr, 'I'},
    // The usage line offers --integer: as an exact name it is -I (a prefix
    // of it is still ambiguous).
    {"integer", no_argument, nullptr, 'I'},
    {"integer-hexadecimal", no_argument, nullptr, 'X'},
    {"integer-0x-hexadecimal", no_argument, nullptr, '0'},
    {"human-readable", no_argument, nullptr, 'H'},
    {"seconds", no_argument, nullptr, 's'},
    {"milliseconds", no_argument, nullptr, 'm'},
    {"microseconds", no_argument, nullptr, 'u'},
    {"nanoseconds", no_argument, nullptr, 'n'},
    {"file", required_argument, nullptr, opt_file},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'v'},
    {},
};

constexpr option dozejitter_options[] = {
    {"verbose", no_argument, nullptr, 'w'},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'v'},
    {},
};

}  // namespace

const tool_frame tagsnip_frame = {
    "tagsnip", "tagsnip", locale_step::none,
    "C0HEXDF:B:R:i:o:apkm:M:b:e:t:s:xyfgqhv", tagsnip_options, usage_style::translated,
    "%s %s [-C|--cat] [-0|--discard] [-H|--highlight] [-E|--enumerate] [-X|--extract]"
    " [-D|--delete|--remove] [-F|--insert-front insert_file]"
    " [-B|--insert-back insert_file] [-R|--replace insert_file]"
    " [-i|--input input_file] [-o|--output output_file] [-a|--append] [-p|--in-place]"
    " [-k|--keep-broken] [--min-actions|-m actions] [--max-actions|-M actions]"
    " [-s|--select from_line to_line] [-b|--begin-tag begin_tag]"
    " [-e|--end-tag end_tag] [-t|--tag tag] [-y|--include-tags] [-x|--exclude-tags]"
    " [-f|--full-tag-lines] [-g|--tags-only]"
    " [--highlight-[begin|end|unmarked1|unmarked2|marked1|marked2] label]"
    " [--highlight-params begin_label end_label unmarked1_label unmarked2_label marked1_label marked2_label]"
    " [--enumerate-format format] [--enumerate-label[1|2] string]"
    " [-q|--suppress-warnings] [-h|--help] [-v|--version]\n",
    "tagsnip %s\n",
};

const tool_frame glyphpad_frame = {
    "glyphpad", "glyphpad", locale_step::utf8_character_test,
    "i:cI:C:s:ntwlbax:-hv", glyphpad_options, usage_style::translated,
    "%s %s [-n|--newline] [-i indentation|--indent indentation] [-c|--center]"
    " [-I indentation left right|--multiline-indent indentation left right]"
    " [-C left right|--multiline-center left right]"
    " [-s border_left separator border_right|--separator border_left separator border_right]"
    " [-x columns|--columns columns] [-b|--size] [-l|--length] [-w|--width]"
    " [-a|--size-length-width] [-t|--terminal-info] [-h|--help] [-v|--version]"
    " [string]\n",
    "glyphpad %s\n",
};

const tool_frame hostfacts_frame = {
    "hostfacts", nullptr, locale_step::none,
    "hvc:", hostfacts_options, usage_style::fixed,
    "Usage: %s [-h|--help] [-v|--version] [-c|--compatibility version]\n",
    "hostfacts %s\n",
};

const tool_frame epochfmt_frame = {
    "epochfmt", "epochfmt", locale_step::numeric_c,
    "T:Hsmunvh", epochfmt_options, usage_style::translated,
    "%s %s unix_timestamp [...] [-T|--template time_format_template]"
    " [-H|--human-readable] [-s|--seconds] [-m|--milliseconds] [-u|--microseconds]"
    " [-n|--nanoseconds] [-h|--help] [-v|--version]\n",
    "epochfmt %s\n",
};

const tool_frame epochscan_frame = {
    "epochscan", "epochscan", locale_step::numeric_c,
    "T:FIX0Hsmunvh", epochscan_options, usage_style::translated,
    "%s %s time_string [...] [-T|--template time_format_template] [-F|--float]"
    " [-I|--integer] [-H|--human-readable] [-s|--seconds] [-m|--milliseconds]"
    " [-u|--microseconds] [-n|--nanoseconds] [-h|--help] [-v|--version]\n",
    "epochscan %s\n",
};

const tool_frame dozejitter_frame = {
    "dozejitter", "dozejitter", locale_step::numeric_c_utf8,
    "wqhv", dozejitter_options, usage_style::translated,
    "%s %s min_delay max_delay [-q|--quiet] [-w|--verbose] [-h|--help]"
    " [-v|--version]\n",
    "dozejitter %s\n",
};

}  // namespace frame
