// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's files: input files read twice or copied, output files, appending,
// the in-place update and what a failed run leaves behind.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "tagsnip/tests/e2e_support.hpp"

namespace {

using e2e::snip;
using testsupport::file_exists;
using testsupport::read_file;
using testsupport::run_result;
using testsupport::temp_dir;
using testsupport::write_file;

const std::string five = "a\nBEGIN\nb\nEND\nc\n";
const std::vector<std::string> delete_block = {"-D", "-b", "BEGIN", "-e", "END", "-f", "-y"};

std::string real(const std::string& path)
{
    char* resolved = realpath(path.c_str(), nullptr);
    std::string result = resolved != nullptr ? resolved : path;
    free(resolved);
    return result;
}

run_result snip_in(const temp_dir& dir, std::vector<std::string> args, std::string input = "")
{
    e2e::call c;
    c.args = std::move(args);
    c.input = std::move(input);
    c.cwd = dir.path;
    return snip(c);
}

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(InPlace, KeepsMode0640AndLeavesNoTemporaryFile)
{
    temp_dir dir;
    write_file(dir / "f", five);
    chmod((dir / "f").c_str(), 0640);
    const run_result r = snip_in(dir, with({"-i", "f", "-p"}, delete_block));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read_file(dir / "f"), "a\nc\n");
    EXPECT_EQ(e2e::mode_of(dir / "f"), 0640u);
    EXPECT_FALSE(file_exists(dir / "f~"));
}

TEST(InPlace, ThroughASymbolicLinkReplacesTheTarget)
{
    temp_dir dir;
    mkdir((dir / "sub").c_str(), 0755);
    write_file(dir / "target", five);
    chmod((dir / "target").c_str(), 0604);
    ASSERT_EQ(symlink("../target", (dir / "sub/link").c_str()), 0);
    const run_result r = snip_in(dir, with({"-i", "sub/link", "--in-place"}, delete_block));
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(e2e::is_symlink(dir / "sub/link"));
    EXPECT_EQ(read_file(dir / "target"), "a\nc\n");
    EXPECT_EQ(e2e::mode_of(dir / "target"), 0604u);
    EXPECT_FALSE(file_exists(dir / "target~"));
    EXPECT_FALSE(file_exists(dir / "sub/link~"));
}

TEST(InPlace, FailedActionCountLeavesTheInputAlone)
{
    temp_dir dir;
    write_file(dir / "f", "no blocks\n");
    const run_result r = snip_in(dir, {"-i", "f", "-p", "-m", "1", "-X", "-t", "BEGIN", "-y"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, e2e::count_error);
    EXPECT_EQ(read_file(dir / "f"), "no blocks\n");
    EXPECT_FALSE(file_exists(dir / "f~"));

    const run_result kept = snip_in(dir, {"-i", "f", "-p", "-m", "1", "-k", "-D", "-t", "BEGIN", "-y"});
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(read_file(dir / "f"), "no blocks\n");
    ASSERT_TRUE(file_exists(dir / "f~"));
    EXPECT_EQ(read_file(dir / "f~"), "no blocks\n");
    EXPECT_EQ(e2e::mode_of(dir / "f~"), 0600u);  // never readable by others while it is written
}

// The names in dir that begin with prefix, sorted.
std::vector<std::string> names_beginning(const temp_dir& dir, const std::string& prefix)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.path.c_str());
    for (const dirent* e; d != nullptr && (e = readdir(d)) != nullptr;) {
        if (std::string(e->d_name).rfind(prefix, 0) == 0)
            names.push_back(e->d_name);
    }
    if (d != nullptr)
        closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(InPlace, ASymbolicLinkAtTheTemporaryNameIsLeftAlone)
{
    temp_dir dir;
    write_file(dir / "f", five);
    write_file(dir / "victim", "keep me\n");
    ASSERT_EQ(symlink("victim", (dir / "f~").c_str()), 0);
    const run_result r = snip_in(dir, with({"-i", "f", "-p"}, delete_block));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read_file(dir / "victim"), "keep me\n");
    EXPECT_EQ(read_file(dir / "f"), "a\nc\n");
    EXPECT_TRUE(e2e::is_symlink(dir / "f~"));
    EXPECT_EQ(names_beginning(dir, "f~"), std::vector<std::string>{"f~"});
}

// Where editors keep their backups: never overwritten, never deleted; the
// update goes through a fresh name beside it, which --keep-broken keeps.
TEST(InPlace, AnExistingFileAtTheTemporaryNameIsKept)
{
    temp_dir dir;
    write_file(dir / "f~", "backup\n");
    for (const std::vector<std::string>& more : {std::vector<std::string>{}, {"-a"}, {"-k"}}) {
        write_file(dir / "f", five);
        const run_result r = snip_in(dir, with(with({"-i", "f", "-p"}, delete_block), more));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(read_file(dir / "f"), "a\nc\n");
        EXPECT_EQ(read_file(dir / "f~"), "backup\n");
        EXPECT_EQ(names_beginning(dir, "f~"), std::vector<std::string>{"f~"});
    }
    write_file(dir / "f", five);
    const run_result kept = snip_in(dir, with({"-i", "f", "-p", "-m", "9", "-k"}, delete_block));
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(kept.err, e2e::count_error);
    EXPECT_EQ(read_file(dir / "f"), five);
    EXPECT_EQ(read_file(dir / "f~"), "backup\n");
    const std::vector<std::string> left = names_beginning(dir, "f~");
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[1].size(), 8u);  // "f~" and six characters
    EXPECT_EQ(read_file(dir / left[1]), "a\nc\n");
    EXPECT_EQ(e2e::mode_of(dir / left[1]), 0600u);
}

TEST(InPlace, AHardLinkOfTheInputAtTheTemporaryNameIsNotEmptied)
{
    temp_dir dir;
    write_file(dir / "f", five);
    ASSERT_EQ(link((dir / "f").c_str(), (dir / "f~").c_str()), 0);
    const run_result r = snip_in(dir, with({"-i", "f", "-p"}, delete_block));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "f"), "a\nc\n");
    EXPECT_EQ(read_file(dir / "f~"), five);
}

TEST(InPlace, FullDiskLeavesTheInputWholeAndNoTemporaryFile)
{
    temp_dir dir;
    std::string big;
    while (big.size() < (1u << 20))
        big += "line of text " + std::to_string(big.size()) + "\n";
    write_file(dir / "f", big);
    e2e::call c;
    c.args = {"-i", "f", "-p", "-H"};
    c.cwd = dir.path;
    c.file_size_limit = 64 * 1024;
    const run_result r = snip(c);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Unable to write to output file " + real(dir / "f") + "~: File too large!\n");
    EXPECT_EQ(read_file(dir / "f"), big);
    EXPECT_FALSE(file_exists(dir / "f~"));

    // With a backup at the temporary name the message names the fresh file.
    write_file(dir / "f~", "backup\n");
    const run_result fresh = snip(c);
    EXPECT_EQ(fresh.status, 1);
    const std::string named = "ERROR: Unable to write to output file " + real(dir / "f") + "~";
    ASSERT_EQ(fresh.err.rfind(named, 0), 0u) << fresh.err;
    EXPECT_EQ(fresh.err.substr(named.size() + 6), ": File too large!\n");
    EXPECT_EQ(read_file(dir / "f"), big);
    EXPECT_EQ(read_file(dir / "f~"), "backup\n");
    EXPECT_EQ(names_beginning(dir, "f~"), std::vector<std::string>{"f~"});
}

TEST(InPlace, RestoresOwnerAndGroup)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only the superuser can give a file to another owner";
    temp_dir dir;
    write_file(dir / "f", five);
    ASSERT_EQ(chown((dir / "f").c_str(), 1234, 2345), 0);
    chmod((dir / "f").c_str(), 02640);
    const run_result r = snip_in(dir, with({"-i", "f", "-p"}, delete_block));
    EXPECT_EQ(r.status, 0);
    struct stat st {};
    ASSERT_EQ(stat((dir / "f").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 2345u);
    EXPECT_EQ(st.st_mode & 07777, 02640u);
}

struct kill_watch {
    std::string temp_path;
    bool killed = false;
};

// Kills the child once its temporary output has grown past a few hundred KiB.
void kill_when_half_written(pid_t pid, void* data)
{
    auto* watch = static_cast<kill_watch*>(data);
    for (int i = 0; i < 60000; ++i) {
        struct stat st {};
        if (stat(watch->temp_path.c_str(), &st) == 0 && st.st_size > 512 * 1024) {
            kill(pid, SIGKILL);
            watch->killed = true;
            return;
        }
        const timespec pause = {0, 1000000};
        nanosleep(&pause, nullptr);
    }
}

TEST(InPlace, KilledMidwayLeavesTheInputWholeAndUnchanged)
{
    temp_dir dir;
    std::string big;
    big.reserve(40u << 20);
    for (int i = 0; big.size() < (32u << 20); ++i)
        big += "row " + std::to_string(i) + " of the table\n";
    write_file(dir / "big", big);
    kill_watch watch{real(dir / "big") + "~"};
    testsupport::run_request request;
    request.argv = {"tagsnip", "-i", "big", "-p", "-E"};
    request.cwd = dir.path;
    request.env = {"LC_ALL=C.UTF-8"};
    request.timeout_seconds = 300;
    const run_result r = testsupport::run_with(request, kill_when_half_written, &watch);
    ASSERT_TRUE(watch.killed) << "the update ended before it could be interrupted";
    EXPECT_EQ(r.signal, SIGKILL);
    EXPECT_TRUE(read_file(dir / "big") == big);
}

TEST(OutputFile, BrokenOutputIsDeletedUnlessKept)
{
    temp_dir dir;
    write_file(dir / "in", five);
    const run_result r = snip_in(dir, {"-i", "in", "-o", "out", "-X", "-t", "NONE", "-y", "-m", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(file_exists(dir / "out"));
    const run_result kept = snip_in(dir, {"-i", "in", "-o", "out", "-k", "-s", "1", "1", "-M", "0"});
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(read_file(dir / "out"), "BEGIN\nb\nEND\nc\n");
}

TEST(OutputFile, WriteErrorDeletesTheOutput)
{
    temp_dir dir;
    write_file(dir / "in", std::string(300000, 'x') + "\n");
    e2e::call c;
    c.args = {"-i", "in", "-o", "out"};
    c.cwd = dir.path;
    c.file_size_limit = 100000;
    const run_result r = snip(c);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Unable to write to output file out: File too large!\n");
    EXPECT_FALSE(file_exists(dir / "out"));
}

TEST(OutputFile, ASymbolicLinkIsNeverDeleted)
{
    temp_dir dir;
    write_file(dir / "in", "no blocks\n");
    write_file(dir / "target", "old\n");
    ASSERT_EQ(symlink("target", (dir / "link").c_str()), 0);
    const run_result r = snip_in(dir, {"-i", "in", "-o", "link", "-m", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, e2e::count_error);
    EXPECT_TRUE(e2e::is_symlink(dir / "link"));
    EXPECT_TRUE(file_exists(dir / "target"));
}

TEST(OutputFile, SameFileAsTheInputIsRefused)
{
    temp_dir dir;
    write_file(dir / "f", five);
    ASSERT_EQ(symlink("f", (dir / "link").c_str()), 0);
    ASSERT_EQ(link((dir / "f").c_str(), (dir / "hard").c_str()), 0);
    const std::string refused = "ERROR: Input file and output file are the same file (use --in-place|-p)!\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-i", "f", "-o", "f"}, {"-i", "f", "-o", "./f", "-a"}, {"-i", "link", "-o", "f"},
          {"-i", "f", "-o", "hard", "-k"}, {"-i", dir / "f", "-o", "link", "-X", "-s", "1", "2"}}) {
        const run_result r = snip_in(dir, args);
        EXPECT_EQ(r.status, 1) << args[3];
        EXPECT_EQ(r.err, refused) << args[3];
        EXPECT_EQ(read_file(dir / "f"), five) << args[3];
    }
}

TEST(OutputFile, AppendingCutsBackOnFailure)
{
    temp_dir dir;
    write_file(dir / "in", five);
    write_file(dir / "out", "old\n");
    const run_result failed = snip_in(dir, {"-i", "in", "-o", "out", "-a", "-M", "0", "-s", "1", "1"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(read_file(dir / "out"), "old\n");

    const run_result fresh = snip_in(dir, {"-i", "in", "-o", "new", "-a", "-M", "0", "-s", "1", "1"});
    EXPECT_EQ(fresh.status, 1);
    EXPECT_FALSE(file_exists(dir / "new"));

    const run_result kept = snip_in(dir, {"-i", "in", "-o", "out", "-a", "-k", "-M", "0", "-X", "-s", "1", "1"});
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(read_file(dir / "out"), "old\na\n");

    const run_result ok = snip_in(dir, {"-i", "in", "-o", "out", "--append", "-X", "-s", "5", "5"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(read_file(dir / "out"), "old\na\nc\n");
}

struct select_case {
    const char* name;
    std::string from, to;
    std::string out;
    std::string err;
};

void PrintTo(const select_case& c, std::ostream* os)
{
    *os << c.name;
}

class FromTheEnd : public testing::TestWithParam<select_case> {};

TEST_P(FromTheEnd, ResolvedAgainstTheLineCount)
{
    const select_case& c = GetParam();
    temp_dir dir;
    write_file(dir / "five", "1\n2\n3\n4\n5\n");
    const run_result r = snip_in(dir, {"-X", "-i", "five", "-s", c.from, c.to});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Tagsnip, FromTheEnd,
    testing::Values(select_case{"last_two", "-2", "-1", "4\n5\n", ""},
                    select_case{"before_the_start", "-10", "-8", "", ""},
                    select_case{"reversed", "5", "3", "",
                                "WARNING: Line selection range (5 \u2014 3) is not useful. Input file too short?\n"},
                    select_case{"to_line_lands_on_zero", "2", "-6", "",
                                "WARNING: Line selection range (2 \u2014 -1) is not useful. Input file too short?\n"},
                    select_case{"to_line_before_first", "2", "-7", "",
                                "WARNING: Line selection range (2 \u2014 -1) is not useful. Input file too short?\n"},
                    select_case{"from_last_to_end", "-1", "0", "5\n", ""},
                    select_case{"first_to_last", "-5", "-1", "1\n2\n3\n4\n5\n", ""}),
    [](const testing::TestParamInfo<select_case>& p) { return std::string(p.param.name); });

TEST(FromTheEnd, QuietSilencesTheRangeWarning)
{
    temp_dir dir;
    write_file(dir / "five", "1\n2\n3\n4\n5\n");
    const run_result r = snip_in(dir, {"-X", "-i", "five", "-s", "5", "3", "-q"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

// The program started by a shell (sh, or bash for a process
// substitution), so that its input can be a process substitution or a FIFO
// filled by a background writer, or its descriptors closed or limited.
run_result through_shell(const temp_dir& dir, const std::string& shell, const std::string& script)
{
    testsupport::run_request r;
    r.argv = {shell, "-c", script, testsupport::program_path("tagsnip")};
    r.cwd = dir.path;
    r.env = {"LC_ALL=C.UTF-8"};
    return testsupport::run(r);
}

TEST(UnrewindableInput, ProcessSubstitutionWithNegativeLineNumbers)
{
    const std::string bash = testsupport::bash_path();
    if (bash.empty())
        GTEST_SKIP() << "bash is not installed: the process substitution needs it";
    temp_dir dir;
    const run_result r = through_shell(dir, bash, "exec \"$0\" -X -i <(printf '1\\n2\\n3\\n4\\n5\\n') -s -2 -1");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "4\n5\n");
    EXPECT_EQ(r.err, "");
}

TEST(UnrewindableInput, FifoWithNegativeLineNumbersAndAnInsertFifo)
{
    const std::string bash = testsupport::bash_path();
    if (bash.empty())
        GTEST_SKIP() << "bash is not installed: the process substitution needs it";
    temp_dir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "insert").c_str(), 0600), 0);
    const run_result r = through_shell(
        dir, bash, "printf 'a\\nb\\nc\\nd\\n' > fifo & printf 'NEW\\n' > insert & "
             "\"$0\" -B insert -i fifo -s -3 -3 && \"$0\" -i /dev/stdin -X -s -1 -1 < <(printf 'x\\ny\\n')");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "a\nb\nNEW\nc\nd\ny\n");
    EXPECT_EQ(r.err, "");
}

TEST(InsertFile, StandardInputReplacesEveryBlock)
{
    temp_dir dir;
    write_file(dir / "in", "BEGIN\nx\nEND\nkeep\nBEGIN\ny\nEND\n");
    const run_result r = snip_in(dir, {"-R", "-", "-i", "in", "-b", "BEGIN", "-e", "END", "-f", "-y"}, "N1\nN2\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "N1\nN2\nkeep\nN1\nN2\n");
}

TEST(InsertFile, MissingInsertFileRemovesTheFreshOutput)
{
    temp_dir dir;
    write_file(dir / "in", five);
    const run_result r = snip_in(dir, {"-i", "in", "-o", "out", "-R", "missing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Unable to open insert file missing: No such file or directory!\n");
    EXPECT_FALSE(file_exists(dir / "out"));
    const run_result kept = snip_in(dir, {"-i", "in", "-o", "out", "-k", "-R", "missing"});
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(read_file(dir / "out"), "");
    const run_result in_place = snip_in(dir, {"-i", "in", "-p", "-R", "missing"});
    EXPECT_EQ(in_place.status, 1);
    EXPECT_FALSE(file_exists(dir / "in~"));
    EXPECT_EQ(read_file(dir / "in"), five);
}

TEST(InsertFile, ADirectoryIsRefused)
{
    temp_dir dir;
    mkdir((dir / "d").c_str(), 0755);
    const run_result r = snip_in(dir, {"-F", "d", "-s", "1", "1"}, "a\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR: Unable to open insert file d: Is a directory!\n");
}

TEST(InputFile, MissingInputAndUnresolvablePath)
{
    temp_dir dir;
    const run_result r = snip_in(dir, {"-i", "nothing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Unable to open input file nothing: No such file or directory!\n");
    const run_result p = snip_in(dir, {"-i", "nothing", "-p"});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.err, "ERROR: Unable to resolve absolute path for input file nothing: No such file or directory!\n");
    write_file(dir / "f", "x\n");
    const run_result both = snip_in(dir, {"-i", "f", "-p", "-o", "g"});
    EXPECT_EQ(both.status, 1);
    EXPECT_EQ(both.err,
              "ERROR: In-place update (--in-place|-p) and output file (--output/-o) are mutually exclusive!\n");
    EXPECT_FALSE(file_exists(dir / "g"));
    const run_result directory = snip_in(dir, {"-i", "."});
    EXPECT_EQ(directory.status, 1);
    EXPECT_EQ(directory.err, "ERROR: Read error: Is a directory!\n");
}

TEST(InputFile, DashesAndAnInPlaceOutputDash)
{
    temp_dir dir;
    write_file(dir / "f", five);
    const run_result r = snip_in(dir, with({"-i", "f", "-p", "-o", "-"}, delete_block));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "f"), "a\nc\n");
}

// Started by sh with standard descriptors closed or under limits; every
// run fails with its message and leaves the files as they were.
TEST(HostileStart, ClosedDescriptorsAndLimits)
{
    temp_dir dir;
    write_file(dir / "f", five);
    const std::string big(300000, 'x');
    write_file(dir / "big", big);
    struct shell_case {
        std::string script;
        std::string err;
    };
    for (const shell_case& c : {
             shell_case{"exec \"$0\" -p -i f -R - -b BEGIN -e END <&-", "ERROR: Read error: Bad file descriptor!\n"},
             shell_case{"exec \"$0\" -i f >&-", "ERROR: Unable to write to standard output: Bad file descriptor!\n"},
             shell_case{"exec \"$0\" -i f >> f", "ERROR: Input file and output file are the same file (use --in-place|-p)!\n"},
             // SIGXFSZ at its default: the write fails and is reported.
             shell_case{"ulimit -f 64; exec \"$0\" -E -i big -o out",
                        "ERROR: Unable to write to output file out: File too large!\n"},
             shell_case{"ulimit -f 64; exec \"$0\" -E -i big -p",
                        "ERROR: Unable to write to output file " + real(dir / "big") + "~: File too large!\n"},
         }) {
        const run_result r = through_shell(dir, "/bin/sh", c.script);
        EXPECT_EQ(r.status, 1) << c.script;
        EXPECT_EQ(r.err, c.err) << c.script;
        EXPECT_EQ(read_file(dir / "f"), five) << c.script;
        EXPECT_EQ(read_file(dir / "big"), big) << c.script;
        for (const char* left : {"f~", "big~", "out"})
            EXPECT_FALSE(file_exists(dir / left)) << c.script << ": " << left;
    }
    // With standard error closed no diagnostic goes into the output file.
    const run_result quiet = through_shell(dir, "/bin/sh", "exec \"$0\" -i f -o out -k -R missing 2>&-");
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(read_file(dir / "out"), "");
}

TEST(Refused, AnOutputThatIsReadAndAnInPlaceUpdateOfAnythingButARegularFile)
{
    temp_dir dir;
    write_file(dir / "f", five);
    write_file(dir / "x", "x\n");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir((dir / "d").c_str(), 0755), 0);
    const std::string insert_is_output = "ERROR: Insert file and output file are the same file!\n";
    const std::string not_regular = ": Not a regular file!\n";
    struct refusal {
        std::vector<std::string> args;
        std::string err;
    };
    for (const refusal& c : {
             refusal{{"-i", "f", "-o", "x", "-R", "x"}, insert_is_output},
             refusal{{"-i", "f", "-o", "x", "-a", "-B", "./x", "-s", "1", "1"}, insert_is_output},
             refusal{{"-i", "f", "-o", "new", "-R", "new"}, insert_is_output},
             refusal{{"-i", "fifo", "-p"}, "ERROR: Unable to create output file " + real(dir / "fifo") + "~" + not_regular},
             refusal{{"-i", "d", "-p"}, "ERROR: Unable to create output file " + real(dir / "d") + "~" + not_regular},
             refusal{{"-i", "/dev/null", "-p"}, "ERROR: Unable to create output file /dev/null~" + not_regular},
         }) {
        const run_result r = snip_in(dir, c.args, "x\n");
        EXPECT_EQ(r.status, 1) << c.args[3];
        EXPECT_EQ(r.err, c.err) << c.args[3];
        EXPECT_EQ(read_file(dir / "x"), "x\n");
        EXPECT_EQ(read_file(dir / "f"), five);
        EXPECT_FALSE(file_exists(dir / "new"));
    }
    EXPECT_FALSE(file_exists("/dev/null~"));
    EXPECT_FALSE(file_exists(dir / "fifo~"));
}

struct fifo_signal {
    std::string fifo;
    int signal_number;
};

// Once the program has opened the insert FIFO (and so its output), it waits
// for the FIFO's text: the signal comes then.
void signal_while_waiting(pid_t pid, void* data)
{
    const auto* c = static_cast<const fifo_signal*>(data);
    for (int i = 0; i < 60000; ++i) {
        const int fd = open(c->fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            kill(pid, c->signal_number);
            close(fd);
            return;
        }
        const timespec pause = {0, 1000000};
        nanosleep(&pause, nullptr);
    }
}

TEST(Signals, RemoveTheBrokenOutputAndEndTheProcess)
{
    temp_dir dir;
    write_file(dir / "f", five);
    write_file(dir / "old", "old\n");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    struct signal_case {
        int signal_number;
        std::vector<std::string> args;
        std::string output;
        bool kept;
    };
    for (const signal_case& c : {
             signal_case{SIGTERM, {"-o", "out"}, "out", false},
             signal_case{SIGINT, {"-p"}, "f~", false},
             signal_case{SIGHUP, {"-o", "old", "-a"}, "old", true},
             signal_case{SIGTERM, {"-p", "-k"}, "f~", true},
         }) {
        fifo_signal shot{dir / "fifo", c.signal_number};
        testsupport::run_request request;
        request.argv = with({"tagsnip", "-i", "f", "-R", "fifo", "-s", "2", "2"}, c.args);
        request.cwd = dir.path;
        const run_result r = testsupport::run_with(request, signal_while_waiting, &shot);
        EXPECT_EQ(r.signal, c.signal_number) << c.output;
        EXPECT_EQ(file_exists(dir / c.output), c.kept) << c.output;
        EXPECT_EQ(read_file(dir / "f"), five);
        EXPECT_EQ(read_file(dir / "old"), "old\n");
        unlink((dir / "f~").c_str());
    }
}

}  // namespace
