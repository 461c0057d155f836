// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's command line as its option table describes it: a model of the
// option loop and of the checks after it, used to keep the fuzz targets away
// from the runs that end the process (option errors, --help, --version, bad
// values) and to hold the parsed settings against.
#pragma once

#include <getopt.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/tool_frame.hpp"
#include "fuzz/fuzz_input.hpp"
#include "tagsnip/command_line.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnipmodel {

// Back to the start of a new argument vector.
inline void reset_getopt()
{
#if defined(__GLIBC__)
    optind = 0;  // glibc: full re-initialisation
#else
    optreset = 1;
    optind = 1;
#endif
    opterr = 0;
}

// The words of a command line, "tagsnip" first; argv() gives a fresh,
// null-terminated vector each time, since getopt_long permutes it.
struct command_line {
    std::vector<std::string> words{"tagsnip"};

    std::vector<char*> argv()
    {
        std::vector<char*> v;
        for (std::string& w : words)
            v.push_back(w.data());
        v.push_back(nullptr);
        return v;
    }
    int argc() const { return static_cast<int>(words.size()); }
};

// The line number as printf prints it in the field the format describes:
// the model's own reading of the format.
inline std::string printf_number(const tagsnip::number_format& f, unsigned long long n)
{
    std::string conversion = "%";
    conversion += f.grouping ? "'" : "";
    conversion += f.left ? "-" : "";
    conversion += f.zeros ? "0" : "";
    conversion += "*llu";
    std::string text(static_cast<std::size_t>(snprintf(nullptr, 0, conversion.c_str(), f.width, n)), ' ');
    snprintf(text.data(), text.size() + 1, conversion.c_str(), f.width, n);
    return text;
}

// The settings the option table gives, before the checks and normalisation.
struct expected {
    tagsnip::run_settings s;
    const char* enumerate_value = "06";  // the --enumerate-format value that counts
};

// An action limit as atoi reads it, held within the signed 32-bit range.
inline std::int32_t limit_of(const char* text)
{
    const long long n = strtoll(text, nullptr, 10);
    return static_cast<std::int32_t>(n > INT32_MAX ? INT32_MAX : n < INT32_MIN ? INT32_MIN : n);
}

// Runs the option loop the way the option table describes it. False when
// the real loop would end the process (an option error, --help, --version,
// a missing word after --select or --highlight-params, a refused format
// value, arguments left over).
inline bool model_option_loop(command_line& cl, expected& e)
{
    std::vector<char*> argv = cl.argv();
    const int argc = cl.argc();
    const frame::tool_frame& tf = tagsnip::program_frame;
    tagsnip::run_settings& s = e.s;
    reset_getopt();
    int c;
    while ((c = getopt_long(argc, argv.data(), tf.short_options, tf.long_options, nullptr)) != -1) {
        switch (c) {
        case 'C': s.act = tagsnip::action::cat; s.ensure_block = false; break;
        case '0': s.act = tagsnip::action::discard; s.ensure_block = false; break;
        case 'H': s.act = tagsnip::action::highlight; s.ensure_block = false; break;
        case 'E': s.act = tagsnip::action::enumerate; s.ensure_block = false; break;
        case 'X': s.act = tagsnip::action::extract; s.ensure_block = false; break;
        case 'D': s.act = tagsnip::action::remove; s.ensure_block = false; break;
        case 'F': s.act = tagsnip::action::insert_front; s.insert_file = optarg; s.ensure_block = false; break;
        case 'B': s.act = tagsnip::action::insert_back; s.insert_file = optarg; s.ensure_block = false; break;
        case 'R': s.act = tagsnip::action::replace; s.insert_file = optarg; s.ensure_block = false; break;
        case 'i': s.input_file = optarg; break;
        case 'o': s.output_file = optarg; break;
        case 'a': s.append = true; break;
        case 'p': s.in_place = true; break;
        case 'k': s.keep_broken = true; break;
        case 'm': s.min_actions = limit_of(optarg); break;
        case 'M': s.max_actions = limit_of(optarg); break;
        case 's':
            if (optind >= argc)
                return false;
            s.from_line = atoll(optarg);
            s.to_line = atoll(argv[static_cast<std::size_t>(optind)]);
            ++optind;
            break;
        case 'b': s.begin_tag = optarg; break;
        case 'e': s.end_tag = optarg; break;
        case 't': s.begin_tag = optarg; s.end_tag = nullptr; break;
        case 'x': s.include_tags = false; break;
        case 'y': s.include_tags = true; break;
        case 'f': s.full_tag_lines = true; break;
        case 'g': s.full_tag_lines = false; break;
        case tagsnip::opt_exact_tag_lines: s.exact_tag_lines = true; break;
        case tagsnip::opt_strict_blocks: s.strict_blocks = true; break;
        case tagsnip::opt_ensure_block:
            s.act = tagsnip::action::replace;
            s.insert_file = optarg;
            s.ensure_block = true;
            break;
        case 'q': s.warnings = false; break;
        case tagsnip::opt_enumerate_format:
            // The conversion maker is pure: it is asked whether the value
            // passes, and what it makes of it is checked afterwards.
            if (!tagsnip::make_enumerate_format(optarg, s.enumerate_format))
                return false;
            e.enumerate_value = optarg;
            break;
        case tagsnip::opt_enumerate_label1: s.enumerate_label1 = optarg; break;
        case tagsnip::opt_enumerate_label2: s.enumerate_label2 = optarg; break;
        case tagsnip::opt_highlight_begin: s.highlight_begin = optarg; break;
        case tagsnip::opt_highlight_end: s.highlight_end = optarg; break;
        case tagsnip::opt_highlight_unmarked1: s.highlight_unmarked1 = optarg; break;
        case tagsnip::opt_highlight_unmarked2: s.highlight_unmarked2 = optarg; break;
        case tagsnip::opt_highlight_marked1: s.highlight_marked1 = optarg; break;
        case tagsnip::opt_highlight_marked2: s.highlight_marked2 = optarg; break;
        case tagsnip::opt_highlight_params: {
            if (argc - optind < 5)
                return false;
            const char** labels[] = {&s.highlight_end, &s.highlight_unmarked1, &s.highlight_unmarked2,
                                     &s.highlight_marked1, &s.highlight_marked2};
            s.highlight_begin = optarg;
            for (const char** label : labels)
                *label = argv[static_cast<std::size_t>(optind++)];
            break;
        }
        case 'h':
        case 'v':
        case '?':
            return false;
        default:
            break;  // no handling: the real loop must then fail, and is seen to
        }
    }
    return optind >= argc;
}

// Whether normalise_settings would refuse these parsed settings.
inline bool refused_by_checks(const tagsnip::run_settings& s)
{
    if (s.max_actions >= 0 && s.min_actions > s.max_actions)
        return true;
    const bool tags = s.begin_tag != nullptr && s.begin_tag[0] != '\0';
    const bool two_tags = tags && s.end_tag != nullptr && s.end_tag[0] != '\0' && strcmp(s.begin_tag, s.end_tag) != 0;
    if (s.ensure_block && !two_tags)
        return true;
    return tags && (s.from_line != 0 || s.to_line != 0);
}

// The words of a fuzz input: NUL-separated fields up to the end or up to a
// field that is a single record separator (0x1E); at most 64 of them.
inline command_line read_words(fuzzinput::reader& in)
{
    command_line cl;
    while (!in.empty() && cl.words.size() <= 64) {
        std::string word = in.field();
        if (word == "\x1e")
            break;
        cl.words.push_back(std::move(word));
    }
    return cl;
}

}  // namespace tagsnipmodel
