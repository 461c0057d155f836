// SPDX-License-Identifier: BSD-2-Clause
// The manual pages: one per program, a synopsis that names every option of
// the program's usage line, and examples that do what they show. Every
// command of an example is run with /bin/sh and its output compared byte for
// byte with the lines printed under it.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cctype>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "dozejitter/command_line.hpp"
#include "epochfmt/command_line.hpp"
#include "epochscan/command_line.hpp"
#include "frame/tool_frame.hpp"
#include "glyphpad/command_line.hpp"
#include "hostfacts/command_line.hpp"
#include "tagsnip/command_line.hpp"
#include "tests/support/run_program.hpp"

namespace {

using testsupport::file_exists;
using testsupport::read_file;
using testsupport::run;
using testsupport::run_request;
using testsupport::run_result;

struct page_case {
    const char* program;
    const frame::tool_frame* tf;
};

const page_case pages[] = {
    {"tagsnip", &tagsnip::program_frame},     {"glyphpad", &glyphpad::program_frame},
    {"hostfacts", &hostfacts::program_frame}, {"epochfmt", &epochfmt::program_frame},
    {"epochscan", &epochscan::program_frame}, {"dozejitter", &dozejitter::program_frame},
};

std::string page_path(const std::string& program)
{
    return std::string(SUITE_SOURCE_DIR) + "/docs/man/" + program + ".1";
}

std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The lines of the section ".Sh NAME" up to the next ".Sh".
std::vector<std::string> section_lines(const std::vector<std::string>& page, const std::string& name)
{
    std::vector<std::string> lines;
    bool inside = false;
    for (const std::string& line : page) {
        if (line.rfind(".Sh ", 0) == 0) {
            if (inside)
                break;
            inside = line == ".Sh " + name;
            continue;
        }
        if (inside)
            lines.push_back(line);
    }
    return lines;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

bool is_name_char(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-';
}

// True when TEXT holds WORD with no option-name character right after it;
// with PREFIX_OK, also when more name characters follow.
bool contains_word(const std::string& text, const std::string& word, bool prefix_ok)
{
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const size_t after = at + word.size();
        if (prefix_ok || after == text.size() || !is_name_char(text[after]))
            return true;
    }
    return false;
}

// The UTF-8 encoding of one code point.
std::string utf8(unsigned long code)
{
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// The text a reader sees for one line of a literal display. An escape this
// function does not know is reported in ERROR, so a page cannot show one
// thing and test another.
std::string unescape_roff(const std::string& line, std::string& error)
{
    struct named {
        const char* name;
        const char* text;
    };
    static const named characters[] = {
        {"aq", "'"}, {"dq", "\""}, {"ga", "`"}, {"ti", "~"}, {"ha", "^"}, {"rs", "\\"},
        {"em", "\xE2\x80\x94"}, {"mc", "\xC2\xB5"}, {"ba", "|"}, {"at", "@"}, {"sh", "#"},
    };
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            out += line[i];
            continue;
        }
        if (i + 1 >= line.size()) {
            error = "a line ends in a lone backslash: " + line;
            return out;
        }
        const char c = line[++i];
        if (c == 'e' || c == '\\') {
            out += '\\';
        } else if (c == '-') {
            out += '-';
        } else if (c == '&') {
            // zero-width: nothing
        } else if (c == '(' && i + 2 < line.size()) {
            const std::string name = line.substr(i + 1, 2);
            i += 2;
            bool known = false;
            for (const named& n : characters) {
                if (name == n.name) {
                    out += n.text;
                    known = true;
                }
            }
            if (!known)
                error = "unknown escape \\(" + name + " in: " + line;
        } else if (c == '[' && line.compare(i + 1, 1, "u") == 0) {
            const size_t close = line.find(']', i);
            if (close == std::string::npos) {
                error = "unclosed \\[u in: " + line;
                return out;
            }
            out += utf8(std::stoul(line.substr(i + 2, close - i - 2), nullptr, 16));
            i = close;
        } else {
            error = std::string("unknown escape \\") + c + " in: " + line;
        }
    }
    return out;
}

// One command of an example with the output it is shown to print.
struct example {
    std::string command;
    std::string expected;
};

// The literal displays of the EXAMPLES section, each a list of commands.
std::vector<std::vector<example>> examples_of(const std::vector<std::string>& page, std::string& error)
{
    std::vector<std::vector<example>> blocks;
    bool in_block = false;
    bool continues = false;
    for (const std::string& raw : section_lines(page, "EXAMPLES")) {
        if (!in_block) {
            if (raw.rfind(".Bd -literal", 0) == 0) {
                in_block = true;
                blocks.emplace_back();
            }
            continue;
        }
        if (raw == ".Ed") {
            in_block = false;
            continue;
        }
        if (!raw.empty() && (raw[0] == '.' || raw[0] == '\'')) {
            error = "a request inside an example: " + raw;
            return blocks;
        }
        const std::string line = unescape_roff(raw, error);
        if (!error.empty())
            return blocks;
        std::vector<example>& block = blocks.back();
        if (continues) {
            block.back().command += "\n" + line;
        } else if (line.rfind("$ ", 0) == 0) {
            block.push_back({line.substr(2), ""});
        } else if (block.empty()) {
            error = "output before the first command: " + raw;
            return blocks;
        } else {
            block.back().expected += line + "\n";
            continue;
        }
        // A command line ending in a backslash goes on on the next line.
        continues = !line.empty() && line.back() == '\\';
    }
    if (in_block)
        error = "a literal display without .Ed";
    return blocks;
}

// The folders whose code writes a program's messages.
std::vector<std::string> message_folders(const std::string& program)
{
    if (program == "epochfmt" || program == "epochscan")
        return {"frame", "timestamp", program};
    return {"frame", program};
}

// The C++ sources of FOLDER, its tests left out.
std::vector<std::string> sources_in(const std::string& folder)
{
    std::vector<std::string> files;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return files;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const bool code = name.size() > 4 &&
                          (name.compare(name.size() - 4, 4, ".cpp") == 0 ||
                           name.compare(name.size() - 4, 4, ".hpp") == 0);
        if (code && name.find("_test.") == std::string::npos)
            files.push_back(folder + "/" + name);
    }
    closedir(dir);
    return files;
}

// Every string literal of a C++ source that begins "ERROR: ", "WARNING: "
// or "INTERNAL ERROR: ", adjacent literals joined and a final newline
// dropped.
std::vector<std::string> messages_in(const std::string& code)
{
    std::vector<std::string> messages;
    size_t i = 0;
    while ((i = code.find('"', i)) != std::string::npos) {
        if (i > 0 && code[i - 1] == '\'') {  // the character literal '"'
            ++i;
            continue;
        }
        std::string text;
        for (;;) {
            for (++i; i < code.size() && code[i] != '"'; ++i) {
                if (code[i] == '\\' && i + 1 < code.size()) {
                    const char c = code[++i];
                    text += c == 'n' ? '\n' : c == 't' ? '\t' : c;
                } else {
                    text += code[i];
                }
            }
            ++i;
            size_t next = i;
            while (next < code.size() && std::isspace(static_cast<unsigned char>(code[next])) != 0)
                ++next;
            if (next >= code.size() || code[next] != '"')
                break;
            i = next;
        }
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        for (const char* prefix : {"ERROR: ", "WARNING: ", "INTERNAL ERROR: "}) {
            if (text.rfind(prefix, 0) == 0) {
                messages.push_back(text);
                break;
            }
        }
    }
    return messages;
}

// The fixed pieces of a printf format, between its conversions.
std::vector<std::string> fixed_pieces(const std::string& format)
{
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            pieces.back() += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            pieces.back() += '%';
            ++i;
            continue;
        }
        while (i + 1 < format.size() && std::strchr("diouxXcsfeEgGp", format[i + 1]) == nullptr)
            ++i;
        ++i;
        pieces.emplace_back();
    }
    return pieces;
}

// Runs of white space made single blanks.
std::string squeezed(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

// Text as the terminal shows it: a character followed by a backspace is
// overwritten by the next one (mandoc's bold and underline).
std::string without_overstrike(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c != '\b') {
            out += c;
            continue;
        }
        // Drop the last whole UTF-8 character.
        while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80)
            out.pop_back();
        if (!out.empty())
            out.pop_back();
    }
    return out;
}

bool program_built(const std::string& program)
{
    return file_exists(std::string(SUITE_BIN_DIR) + "/" + program);
}

void PrintTo(const page_case& c, std::ostream* os)
{
    *os << c.program;
}

class ManPage : public testing::TestWithParam<page_case> {
protected:
    std::vector<std::string> page;
    void SetUp() override
    {
        const std::string path = page_path(GetParam().program);
        ASSERT_TRUE(file_exists(path)) << path << " is missing";
        page = split_lines(read_file(path));
    }
};

TEST_P(ManPage, HasTheSectionsOfAManualPage)
{
    for (const char* name : {"NAME", "SYNOPSIS", "DESCRIPTION", "EXIT STATUS", "ENVIRONMENT",
                             "EXAMPLES", "DIAGNOSTICS", "SEE ALSO"})
        EXPECT_FALSE(section_lines(page, name).empty()) << "no section " << name;
    std::string title = ".Dt ";
    for (const char* c = GetParam().program; *c != '\0'; ++c)
        title += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    EXPECT_NE(joined(page).find(title + " 1\n"), std::string::npos) << "no " << title << " 1";
}

// Every long option of the program's option table is described in the page.
TEST_P(ManPage, DescribesEveryLongOptionOfTheProgram)
{
    const std::string text = joined(page);
    for (const option* o = GetParam().tf->long_options; o->name != nullptr; ++o) {
        if (*o->name != '\0') {
            EXPECT_TRUE(contains_word(text, std::string("Fl -") + o->name, false))
                << "--" << o->name << " is not in the page";
        }
    }
}

// The synopsis names every option that the program's own usage line names.
// A usage word may be an abbreviation of a long option (getopt_long takes
// them), and a bracket such as --enumerate-label[1|2] stands for its
// expansions, each of which must be in the page.
TEST_P(ManPage, SynopsisNamesEveryOptionOfTheUsageLine)
{
    const std::string program = GetParam().program;
    if (!program_built(program))
        GTEST_SKIP() << program << " is not built in this build";
    run_request help;
    help.argv = {program, "-h"};
    help.env = {"LC_ALL=C.UTF-8"};
    const run_result r = run(help);
    ASSERT_EQ(r.status, 0);
    const std::string& usage = r.err;
    ASSERT_EQ(usage.rfind("Usage: " + program + " ", 0), 0u) << usage;
    const std::string synopsis = joined(section_lines(page, "SYNOPSIS"));
    const std::string text = joined(page);

    size_t names = 0;
    for (size_t at = usage.find("--"); at != std::string::npos; at = usage.find("--", at + 2)) {
        size_t end = at + 2;
        while (end < usage.size() && is_name_char(usage[end]))
            ++end;
        const std::string name = usage.substr(at + 2, end - at - 2);
        ++names;
        EXPECT_TRUE(contains_word(synopsis, "Fl -" + name, true))
            << "--" << name << " of the usage line is not in the synopsis";
        if (end < usage.size() && usage[end] == '[') {
            const size_t close = usage.find(']', end);
            ASSERT_NE(close, std::string::npos);
            const std::string alternatives = usage.substr(end + 1, close - end - 1);
            size_t from = 0;
            while (from <= alternatives.size()) {
                size_t bar = alternatives.find('|', from);
                if (bar == std::string::npos)
                    bar = alternatives.size();
                const std::string full = name + alternatives.substr(from, bar - from);
                EXPECT_TRUE(contains_word(text, "Fl -" + full, false)) << "--" << full << " is not in the page";
                from = bar + 1;
            }
        }
    }
    EXPECT_GE(names, 2u) << "no long options found in: " << usage;

    // Short options: "-x" right after "[" or "|" of the usage line.
    for (size_t at = usage.find('-'); at != std::string::npos; at = usage.find('-', at + 1)) {
        if (at == 0 || (usage[at - 1] != '[' && usage[at - 1] != '|') || at + 2 >= usage.size())
            continue;
        const char letter = usage[at + 1];
        if (letter == '-' || is_name_char(usage[at + 2]))
            continue;
        EXPECT_TRUE(contains_word(synopsis, std::string("Fl ") + letter, false))
            << "-" << letter << " of the usage line is not in the synopsis";
    }
}

TEST_P(ManPage, ExamplesPrintWhatTheyShow)
{
    const std::string program = GetParam().program;
    if (!program_built(program))
        GTEST_SKIP() << program << " is not built in this build";
    std::string error;
    const std::vector<std::vector<example>> blocks = examples_of(page, error);
    ASSERT_EQ(error, "");
    ASSERT_FALSE(blocks.empty()) << "no literal display in EXAMPLES";

    size_t runs_of_program = 0;
    for (const std::vector<example>& block : blocks) {
        ASSERT_FALSE(block.empty()) << "a literal display in EXAMPLES without a command";
        // Each display starts afresh; its commands share one directory.
        testsupport::temp_dir dir;
        for (const example& e : block) {
            if (contains_word(e.command, program, false))
                ++runs_of_program;
            const std::string script =
                "PATH='" + std::string(SUITE_BIN_DIR) + "':/usr/local/bin:/usr/bin:/bin; export PATH\n" +
                e.command + "\n";
            run_request request;
            request.argv = {"/bin/sh", "-c", script};
            request.env = {"TZ=UTC0", "LC_ALL=C.UTF-8", "HOME=" + dir.path};
            request.cwd = dir.path;
            const run_result r = run(request);
            // A user sees standard error too: an example that writes to it
            // shows it with 2>&1, and a failure with its status.
            EXPECT_EQ(r.out, e.expected) << "$ " << e.command;
            EXPECT_EQ(r.err, "") << "$ " << e.command;
            EXPECT_EQ(r.status, 0) << "$ " << e.command;
        }
    }
    EXPECT_GE(runs_of_program, 3u) << "fewer than three examples run " << program;
}

// Every message in the program's code is listed in DIAGNOSTICS, as mandoc
// shows it: the text of the message with a word for each value it reports.
TEST_P(ManPage, ListsEveryMessageOfTheProgram)
{
    const std::string program = GetParam().program;
    if (!program_built(program))
        GTEST_SKIP() << program << " is not built in this build";
    run_request render;
    render.argv = {"/bin/sh", "-c",
                   "command -v mandoc >/dev/null || exit 77; "
                   "mandoc -T utf8 -O width=1000 \"$0\"",
                   page_path(program)};
    render.env = {"LC_ALL=C.UTF-8"};
    const run_result r = run(render);
    if (r.status == 77)
        GTEST_SKIP() << "mandoc is not installed";
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string shown = squeezed(without_overstrike(r.out));
    const size_t from = shown.find("DIAGNOSTICS ");
    ASSERT_NE(from, std::string::npos);
    const std::string diagnostics = shown.substr(from, shown.find(" SEE ALSO ", from) - from);

    size_t count = 0;
    for (const std::string& folder : message_folders(program)) {
        for (const std::string& file : sources_in(std::string(SUITE_SOURCE_DIR) + "/" + folder)) {
            for (const std::string& message : messages_in(read_file(file))) {
                ++count;
                // The pieces in order, each right after the word for a value.
                size_t at = 0;
                bool found = true;
                for (const std::string& piece : fixed_pieces(message)) {
                    const size_t next = diagnostics.find(squeezed(piece), at);
                    if (next == std::string::npos) {
                        found = false;
                        break;
                    }
                    at = next + squeezed(piece).size();
                }
                EXPECT_TRUE(found) << "not in DIAGNOSTICS: " << message << " (" << file << ")";
            }
        }
    }
    EXPECT_GE(count, 2u) << "no messages found in the code of " << program;
}

INSTANTIATE_TEST_SUITE_P(Pages, ManPage, testing::ValuesIn(pages),
                         [](const testing::TestParamInfo<page_case>& param_info) {
                             return std::string(param_info.param.program);
                         });

}  // namespace
