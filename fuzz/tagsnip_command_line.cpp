// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's command line: the option loop and the checks and normalisation
// after it, over argument vectors made of the input's NUL-separated fields.
// The parsed settings must be those the option table describes, and the
// normalised ones must keep the invariants the scanner relies on.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.hpp"
#include "fuzz/tagsnip_model.hpp"
#include "tagsnip/command_line.hpp"

namespace {

using fuzzinput::expect;
using tagsnip::action;
using tagsnip::run_settings;

bool same_text(const char* a, const char* b)
{
    return a == b || (a != nullptr && b != nullptr && strcmp(a, b) == 0);
}

void expect_parsed(const run_settings& s, const tagsnipmodel::expected& e)
{
    const run_settings& m = e.s;
    expect(s.act == m.act, "action");
    // Strings are taken from the argument vector in place: equal texts.
    expect(same_text(s.insert_file, m.insert_file), "insert_file");
    expect(same_text(s.input_file, m.input_file), "input_file");
    expect(same_text(s.output_file, m.output_file), "output_file");
    expect(s.append == m.append && s.in_place == m.in_place && s.keep_broken == m.keep_broken, "flags");
    expect(s.min_actions == m.min_actions && s.max_actions == m.max_actions, "action limits");
    expect(s.from_line == m.from_line && s.to_line == m.to_line, "line selection");
    expect(same_text(s.begin_tag, m.begin_tag) && same_text(s.end_tag, m.end_tag), "tags");
    expect(s.include_tags == m.include_tags && s.full_tag_lines == m.full_tag_lines, "tag settings");
    const tagsnip::number_format& f = s.enumerate_format;
    const tagsnip::number_format& g = m.enumerate_format;
    expect(f.left == g.left && f.zeros == g.zeros && f.grouping == g.grouping && f.width == g.width,
           "enumerate format");
    expect(same_text(s.enumerate_label1, m.enumerate_label1) && same_text(s.enumerate_label2, m.enumerate_label2),
           "enumerate labels");
    expect(same_text(s.highlight_begin, m.highlight_begin) && same_text(s.highlight_end, m.highlight_end) &&
               same_text(s.highlight_unmarked1, m.highlight_unmarked1) &&
               same_text(s.highlight_unmarked2, m.highlight_unmarked2) &&
               same_text(s.highlight_marked1, m.highlight_marked1) &&
               same_text(s.highlight_marked2, m.highlight_marked2),
           "highlight labels");
    expect(s.warnings == m.warnings, "warnings");
    expect(s.exact_tag_lines == m.exact_tag_lines && s.strict_blocks == m.strict_blocks &&
               s.ensure_block == m.ensure_block,
           "marker-line settings");
}

// The format read from the value prints the line number as printf does
// with the value as its conversion's flags and width: the number and
// nothing else but blanks and leading zeros.
void expect_number_conversion(const char* value, const tagsnip::number_format& f)
{
    if (f.width > 4096)
        return;  // a wide field takes long to print
    const std::string conversion = std::string("%") + value + "llu";
    char text[8192];
    const int n = snprintf(text, sizeof text, conversion.c_str(), 1234567ULL);
    const std::string shown(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    expect(shown == tagsnipmodel::printf_number(f, 1234567ULL), "the number as the value's conversion prints it",
           [&] { return conversion + " -> " + shown; });
    const std::size_t at = shown.find("1234567");
    expect(at != std::string::npos, "the conversion prints the number", [&] { return conversion + " -> " + shown; });
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const char c = shown[i];
        const bool around = c == ' ' || (c == '0' && i < at);
        expect((i >= at && i < at + 7) || around, "only blanks and zeros around the number",
               [&] { return conversion + " -> " + shown; });
    }
}

// What the scanner relies on after normalisation.
void expect_normalised(const run_settings& s, const run_settings& parsed)
{
    const char* begin = parsed.begin_tag != nullptr && parsed.begin_tag[0] != '\0' ? parsed.begin_tag : nullptr;
    const char* end = parsed.end_tag;
    if (end == nullptr || end[0] == '\0' || begin == nullptr || strcmp(end, begin) == 0)
        end = begin;
    const bool lines_only = s.act == action::cat || s.act == action::discard || s.act == action::enumerate;
    if (lines_only)
        begin = end = nullptr;
    expect(s.begin_tag == begin, "begin tag after normalisation");
    // Identical tags are the very same string; different ones are not.
    expect(s.end_tag == end, "end tag after normalisation");
    // A managed block is Replace between two different exact tag lines,
    // checked first, the tags outside.
    if (parsed.ensure_block)
        expect(s.act == action::replace && s.exact_tag_lines && s.strict_blocks && !s.include_tags &&
                   s.begin_tag != nullptr && s.begin_tag != s.end_tag,
               "a managed block's settings");
    expect(!s.exact_tag_lines || s.full_tag_lines, "exact tag lines are full tag lines");
    if (s.begin_tag != nullptr) {
        expect(s.begin_tag[0] != '\0' && s.end_tag[0] != '\0', "tags are not empty");
        expect(s.from_line == 0 && s.to_line == 0, "no line selection with tags");
        expect(s.begin_length == strlen(s.begin_tag) && s.end_length == strlen(s.end_tag), "tag lengths");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzinput::reader in{data, size};
    tagsnipmodel::command_line cl = tagsnipmodel::read_words(in);
    tagsnipmodel::expected e;
    if (!tagsnipmodel::model_option_loop(cl, e))
        return 0;

    std::vector<char*> argv = cl.argv();
    tagsnipmodel::reset_getopt();
    run_settings s = tagsnip::parse_command_line(cl.argc(), argv.data());
    expect_parsed(s, e);
    expect_number_conversion(e.enumerate_value, s.enumerate_format);

    if (tagsnipmodel::refused_by_checks(s))
        return 0;
    const run_settings parsed = s;
    {
        const fuzzinput::quiet_diagnostics quiet;  // the warnings
        tagsnip::normalise_settings(s);
    }
    expect_normalised(s, parsed);
    return 0;
}
