// SPDX-License-Identifier: BSD-2-Clause
// Long options are an interface: an abbreviation (an unambiguous prefix, as
// getopt_long takes it) that a script once used must keep working, with the
// same meaning, when options are added. The table holds every long option of
// every program: first those the programs began with, then those added
// since, in the order they came. The prefixes of an option's name that were
// unique among the options of its program when it came (for the first half:
// among all of that half) must give the outcome of the whole name. Each
// row's arguments show the option's effect: without the option the outcome
// differs.
//
// A new long option gets a row at the end of the second half.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

struct option_row {
    const char* program;
    const char* name;                // the long option, without "--"
    int words;                       // the words of its argument after it
    std::vector<std::string> args;   // "@" is where the option goes, its argument words after it
    std::string input = {};          // standard input
};

const std::string sample = "2023-11-14 22:13:20";
const std::string tagged = "a\nb<x\ny>c\nd\n";  // a block between "<" and ">"

void PrintTo(const option_row& row, std::ostream* os)
{
    *os << row.program << " --" << row.name;
}

// The options the programs began with.
const option_row original[] = {
    {"tagsnip", "cat", 0, {"-X", "-b", "<", "-e", ">", "@"}, tagged},
    {"tagsnip", "discard", 0, {"@"}, tagged},
    {"tagsnip", "highlight", 0, {"@", "-b", "<", "-e", ">"}, tagged},
    {"tagsnip", "enumerate", 0, {"@"}, tagged},
    {"tagsnip", "extract", 0, {"@", "-b", "<", "-e", ">"}, tagged},
    {"tagsnip", "delete", 0, {"@", "-b", "<", "-e", ">"}, tagged},
    {"tagsnip", "remove", 0, {"@", "-b", "<", "-e", ">"}, tagged},
    {"tagsnip", "insert-front", 1, {"@", "ins", "-b", "<", "-e", ">"}, tagged},
    {"tagsnip", "insert-back", 1, {"@", "ins", "-b", "<", "-e", ">"}, tagged},
    {"tagsnip", "replace", 1, {"@", "ins", "-b", "<", "-e", ">"}, tagged},
    {"tagsnip", "input", 1, {"@", "in"}},
    {"tagsnip", "output", 1, {"@", "other"}, tagged},
    {"tagsnip", "append", 0, {"-o", "out", "@"}, tagged},
    {"tagsnip", "in-place", 0, {"-i", "in", "@"}},
    {"tagsnip", "keep-broken", 0, {"-o", "out", "-X", "-b", "<", "-e", ">", "-m", "5", "@"}, tagged},
    {"tagsnip", "min-actions", 1, {"@", "5", "-X", "-b", "<", "-e", ">"}, tagged},
    {"tagsnip", "max-actions", 1, {"@", "0", "-X", "-b", "<", "-e", ">"}, tagged},
    {"tagsnip", "select", 2, {"-X", "@", "2", "3"}, tagged},
    {"tagsnip", "begin-tag", 1, {"-X", "@", "<", "-e", ">"}, tagged},
    {"tagsnip", "end-tag", 1, {"-X", "-b", "<", "@", ">"}, tagged},
    {"tagsnip", "tag", 1, {"-X", "@", "b"}, tagged},
    {"tagsnip", "exclude-tags", 0, {"-X", "-b", "<", "-e", ">", "-y", "@"}, tagged},
    {"tagsnip", "include-tags", 0, {"-X", "-b", "<", "-e", ">", "@"}, tagged},
    {"tagsnip", "full-tag-lines", 0, {"-X", "-b", "<", "-e", ">", "@"}, tagged},
    {"tagsnip", "tags-only", 0, {"-X", "-b", "<", "-e", ">", "-f", "@"}, tagged},
    {"tagsnip", "enumerate-format", 1, {"-E", "@", "03"}, tagged},
    {"tagsnip", "enumerate-label1", 1, {"-E", "@", "["}, tagged},
    {"tagsnip", "enumerate-label2", 1, {"-E", "@", "]"}, tagged},
    {"tagsnip", "highlight-begin", 1, {"-H", "-b", "<", "-e", ">", "@", "{"}, tagged},
    {"tagsnip", "highlight-end", 1, {"-H", "-b", "<", "-e", ">", "@", "}"}, tagged},
    {"tagsnip", "highlight-unmarked1", 1, {"-H", "-b", "<", "-e", ">", "@", "("}, tagged},
    {"tagsnip", "highlight-unmarked2", 1, {"-H", "-b", "<", "-e", ">", "@", ")"}, tagged},
    {"tagsnip", "highlight-marked1", 1, {"-H", "-b", "<", "-e", ">", "@", "["}, tagged},
    {"tagsnip", "highlight-marked2", 1, {"-H", "-b", "<", "-e", ">", "@", "]"}, tagged},
    {"tagsnip", "highlight-params", 6, {"-H", "-b", "<", "-e", ">", "@", "1", "2", "3", "4", "5", "6"}, tagged},
    {"tagsnip", "suppress-warnings", 0, {"-E", "-b", "<", "-e", ">", "@"}, tagged},
    {"tagsnip", "help", 0, {"@"}},
    {"tagsnip", "version", 0, {"@"}},
    {"glyphpad", "indent", 1, {"@", "4", "x"}},
    {"glyphpad", "multiline-indent", 3, {"@", "2", "[", "]"}, "a\n"},
    {"glyphpad", "center", 0, {"@", "x"}},
    {"glyphpad", "multiline-center", 2, {"@", "[", "]"}, "a\n"},
    {"glyphpad", "separator", 3, {"@", "[", "-", "]"}},
    {"glyphpad", "newline", 0, {"@", "x"}},
    {"glyphpad", "terminal-info", 0, {"@"}},
    {"glyphpad", "width", 0, {"@", "x"}},
    {"glyphpad", "length", 0, {"@", "x"}},
    {"glyphpad", "size", 0, {"@", "x"}},
    {"glyphpad", "size-length-width", 0, {"@", "x"}},
    {"glyphpad", "columns", 1, {"-c", "@", "10", "x"}},
    {"glyphpad", "help", 0, {"@"}},
    {"glyphpad", "version", 0, {"@"}},
    {"hostfacts", "help", 0, {"@"}},
    {"hostfacts", "version", 0, {"@"}},
    {"hostfacts", "compatibility", 1, {"@", "99"}},
    {"epochfmt", "template", 1, {"@", "%Y", "0"}},
    {"epochfmt", "human-readable", 0, {"@", "0"}},
    {"epochfmt", "seconds", 0, {"@", "5000000000"}},
    {"epochfmt", "milliseconds", 0, {"@", "0"}},
    {"epochfmt", "microseconds", 0, {"@", "0"}},
    {"epochfmt", "nanoseconds", 0, {"@", "0"}},
    {"epochfmt", "help", 0, {"@"}},
    {"epochfmt", "version", 0, {"@"}},
    {"epochscan", "template", 1, {"@", "%Y", "2023"}},
    {"epochscan", "float", 0, {"-s", "@", sample}},
    {"epochscan", "integer-decimal", 0, {"-s", "-X", "@", sample}},
    {"epochscan", "integer-hexadecimal", 0, {"-s", "@", sample}},
    {"epochscan", "integer-0x-hexadecimal", 0, {"-s", "@", sample}},
    {"epochscan", "human-readable", 0, {"@", sample}},
    {"epochscan", "seconds", 0, {"@", sample}},
    {"epochscan", "milliseconds", 0, {"@", sample}},
    {"epochscan", "microseconds", 0, {"@", sample}},
    {"epochscan", "nanoseconds", 0, {"-s", "@", sample}},
    {"epochscan", "help", 0, {"@"}},
    {"epochscan", "version", 0, {"@"}},
    {"dozejitter", "verbose", 0, {"@", "0", "0"}},
    {"dozejitter", "quiet", 0, {"-w", "@", "0", "0"}},
    {"dozejitter", "help", 0, {"@"}},
    {"dozejitter", "version", 0, {"@"}},
};

// The options added since, in the order they came.
const option_row added[] = {
    {"epochscan", "integer", 0, {"-s", "-X", "@", sample}},
    {"tagsnip", "exact-tag-lines", 0, {"-X", "-b", "<", "-e", ">", "@"}, tagged},
    {"tagsnip", "strict-blocks", 0, {"-X", "-b", "<", "-e", ">", "@"}, "a\nb<x\n"},
    {"tagsnip", "ensure-block", 1, {"-b", "<", "-e", ">", "@", "ins"}, tagged},
    {"epochfmt", "file", 1, {"@", "-"}, "1\n"},
    {"epochscan", "file", 1, {"-s", "@", "-"}, sample + "\n"},
    {"epochscan", "f", 0, {"-s", "@", sample}},
    {"epochfmt", "zone", 1, {"@", "Asia/Tokyo", "0"}},
    {"epochscan", "zone", 1, {"-s", "@", "Asia/Tokyo", sample}},
};

// The names of PROGRAM's options among the rows [first, last).
std::vector<std::string> names_of(const char* program, const option_row* first, const option_row* last)
{
    std::vector<std::string> names;
    for (const option_row* r = first; r != last; ++r) {
        if (std::string(r->program) == program)
            names.push_back(r->name);
    }
    return names;
}

// The shortest prefix of NAME that no other of NAMES begins with (NAME
// itself when there is none). It stands for every longer one: getopt_long
// takes a prefix when it is a name, or when the options it begins agree in
// meaning, and those a longer prefix begins are among those of a shorter.
std::string shortest_unique_prefix(const std::string& name, const std::vector<std::string>& names)
{
    for (size_t length = 1; length < name.size(); ++length) {
        const std::string prefix = name.substr(0, length);
        size_t others = 0;
        for (const std::string& n : names) {
            if (n != name && n.compare(0, length, prefix) == 0)
                ++others;
        }
        if (others == 0)
            return prefix;
    }
    return name;
}

// The outcome of a run in a directory of its own that holds the files the
// rows name: status, both streams, and the file "out" afterwards.
std::string outcome(const option_row& row, const std::string& option)
{
    testsupport::temp_dir dir;
    testsupport::write_file(dir / "in", tagged);
    testsupport::write_file(dir / "ins", "INS\n");
    testsupport::write_file(dir / "out", "old\n");
    testsupport::run_request request;
    request.argv = {row.program};
    for (size_t i = 0; i < row.args.size(); ++i) {
        if (row.args[i] != "@") {
            request.argv.push_back(row.args[i]);
        } else if (option.empty()) {
            i += static_cast<size_t>(row.words);  // the run without the option
        } else {
            request.argv.push_back(option);
        }
    }
    request.env = {"LC_ALL=C.UTF-8"};
    request.input = row.input;
    request.cwd = dir.path;
    const testsupport::run_result r = testsupport::run(request);
    return "status " + std::to_string(r.status) + "\nout:\n" + r.out + "\nerr:\n" + r.err + "\nfile out:\n" +
           (testsupport::file_exists(dir / "out") ? testsupport::read_file(dir / "out") : "(none)");
}

void check(const option_row& row, const std::vector<std::string>& names)
{
    if (!testsupport::file_exists(testsupport::program_path(row.program)))
        GTEST_SKIP() << row.program << " is not built here";
    const std::string whole = outcome(row, std::string("--") + row.name);
    ASSERT_NE(whole, outcome(row, "")) << row.program << " --" << row.name << ": the row does not show the option";
    const std::string prefix = shortest_unique_prefix(row.name, names);
    EXPECT_EQ(outcome(row, "--" + prefix), whole) << row.program << " --" << prefix << " for --" << row.name;
}

class Original : public testing::TestWithParam<option_row> {};
class Added : public testing::TestWithParam<size_t> {};

TEST_P(Original, AbbreviationsKeepTheirMeaning)
{
    check(GetParam(), names_of(GetParam().program, std::begin(original), std::end(original)));
}

// An added option's abbreviations are those unique when it came: among the
// original options and those added before it.
TEST_P(Added, AbbreviationsKeepTheirMeaning)
{
    const option_row& row = added[GetParam()];
    std::vector<std::string> names = names_of(row.program, std::begin(original), std::end(original));
    const std::vector<std::string> before = names_of(row.program, added, added + GetParam() + 1);
    names.insert(names.end(), before.begin(), before.end());
    check(row, names);
}

std::string row_name(const option_row& row)
{
    std::string name = std::string(row.program) + "_" + row.name;
    for (char& c : name) {
        if (c == '-')
            c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Options, Original, testing::ValuesIn(original),
                         [](const testing::TestParamInfo<option_row>& p) { return row_name(p.param); });
INSTANTIATE_TEST_SUITE_P(Options, Added, testing::Range<size_t>(0, std::size(added)),
                         [](const testing::TestParamInfo<size_t>& p) { return row_name(added[p.param]); });

}  // namespace
