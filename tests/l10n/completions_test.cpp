// SPDX-License-Identifier: BSD-2-Clause
// The shell completions offer every option of every program, and complete
// file names where an option takes a file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <sstream>
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

const std::string bash_script = std::string(SUITE_SOURCE_DIR) + "/completions/smalltools.bash";
const std::string zsh_script = std::string(SUITE_SOURCE_DIR) + "/completions/_smalltools";
const std::string fish_dir = std::string(SUITE_SOURCE_DIR) + "/completions/fish";

const frame::tool_frame* const frames[] = {
    &tagsnip::program_frame,   &glyphpad::program_frame,  &hostfacts::program_frame,
    &epochfmt::program_frame,  &epochscan::program_frame, &dozejitter::program_frame,
};

// The text between BEGIN and the first END after it.
std::string section(const std::string& text, const std::string& begin, const std::string& end)
{
    const size_t from = text.find(begin);
    if (from == std::string::npos)
        return "";
    return text.substr(from, text.find(end, from) - from);
}

// Every long option and every short option of the program's table.
std::vector<std::string> options_of(const frame::tool_frame& tf)
{
    std::vector<std::string> options;
    for (const option* o = tf.long_options; o->name != nullptr; ++o) {
        // A one-letter name keeps an old abbreviation working (epochscan
        // --f): accepted, not offered.
        if (*o->name != '\0' && o->name[1] != '\0')
            options.push_back(std::string("--") + o->name);
    }
    for (const char* c = tf.short_options; *c != '\0'; ++c) {
        if (*c != ':' && *c != '-')
            options.push_back(std::string("-") + *c);
    }
    return options;
}

bool has_word(const std::string& text, const std::string& word)
{
    // In the bash lists options stand between blanks; in the zsh option descriptions inside
    // quotes, braces or parentheses, or before a description bracket (or the "=" of an
    // option whose argument may follow it).
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const char before = at == 0 ? ' ' : text[at - 1];
        const char after = at + word.size() < text.size() ? text[at + word.size()] : ' ';
        if (std::string(" \t\n\"'{,(").find(before) != std::string::npos &&
            std::string(" \t\n\"'},)[=").find(after) != std::string::npos)
            return true;
    }
    return false;
}

TEST(Completions, BashAndZshKnowEveryOption)
{
    const std::string bash = testsupport::read_file(bash_script);
    const std::string zsh = testsupport::read_file(zsh_script);
    for (const frame::tool_frame* tf : frames) {
        const std::string bash_part = section(bash, std::string("_") + tf->name + "()", "\n}\n");
        const std::string zsh_part = section(zsh, std::string("\n") + tf->name + ")", ";;");
        ASSERT_FALSE(bash_part.empty()) << tf->name;
        ASSERT_FALSE(zsh_part.empty()) << tf->name;
        for (const std::string& o : options_of(*tf)) {
            EXPECT_TRUE(has_word(bash_part, o)) << "bash, " << tf->name << " " << o;
            // --help and --version are shared by all programs in the zsh script.
            if (o != "-h" && o != "--help" && o != "-v" && o != "--version") {
                EXPECT_TRUE(has_word(zsh_part, o)) << "zsh, " << tf->name << " " << o;
            }
        }
        EXPECT_NE(bash.find(std::string("complete -F _") + tf->name + " " + tf->name + "\n"),
                  std::string::npos);
        EXPECT_TRUE(has_word(section(zsh, "#compdef", "\n"), tf->name));
    }
}

// Completion in a non-interactive bash: COMP_WORDS as bash would set it.
std::vector<std::string> bash_complete(const std::vector<std::string>& words, const std::string& cwd,
                                       const std::vector<std::string>& env = {})
{
    std::string assign = "COMP_WORDS=(";
    for (const auto& w : words)
        assign += "'" + w + "' ";
    assign += "); COMP_CWORD=" + std::to_string(words.size() - 1) + "; ";
    testsupport::run_request r;
    r.argv = {testsupport::bash_path(), "-c",
              "source '" + bash_script + "' && " + assign + "_" + words[0] +
                  " && printf '%s\\n' \"${COMPREPLY[@]}\""};
    r.cwd = cwd;
    r.env = env;
    const testsupport::run_result result = testsupport::run(r);
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> offered;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty())
            offered.push_back(line);
    }
    std::sort(offered.begin(), offered.end());
    return offered;
}

TEST(Completions, BashCompletesOptionsAndFiles)
{
    if (testsupport::bash_path().empty())
        GTEST_SKIP() << "bash is not installed";
    testsupport::temp_dir dir;
    testsupport::write_file(dir / "notes.txt", "x\n");
    testsupport::write_file(dir / "novel.md", "y\n");
    testsupport::write_file(dir / "other", "z\n");

    const std::vector<std::string> in = {"--in-place", "--include-tags", "--input", "--insert-back",
                                         "--insert-front"};
    std::vector<std::string> expected = in;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(bash_complete({"tagsnip", "--in"}, dir.path), expected);

    const std::vector<std::string> files = {"notes.txt", "novel.md"};
    for (const char* option : {"--input", "-i", "--output", "-o", "--insert-front", "-F", "--insert-back",
                               "-B", "--replace", "-R"})
        EXPECT_EQ(bash_complete({"tagsnip", option, "no"}, dir.path), files) << option;

    for (const char* program : {"epochfmt", "epochscan"}) {
        EXPECT_EQ(bash_complete({program, "--file", "no"}, dir.path), files) << program;
        EXPECT_EQ(bash_complete({program, "--file", "=", "no"}, dir.path), files) << program;
        EXPECT_EQ(bash_complete({program, "--fi"}, dir.path), std::vector<std::string>{"--file"}) << program;
    }
    EXPECT_EQ(bash_complete({"tagsnip", "--input", "=", "no"}, dir.path), files);

    // Zone names from the folder TZDIR names: its zones, not its tables.
    testsupport::temp_dir zones;
    mkdir((zones / "Europe").c_str(), 0755);
    mkdir((zones / "posix").c_str(), 0755);
    for (const char* zone : {"Europe/Berlin", "Europe/Bern", "Europe/Paris", "posix/Europe", "zone.tab", "leapseconds"})
        testsupport::write_file(zones / zone, "TZif");
    for (const char* program : {"epochfmt", "epochscan"}) {
        EXPECT_EQ(bash_complete({program, "--zone", "Europe/Ber"}, dir.path, {"TZDIR=" + zones.path}),
                  (std::vector<std::string>{"Europe/Berlin", "Europe/Bern"})) << program;
        EXPECT_EQ(bash_complete({program, "--zone", "=", ""}, dir.path, {"TZDIR=" + zones.path}),
                  (std::vector<std::string>{"Europe/Berlin", "Europe/Bern", "Europe/Paris"})) << program;
    }

    EXPECT_EQ(bash_complete({"dozejitter", "--v"}, dir.path),
              (std::vector<std::string>{"--verbose", "--version"}));
    EXPECT_EQ(bash_complete({"epochscan", "--integer-"}, dir.path),
              (std::vector<std::string>{"--integer-0x-hexadecimal", "--integer-decimal",
                                        "--integer-hexadecimal"}));
}

// zsh completes only inside its line editor: drive an interactive zsh on a
// pseudo-terminal of its own and read the listing it shows. The shell says
// READY once compinit is done; the echo of that command shows RE''ADY, so
// that the wait does not end as soon as the command is echoed.
TEST(Completions, ZshListsTheOptions)
{
    if (!testsupport::file_exists("/usr/bin/zsh") && !testsupport::file_exists("/bin/zsh"))
        GTEST_SKIP() << "zsh is not installed";
    const std::string script =
        "zmodload zsh/zpty\n"
        "zpty z 'zsh -f -i'\n"
        "zpty -w z \"PS1='> '; fpath=(" SUITE_SOURCE_DIR "/completions \\$fpath);"
        " autoload -Uz compinit; compinit -u -D; unsetopt beep; print RE''ADY\"\n"
        "out=''\n"
        "for i in {1..300}; do zpty -rt z chunk && out+=$chunk; [[ $out == *READY* ]] && break; sleep 0.1; done\n"
        "out=''\n"
        "zpty -w -n z $'tagsnip --in\\t'\n"
        // Until the whole listing is there; a loaded machine may take seconds.
        "for i in {1..300}; do sleep 0.1; while zpty -rt z chunk; do out+=$chunk; done;"
        " [[ $out == *--in-place* && $out == *--include-tags* && $out == *--input*"
        " && $out == *--insert-back* && $out == *--insert-front* ]] && break; done\n"
        "print -r -- \"$out\"\n"
        "zpty -d z\n";
    testsupport::run_request r;
    r.argv = {"/usr/bin/zsh", "-f", "-c", script};
    r.env = {"TERM=dumb", "HOME=/nonexistent"};
    r.timeout_seconds = 60;
    const testsupport::run_result result = testsupport::run(r);
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* o : {"--in-place", "--include-tags", "--input", "--insert-back", "--insert-front"})
        EXPECT_NE(result.out.find(std::string("\n") + o + " "), std::string::npos) << o << "\n" << result.out;
    EXPECT_EQ(result.out.find("--output"), std::string::npos);
}

// Long option -> description: in zsh's option lines '...'{-x,--name}'[text]' and
// '--name[text]', in fish's lines "-l name ... -d 'text'".
std::map<std::string, std::string> zsh_descriptions(const std::string& part)
{
    std::map<std::string, std::string> found;
    std::istringstream lines(part);
    for (std::string line; std::getline(lines, line);) {
        size_t names = line.find("}'[");
        size_t from = line.rfind('{', names);
        if (names == std::string::npos) {
            from = line.find("'--");
            names = line.find('[', from);
            if (from == std::string::npos || names == std::string::npos)
                continue;
        }
        const std::string text = line.substr(line.find('[', names) + 1);
        const std::string description = text.substr(0, text.find(']'));
        std::istringstream words(line.substr(from + 1, names - from - 1));
        for (std::string w; std::getline(words, w, ',');) {
            // "--name=" is zsh's mark of an option whose argument follows an "=".
            if (w.rfind("--", 0) == 0)
                found[w.substr(2, w.back() == '=' ? w.size() - 3 : std::string::npos)] = description;
        }
    }
    return found;
}

std::map<std::string, std::string> fish_descriptions(const std::string& script)
{
    std::map<std::string, std::string> found;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        const size_t d = line.find(" -d '");
        if (d == std::string::npos)
            continue;
        const std::string description = line.substr(d + 5, line.find('\'', d + 5) - d - 5);
        std::istringstream words(line);
        for (std::string w, previous; words >> w; previous = w) {
            if (previous == "-l")
                found[w] = description;
        }
    }
    return found;
}

TEST(Completions, FishHasTheOptionsAndDescriptionsOfZsh)
{
    const std::string zsh = testsupport::read_file(zsh_script);
    for (const frame::tool_frame* tf : frames) {
        const std::string fish = testsupport::read_file(fish_dir + "/" + tf->name + ".fish");
        ASSERT_FALSE(fish.empty()) << tf->name;
        const auto from_fish = fish_descriptions(fish);
        auto from_zsh = zsh_descriptions(section(zsh, std::string("\n") + tf->name + ")", ";;"));
        const auto common = zsh_descriptions(section(zsh, "common=(", ")\n"));
        from_zsh.insert(common.begin(), common.end());
        EXPECT_EQ(from_fish, from_zsh) << tf->name;
        for (const std::string& o : options_of(*tf)) {
            const std::string word = o.rfind("--", 0) == 0 ? "-l " + o.substr(2) : "-s " + o.substr(1);
            EXPECT_TRUE(has_word(fish, word)) << "fish, " << tf->name << " " << o;
        }
    }
}

// fish loads a command's completion from the file named after it, found
// through fish_complete_path, for a command it finds on PATH.
std::vector<std::string> fish_complete(const std::string& line, const std::string& cwd)
{
    testsupport::run_request r;
    r.argv = {"/usr/bin/fish", "-N", "-c",
              "set -p PATH " SUITE_BIN_DIR "; set -p fish_complete_path '" + fish_dir + "'; complete -C '" +
                  line + "'"};
    r.env = {"HOME=" + cwd};
    r.cwd = cwd;
    const testsupport::run_result result = testsupport::run(r);
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> offered;
    std::istringstream lines(result.out);
    for (std::string entry; std::getline(lines, entry);)
        offered.push_back(entry);
    return offered;
}

TEST(Completions, FishCompletesOptionsAndFiles)
{
    if (!testsupport::file_exists("/usr/bin/fish"))
        GTEST_SKIP() << "fish is not installed";
    testsupport::temp_dir dir;
    testsupport::write_file(dir / "notes.txt", "x\n");
    testsupport::write_file(dir / "novel.md", "y\n");
    testsupport::write_file(dir / "other", "z\n");

    EXPECT_EQ(fish_complete("tagsnip --in", dir.path),
              (std::vector<std::string>{"--include-tags\ttags are part of the blocks", "--input\tread this file",
                                        "--insert-back\tinsert a file after each block",
                                        "--insert-front\tinsert a file before each block",
                                        "--in-place\tupdate the input file in place"}));
    const std::vector<std::string> files = {"notes.txt", "novel.md"};
    for (const char* option : {"--input", "-i", "--output", "--insert-front", "-F", "--replace", "-R"})
        EXPECT_EQ(fish_complete(std::string("tagsnip ") + option + " no", dir.path), files) << option;
    EXPECT_EQ(fish_complete("tagsnip --begin-tag no", dir.path), std::vector<std::string>{});
    EXPECT_EQ(fish_complete("dozejitter --v", dir.path),
              (std::vector<std::string>{"--verbose\treport the delay", "--version\tshow the version"}));
    EXPECT_EQ(fish_complete("epochscan --integer-", dir.path),
              (std::vector<std::string>{"--integer-0x-hexadecimal\thexadecimal integer with 0x",
                                        "--integer-decimal\tdecimal integer",
                                        "--integer-hexadecimal\thexadecimal integer"}));
}

}  // namespace
