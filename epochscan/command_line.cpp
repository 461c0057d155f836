// SPDX-License-Identifier: BSD-2-Clause
#include "epochscan/command_line.hpp"

#include <cstdlib>

#include "frame/tool_frame.hpp"
#include "timestamp/converter_options.hpp"

namespace epochscan {

namespace {

constexpr option long_options[] = {
    {"template", required_argument, nullptr, 'T'},
    {"float", no_argument, nullptr, 'F'},
    // --f meant --float before --file came; as an exact name it still does.
    {"f", no_argument, nullptr, 'F'},
    {"integer-decimal", no_argument, nullptr, 'I'},
    // The usage line offers --integer: as an exact name it is -I (a prefix
    // of it is still ambiguous).
    {"integer", no_argument, nullptr, 'I'},
    {"integer-hexadecimal", no_argument, nullptr, 'X'},
    {"integer-0x-hexadecimal", no_argument, nullptr, '0'},
    TIMESTAMP_SHARED_LONG_OPTIONS,
    FRAME_COMMON_LONG_OPTIONS,
};

}  // namespace

const frame::tool_frame program_frame = {
    "epochscan", "epochscan", frame::locale_step::numeric_c,
    "T:FIX0" TIMESTAMP_SHARED_SHORT_OPTIONS FRAME_COMMON_SHORT_OPTIONS, long_options, frame::usage_style::translated,
    "%s %s time_string [...] [-T|--template time_format_template] [-F|--float]"
    " [-I|--integer] [-H|--human-readable] [-s|--seconds] [-m|--milliseconds]"
    " [-u|--microseconds] [-n|--nanoseconds] [-h|--help] [-v|--version]\n",
    "epochscan %s\n",
};

run_settings parse_command_line(int argc, char* argv[])
{
    const frame::tool_frame& tf = program_frame;
    run_settings s;
    int c;
    while ((c = getopt_long(argc, argv, tf.short_options, tf.long_options, nullptr)) != -1) {
        switch (c) {
        case 'F': s.form = number_form::float_decimal; break;
        case 'I': s.form = number_form::integer_decimal; break;
        case 'X': s.form = number_form::integer_hexadecimal; break;
        case '0': s.form = number_form::integer_0x_hexadecimal; break;
        case timestamp::opt_file: s.operand_file = optarg; break;  // the last one counts
        case timestamp::opt_zone: s.zone = optarg; break;          // the last one counts
        default:
            if (!timestamp::read_shared_option(c, &s.time_format_template, &s.human_readable, &s.unit))
                frame::common_option(tf, c, argv[0]);
        }
    }
    s.operand_count = argc - optind;
    s.operands = argv + optind;
    return s;
}

}  // namespace epochscan
