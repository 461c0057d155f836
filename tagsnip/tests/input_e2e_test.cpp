// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's input read the ways it can come: a file named with --input
// (counted first, copied whole by the kernel where nothing changes), the
// same bytes through a pipe, and a file on standard input; and a file that
// changes between the counting pass and the scan.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tagsnip/tests/e2e_support.hpp"

namespace {

using testsupport::read_file;
using testsupport::run_result;
using testsupport::temp_dir;
using testsupport::write_file;

run_result run_in(const temp_dir& dir, std::vector<std::string> argv, std::string input = "")
{
    testsupport::run_request r;
    r.argv = std::move(argv);
    r.input = std::move(input);
    r.cwd = dir.path;
    r.env = {"LC_ALL=C.UTF-8"};
    r.timeout_seconds = 120;
    return testsupport::run(r);
}

// Random lines of tags and words, now and then one longer than the read
// buffer; a large input holds a line of more than the 1 MiB from which an
// input written unchanged is copied whole.
std::string random_input(std::mt19937& random, bool large)
{
    const std::vector<std::string> words = {"BEGIN", "END", "--", "ab", "x", " ", "\n", "\n", std::string(1, '\0')};
    std::string input;
    for (std::size_t k = random() % 300; k > 0; --k) {
        if (random() % 900 == 0)
            input += std::string(300000, 'y');
        input += words[random() % words.size()];
    }
    if (large)
        input.insert(input.size() / 2, std::string(1100000, 'z'));
    return input;
}

// A run over a large input writes it unchanged: no tags, no selection, an
// action that writes outside text as it is.
std::vector<std::string> random_arguments(std::mt19937& random, bool unchanged, bool& from_end)
{
    static const std::vector<std::vector<std::string>> actions = {
        {"-C"}, {"-F", "ins"}, {"-B", "ins"}, {"-R", "ins"}, {"-D"}, {"-0"}, {"-E"}, {"-H"}, {"-X"}};
    std::vector<std::string> args = actions[random() % (unchanged ? 5 : actions.size())];
    from_end = false;
    switch (unchanged ? 0 : random() % 4) {
    case 0:
        break;  // no selection: every line is outside
    case 1: {
        const long from = static_cast<long>(random() % 12) - 4;
        const long to = static_cast<long>(random() % 12) - 4;
        from_end = from < 0 || to < 0;
        args.insert(args.end(), {"-s", std::to_string(from), std::to_string(to)});
        break;
    }
    default:
        args.insert(args.end(), {"-b", random() % 3 == 0 ? "--" : "BEGIN", "-e", "END"});
        if (random() % 2 == 0)
            args.push_back("-f");
        if (random() % 2 == 0)
            args.push_back("-y");
    }
    if (random() % 5 == 0)
        args.insert(args.end(), {"-m", "1"});
    args.push_back("-q");  // the line-range warning is given for a named input only
    return args;
}

// Each round runs the named file and, in turn, the same bytes through a
// pipe or as a file on standard input.
TEST(InputPaths, AFileAPipeAndAFileOnStandardInputGiveTheSameRun)
{
    temp_dir dir;
    write_file(dir / "ins", "NEW\n");
    const std::string program = testsupport::program_path("tagsnip");
    std::mt19937 random(16);
    for (int round = 0; round < 48; ++round) {
        const bool large = round % 6 < 2;
        const std::string input = random_input(random, large);
        bool from_end = false;
        std::vector<std::string> args = random_arguments(random, large, from_end);
        write_file(dir / "in", input);
        std::vector<std::string> named = {"tagsnip"};
        named.insert(named.end(), args.begin(), args.end());
        named.insert(named.end(), {"-i", "in"});
        // Numbers counted from the end need a named input: the pipe named.
        if (from_end)
            args.insert(args.end(), {"-i", "/dev/stdin"});
        std::vector<std::string> other = {"/bin/sh", "-c", "exec \"$0\" \"$@\" < in", program};
        std::string other_input;
        if (round % 2 == 0) {
            other = {"tagsnip"};
            other_input = input;
        }
        other.insert(other.end(), args.begin(), args.end());

        const run_result file = run_in(dir, named);
        const run_result r = run_in(dir, other, other_input);
        std::string what = "round " + std::to_string(round) + (round % 2 == 0 ? " (pipe):" : " (redirected):");
        for (const std::string& a : args)
            what += " " + a;
        ASSERT_EQ(file.signal, 0) << what;
        EXPECT_EQ(r.status, file.status) << what;
        EXPECT_EQ(r.out, file.out) << what;
        EXPECT_EQ(r.err, file.err) << what;
        if (testing::Test::HasFailure())
            break;
    }
}

// The output file is created after the counting pass and before standard
// input is read for the insert file: once it exists, the input changes.
TEST(InputFile, ShrinksOrGrowsBetweenTheCountAndTheScan)
{
    struct change_case {
        const char* change;
        std::string out;
    };
    const std::string five = "1\n2\n3\n4\n5\n";
    for (const change_case& c : {
             // counted 5 lines: -2 -1 selects lines 4 and 5, which are gone
             change_case{"printf 'a\\nb\\n' > in", "a\nb\n"},
             change_case{"printf '6\\n7' >> in", "1\n2\n3\nNEW\n4\n5\n6\n7"},
             change_case{": > in", ""},
         }) {
        temp_dir dir;
        write_file(dir / "in", five);
        const std::string script = std::string("{ while [ ! -e out ]; do sleep 0.01; done; ") + c.change +
                                   "; printf 'NEW\\n'; } | \"$0\" -i in -o out -F - -s -2 -1";
        const run_result r = run_in(dir, {"/bin/sh", "-c", script, testsupport::program_path("tagsnip")});
        EXPECT_EQ(r.status, 0) << c.change;
        EXPECT_EQ(r.err, "") << c.change;
        EXPECT_EQ(read_file(dir / "out"), c.out) << c.change;
    }
}

// An input written unchanged, copied whole: into a new file, appended to
// one (which the kernel refuses to copy into: the scan does it), onto a
// full device, and into a file that may not grow that far.
TEST(InputFile, AWholeCopyAndItsFallbackAndWriteErrors)
{
    temp_dir dir;
    const std::string big = std::string(2 << 20, 'x') + "\nBEGIN\n";
    write_file(dir / "in", big);
    write_file(dir / "old", "old\n");
    EXPECT_EQ(run_in(dir, {"tagsnip", "-i", "in", "-o", "new", "-R", "in"}).status, 0);
    EXPECT_EQ(read_file(dir / "new"), big);
    EXPECT_EQ(run_in(dir, {"tagsnip", "-i", "in", "-o", "old", "-a"}).status, 0);
    EXPECT_EQ(read_file(dir / "old"), "old\n" + big);
    e2e::call c;
    c.args = {"-i", "in"};
    c.cwd = dir.path;
    c.stdout_path = "/dev/full";
    const run_result full = e2e::snip(c);
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "ERROR: Unable to write to standard output: No space left on device!\n");
    c.args = {"-i", "in", "-o", "limited"};
    c.stdout_path.clear();
    c.file_size_limit = 1 << 20;
    const run_result limited = e2e::snip(c);
    EXPECT_EQ(limited.status, 1);
    EXPECT_EQ(limited.err, "ERROR: Unable to write to output file limited: File too large!\n");
    EXPECT_FALSE(testsupport::file_exists(dir / "limited"));
}

}  // namespace
