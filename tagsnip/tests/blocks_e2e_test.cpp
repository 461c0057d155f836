// SPDX-License-Identifier: BSD-2-Clause
// Blocks between whole marker lines, as scripts keep them in configuration
// files: exact tag lines, the strict check of the blocks before anything is
// written, the managed block (added, replaced, never doubled), and an
// in-place update that changes nothing leaving the file untouched.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

#include "tagsnip/tests/e2e_support.hpp"

namespace {

using testsupport::read_file;
using testsupport::run_result;
using testsupport::temp_dir;
using testsupport::write_file;

const std::string B = "# BEGIN app";
const std::string E = "# END app";
const std::vector<std::string> ensure = {"--ensure-block", "ins", "-b", B, "-e", E};
const std::vector<std::string> remove_recipe = {"--delete", "--exact-tag-lines", "--strict-blocks",
                                                "--include-tags", "-b", B, "-e", E};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A run in a directory holding the input as "in" and the insert file "ins";
// without "-i in" among the arguments the input comes on standard input.
struct block_case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;
    std::string err = "";
    std::string insert = "NEW\n";
};

void PrintTo(const block_case& c, std::ostream* os)
{
    *os << c.name;
}

run_result run_in(const temp_dir& dir, std::vector<std::string> args, std::string input = "")
{
    e2e::call c;
    c.args = std::move(args);
    c.input = std::move(input);
    c.cwd = dir.path;
    return e2e::snip(c);
}

struct file_state {
    ino_t inode = 0;
    timespec modified{};
};

file_state state_of(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return file_state{st.st_ino, st.st_mtim};
}

bool same_state(const file_state& a, const file_state& b)
{
    return a.inode == b.inode && a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
}

// The names in dir other than "in" and "ins".
std::vector<std::string> others_in(const temp_dir& dir)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.path.c_str());
    for (const dirent* e; d != nullptr && (e = readdir(d)) != nullptr;) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && name != "in" && name != "ins")
            names.push_back(name);
    }
    if (d != nullptr)
        closedir(d);
    return names;
}

class Blocks : public testing::TestWithParam<block_case> {};

TEST_P(Blocks, Exactly)
{
    const block_case& c = GetParam();
    temp_dir dir;
    write_file(dir / "in", c.input);
    write_file(dir / "ins", c.insert);
    const run_result r = run_in(dir, c.args, c.input);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(read_file(dir / "in"), c.input);
    EXPECT_EQ(others_in(dir), std::vector<std::string>{});  // no output file made
}

const std::string neighbour = "a\n# BEGIN app-extra\nx\n# END app-extra\n";
const std::string quoted = "# remove the \"# BEGIN app\" block\nx # END app\n";
const std::string ours = B + "\nold\n" + E + "\n";
const std::string added = B + "\nNEW\n" + E + "\n";

INSTANTIATE_TEST_SUITE_P(
    Tagsnip, Blocks,
    testing::Values(
        block_case{"marker_as_prefix_is_not_ours", with(remove_recipe, {"-i", "in"}), neighbour + ours + "z\n", 0,
                   neighbour + "z\n"},
        block_case{"prefix_matches_without_exact", {"-D", "-f", "-y", "-b", B, "-e", E, "-i", "in"},
                   neighbour + ours, 0, "a\n"},
        block_case{"quoted_and_substring_markers", with(ensure, {"-i", "in"}), quoted, 0, quoted + added},
        block_case{"replaced_in_place_of_the_old", with(ensure, {"-i", "in"}), "a\n" + ours + "z\n", 0,
                   "a\n" + added + "z\n"},
        block_case{"crlf_markers_kept", with(ensure, {"-i", "in"}), "a\r\n" + B + "\r\nold\r\n" + E + "\r\nz\r\n", 0,
                   "a\r\n" + B + "\r\nNEW\r\n" + E + "\r\nz\r\n", "", "NEW"},
        block_case{"crlf_markers_added", with(ensure, {"-i", "in"}), "a\r\nb", 0,
                   "a\r\nb\r\n" + B + "\r\nNEW\n" + E + "\r\n"},
        block_case{"missing_end", with(remove_recipe, {"-i", "in"}), "a\n" + B + "\nb\n", 1, "",
                   "ERROR: The block begun on line 2 is not closed by an end tag (--strict-blocks)!\n"},
        block_case{"stray_end", with(ensure, {"-i", "in"}), "a\n" + E + "\n" + ours, 1, "",
                   "ERROR: The end tag on line 2 is outside a block (--strict-blocks)!\n"},
        block_case{"nested_begin", with(remove_recipe, {"-i", "in"}), B + "\n" + ours, 1, "",
                   "ERROR: The begin tag on line 2 is inside the block begun on line 1 (--strict-blocks)!\n"},
        block_case{"tags_only_unclosed", {"-X", "--strict-blocks", "-b", "<", "-e", ">", "-i", "in"}, "a<b>c\nd<e\n",
                   1, "", "ERROR: The block begun on line 2 is not closed by an end tag (--strict-blocks)!\n"},
        block_case{"tags_only_begin_within_the_end_tag", {"-X", "--strict-blocks", "-b", "b", "-e", "/b", "-i", "in"},
                   "1 b 2 /b 3\n", 1, "", "ERROR: The block begun on line 1 is not closed by an end tag (--strict-blocks)!\n"},
        block_case{"tags_only_balanced", {"-X", "--strict-blocks", "-b", "<", "-e", ">"}, "a<b>c<\nd>\n", 0, "b\nd"},
        block_case{"two_blocks", with(ensure, {"-i", "in"}), ours + "x\n" + ours, 1, "",
                   "ERROR: A second block begins on line 5, the first on line 1 (--ensure-block)!\n"},
        block_case{"no_final_newline", with(ensure, {"-i", "in"}), "a", 0, "a\n" + added},
        block_case{"empty_file", with(ensure, {"-i", "in"}), "", 0, added},
        block_case{"insert_without_final_newline", with(ensure, {"-i", "in"}), ours, 0, added, "", "NEW"},
        block_case{"empty_insert", with(ensure, {"-i", "in"}), ours, 0, B + "\n" + E + "\n", "", ""},
        block_case{"stdin", ensure, "a\n", 0, "a\n" + added},
        block_case{"stdin_fault_writes_nothing", with(remove_recipe, {"-o", "out"}), std::string(300000, 'x') + "\n" + E,
                   1, "", "ERROR: The end tag on line 2 is outside a block (--strict-blocks)!\n"},
        block_case{"min_one_updates_only", with(ensure, {"-i", "in", "-m", "1"}), "a\n", 1, "", e2e::count_error},
        block_case{"max_zero_adds_only", with(ensure, {"-i", "in", "-M", "0"}), ours, 1, "", e2e::count_error},
        block_case{"identical_tags_refused", {"--ensure-block", "ins", "-t", B}, "", 1, "",
                   "ERROR: A managed block (--ensure-block) needs different begin and end tags "
                   "(--begin-tag/-b/--end-tag/-e)!\n"},
        block_case{"replace_full_lines_ends_insertion", {"-R", "ins", "-f", "-b", "B", "-e", "E"}, "a\nB\nb\nE\nc\n", 0,
                   "a\nB\nNEW\nE\nc\n", "", "NEW"},
        block_case{"replace_included_ends_insertion", {"-R", "ins", "-f", "-y", "-b", "B", "-e", "E"},
                   "a\nB\nb\nE\nc\n", 0, "a\nNEW\nc\n", "", "NEW"},
        block_case{"insert_front_ends_insertion", {"-F", "ins", "-f", "-b", "B", "-e", "E"}, "B\nb\nE\n", 0,
                   "B\nNEW\nb\nE\n", "", "NEW"},
        block_case{"insert_back_ends_insertion", {"-B", "ins", "-f", "-y", "-b", "B", "-e", "E"}, "B\nb\nE\nc\n", 0,
                   "B\nb\nE\nNEW\nc\n", "", "NEW"},
        block_case{"tags_only_insertion_unchanged", {"-R", "ins", "-b", "B", "-e", "E"}, "xByEz\n", 0, "xBNEWEz\n", "",
                   "NEW"},
        block_case{"limits_saturate", {"-X", "-t", "X", "-y", "-m", "2147483648", "-M", "4294967296"}, "X\n", 1,
                   "X", e2e::count_error}),
    [](const testing::TestParamInfo<block_case>& p) { return std::string(p.param.name); });

// An in-place run whose result is its input, of any action, leaves the file
// as it was (an old modification time, which a new file could not have).
TEST(InPlace, AnUnchangedResultLeavesTheFileUntouched)
{
    temp_dir dir;
    write_file(dir / "ins", "NEW\n");
    const std::string big(3u << 20, 'x');
    for (const std::vector<std::string>& args :
         {ensure, {"-D", "-b", "nowhere", "-e", "never"}, {"-C"}, {"-R", "ins", "-b", B, "-e", E, "-f"}, {"-X", "-s", "1", "0"}}) {
        write_file(dir / "in", "a\n" + added + big + "\n");
        const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
        utimensat(AT_FDCWD, (dir / "in").c_str(), old_times, 0);
        const file_state before = state_of(dir / "in");
        const run_result r = run_in(dir, with(args, {"-i", "in", "-p"}));
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(same_state(before, state_of(dir / "in"))) << args[0];
        EXPECT_EQ(read_file(dir / "in"), "a\n" + added + big + "\n");
        EXPECT_EQ(others_in(dir), std::vector<std::string>{}) << args[0];
    }
    // A change at the very end still writes the whole file anew.
    const run_result changed = run_in(dir, {"-R", "ins", "-s", "-1", "-1", "-i", "in", "-p"});
    EXPECT_EQ(changed.status, 0);
    EXPECT_EQ(read_file(dir / "in"), "a\n" + added + "NEW\n");
}

// Random files and markers: ensuring twice is ensuring once (the second run
// touches nothing), a file with a fault stays as it was, and ensuring then
// removing gives back a file that held no block and ended in a newline.
TEST(ManagedBlock, EnsureIsIdempotentAndRemovalUndoesIt)
{
    std::mt19937 random(21);
    const std::vector<std::string> lines = {"a", "", "\r", B, E, B + "-extra", "# END app-extra", "x " + B, E + " ",
                                            "#", B + "\r", E + "\r"};
    temp_dir dir;
    for (int round = 0; round < 60; ++round) {
        std::string input;
        const int markers = static_cast<int>(random() % 3);  // often none, so that they can be added
        for (std::size_t k = random() % 8; k > 0; --k) {
            const std::string& line = lines[random() % (markers == 0 ? 4 : lines.size())];
            input += line + (k == 1 && random() % 4 == 0 ? "" : "\n");
        }
        const std::string content = random() % 3 == 0 ? "one" : "one\ntwo\n";
        write_file(dir / "in", input);
        write_file(dir / "ins", content);
        const run_result once = run_in(dir, with(ensure, {"-i", "in", "-p"}));
        const std::string ensured = read_file(dir / "in");
        if (once.status != 0) {
            EXPECT_EQ(ensured, input);
            EXPECT_EQ(once.err.rfind("ERROR: ", 0), 0u) << once.err;
            continue;
        }
        const file_state before = state_of(dir / "in");
        const run_result twice = run_in(dir, with(ensure, {"-i", "in", "-p"}));
        EXPECT_EQ(twice.status, 0);
        EXPECT_EQ(read_file(dir / "in"), ensured) << input;
        EXPECT_TRUE(same_state(before, state_of(dir / "in"))) << input;
        const run_result extracted = run_in(dir, {"-X", "--exact-tag-lines", "-b", B, "-e", E, "-i", "in"});
        const bool crlf = input.find('\n') != std::string::npos && input.find('\n') > 0 &&
                          input[input.find('\n') - 1] == '\r';
        EXPECT_EQ(extracted.out, content == "one" ? (crlf ? "one\r\n" : "one\n") : content) << input;
        const bool had_block = input.find(B + "\n") == 0 || input.find("\n" + B + "\n") != std::string::npos ||
                               input.find(B + "\r\n") == 0 || input.find("\n" + B + "\r\n") != std::string::npos;
        const run_result removed = run_in(dir, with(remove_recipe, {"-i", "in", "-p"}));
        EXPECT_EQ(removed.status, 0) << removed.err;
        if (!had_block && (input.empty() || input.back() == '\n')) {
            EXPECT_EQ(read_file(dir / "in"), input);
        }
        EXPECT_EQ(others_in(dir), std::vector<std::string>{});
    }
}

}  // namespace
