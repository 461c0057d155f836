// SPDX-License-Identifier: BSD-2-Clause
// tagsnip under failing system calls and signals. Each scenario runs once to
// learn its result and how often it calls each system function; then once
// for every call of every kind failing with EIO, ENOSPC and EINTR in turn
// (the sweep, FaultSweep: minutes; make check-faults), or for a fixed sample
// of those calls (FaultInjection: seconds; make check).
// Every run must end with status 0 and the right result, or with status 1,
// an ERROR line, its inputs whole and no broken output or temporary file.
// Built where the preloaded library is (Linux), which names its path.
#include <gtest/gtest.h>

#if defined(FAULT_SHIM_PATH)

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tagsnip/tests/e2e_support.hpp"

namespace {

using testsupport::file_exists;
using testsupport::read_file;
using testsupport::run_result;
using testsupport::temp_dir;
using testsupport::write_file;

enum class target { in_place, new_file, existing_file, append, standard_output };

struct scenario {
    const char* name;
    std::vector<std::string> action;  // "INS" stands for the insert file
    target out;
    bool insert_from_stdin = false;
    bool keep_broken = false;
    bool fails = false;  // the run fails by design (an action count)
    bool unchanged = false;  // an in-place result that is its input: nothing is written
};

const std::vector<std::string> tags = {"-b", "BEGIN", "-e", "END"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Every action, every kind of output, insert text from a file and from
// standard input, kept broken output, and runs that fail on their own.
const std::vector<scenario> scenarios = {
    {"cat_in_place", {"-C", "-s", "100", "200"}, target::in_place},
    {"discard_new", {"-0", "-s", "5", "9"}, target::new_file},
    {"enumerate_append", {"-E", "-s", "20", "30"}, target::append},
    {"highlight_stdout", with({"-H"}, tags), target::standard_output},
    {"highlight_in_place", with({"-H", "-f"}, tags), target::in_place},
    {"extract_existing", with({"-X", "-f"}, tags), target::existing_file},
    {"front_in_place", with({"-F", "INS", "-f"}, tags), target::in_place},
    {"front_new", with({"-F", "INS"}, tags), target::new_file},
    {"back_stdin_new", with({"-B", "INS"}, tags), target::new_file, true},
    {"replace_append", with({"-R", "INS", "-f", "-y"}, tags), target::append},
    {"replace_stdin_in_place", with({"-R", "INS", "-f"}, tags), target::in_place, true},
    {"delete_in_place_kept", with({"-D", "-f", "-k"}, tags), target::in_place, false, true},
    {"delete_append_kept", with({"-D", "-k", "-M", "0"}, tags), target::append, false, true, true},
    {"delete_in_place_too_few", with({"-D", "-m", "9"}, tags), target::in_place, false, false, true},
    {"cat_append_too_many", {"-C", "-s", "3", "4", "-M", "0"}, target::append, false, false, true},
    {"extract_new_too_few", with({"-X", "-m", "9"}, tags), target::new_file, false, false, true},
    {"ensure_appended_in_place", {"--ensure-block", "INS", "-b", "[app]", "-e", "[/app]"}, target::in_place},
    {"delete_nothing_in_place", {"-D", "-b", "nowhere", "-e", "never"}, target::in_place, false, false, false, true},
    {"strict_delete_stdout", {"-D", "--strict-blocks", "-f", "-b", "line 7000 of", "-e", "line 7020 of"},
     target::standard_output},
};

// Large enough for several reads and writes of 256 KiB, with three blocks.
std::string input_text()
{
    std::string text;
    for (int i = 1; text.size() < 420000; ++i) {
        text += "line " + std::to_string(i) + " of the input\n";
        if (i % 7000 == 0)
            text += "BEGIN\n";
        if (i % 7000 == 50)
            text += "END\n";
    }
    return text;
}

const std::string input = input_text();
const std::string insert_text(70000, 'n');
const std::string old_output = "old output\n";

struct fault {
    std::string kind;
    unsigned long at = 0;
    int error = 0;
};

struct outcome {
    run_result r;
    std::map<std::string, std::string> files;
};

std::map<std::string, std::string> files_in(const std::string& path)
{
    std::map<std::string, std::string> files;
    DIR* dir = opendir(path.c_str());
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            files[name] = read_file(path + "/" + name);
    }
    closedir(dir);
    return files;
}

// One run in a fresh directory; with counts_path, the shim writes its counts there.
outcome run_scenario(const scenario& sc, const fault& f, const std::string& counts_path = "")
{
    temp_dir dir;
    write_file(dir / "in", input);
    write_file(dir / "ins", insert_text);
    write_file(dir / "bystander", "keep\n");
    if (sc.out == target::existing_file || sc.out == target::append)
        write_file(dir / "out", old_output);
    std::vector<std::string> args = {"tagsnip", "-i", "in"};
    for (const std::string& a : sc.action)
        args.push_back(a == "INS" ? (sc.insert_from_stdin ? "-" : "ins") : a);
    if (sc.out == target::in_place)
        args.push_back("-p");
    else if (sc.out != target::standard_output)
        args = with(args, {"-o", "out"});
    if (sc.out == target::append)
        args.push_back("-a");

    testsupport::run_request request;
    request.argv = args;
    request.cwd = dir.path;
    request.input = sc.insert_from_stdin ? insert_text : "";
    request.timeout_seconds = 120;
    request.env = {"LC_ALL=C.UTF-8", std::string("LD_PRELOAD=") + FAULT_SHIM_PATH};
    if (!counts_path.empty())
        request.env.push_back("FAULT_COUNTS=" + counts_path);
    if (!f.kind.empty()) {
        request.env.push_back("FAULT_CALL=" + f.kind);
        request.env.push_back("FAULT_AT=" + std::to_string(f.at));
        request.env.push_back("FAULT_ERRNO=" + std::to_string(f.error));
    }
    outcome o{testsupport::run(request), files_in(dir.path)};
    return o;
}

std::string result_of(const scenario& sc, const outcome& o)
{
    if (sc.out == target::standard_output)
        return o.r.out;
    const auto found = o.files.find(sc.out == target::in_place ? "in" : "out");
    return found == o.files.end() ? "(none)" : found->second;
}

bool has_line(const std::string& err, const std::string& prefix)
{
    return err.rfind(prefix, 0) == 0 || err.find("\n" + prefix) != std::string::npos;
}

// What is wrong with a run under a fault, or "" when nothing is.
std::string judge(const scenario& sc, const outcome& good, const outcome& o)
{
    std::ostringstream why;
    const run_result& r = o.r;
    if (r.signal != 0 || (r.status != 0 && r.status != 1))
        why << "ended with status " << r.status << ", signal " << r.signal << "; ";
    if (r.status == 0) {
        if (good.r.status != 0)
            why << "succeeded though the run must fail; ";
        if (has_line(r.err, "ERROR: "))
            why << "an ERROR line with status 0; ";
        if (result_of(sc, o) != result_of(sc, good) || o.files != good.files)
            why << "other files or another result than without the fault; ";
    } else if (r.status == 1) {
        if (!has_line(r.err, "ERROR: "))
            why << "status 1 without an ERROR line; ";
        std::map<std::string, std::string> expected = {{"in", input}, {"ins", insert_text}, {"bystander", "keep\n"}};
        const bool replaced = sc.out == target::in_place && has_line(r.err, "ERROR: Unable to sync directory");
        if (replaced)
            expected["in"] = result_of(sc, good);
        if (sc.out == target::existing_file || sc.out == target::append)
            expected["out"] = old_output;
        // What a failed clean-up says it left, and what --keep-broken keeps.
        const bool left = sc.keep_broken || r.err.find(" broken output file ") != std::string::npos;
        for (const auto& [name, content] : o.files) {
            const bool output = name == "out" || name == "in~";
            if (left && output)
                continue;
            const auto want = expected.find(name);
            if (want == expected.end())
                why << name << " left behind; ";
            else if (content != want->second)
                why << name << " changed; ";
        }
        for (const auto& [name, content] : expected) {
            if (o.files.count(name) == 0 && !(name == "out" && sc.out == target::existing_file))
                why << name << " destroyed; ";
        }
    }
    if (!why.str().empty())
        why << "stderr: " << r.err.substr(0, 300);
    return why.str();
}

std::map<std::string, unsigned long> read_counts(const std::string& path)
{
    std::map<std::string, unsigned long> counts;
    std::ifstream in(path);
    std::string kind;
    unsigned long n = 0;
    while (in >> kind >> n)
        counts[kind] = n;
    return counts;
}

struct job {
    std::size_t scenario;
    fault f;
};

// Every call of every kind failing with every error, in every scenario.
void add_every_call(std::vector<job>& jobs, const std::vector<std::map<std::string, unsigned long>>& counts)
{
    for (std::size_t i = 0; i < counts.size(); ++i) {
        for (const auto& [kind, n] : counts[i]) {
            for (unsigned long at = 1; at <= n; ++at) {
                for (const int error : {EIO, ENOSPC, EINTR})
                    jobs.push_back(job{i, fault{kind, at, error}});
            }
        }
    }
}

// The sample: each kind fails at its first, a middle and its last call, with
// each of the errors once, the runs dealt out in turn to the scenarios that
// make such a call.
void add_sample(std::vector<job>& jobs, const std::vector<std::map<std::string, unsigned long>>& counts)
{
    const int errors[] = {EIO, ENOSPC, EINTR};
    std::size_t turn = 0;
    for (const auto& kind_count : counts[0]) {
        const std::string& kind = kind_count.first;
        std::vector<std::size_t> making;
        for (std::size_t i = 0; i < counts.size(); ++i) {
            if (counts[i].at(kind) > 0)
                making.push_back(i);
        }
        if (making.empty())
            continue;
        for (int place = 0; place < 3; ++place) {
            const std::size_t i = making[turn++ % making.size()];
            const unsigned long n = counts[i].at(kind);
            const unsigned long at = place == 0 ? 1 : place == 1 ? (n + 1) / 2 : n;
            jobs.push_back(job{i, fault{kind, at, errors[place]}});
        }
    }
}

void run_fault_runs(bool every_call)
{
    // The sanitizer's run-time library may come after the preloaded shim.
    std::string asan = getenv("ASAN_OPTIONS") != nullptr ? getenv("ASAN_OPTIONS") : "";
    setenv("ASAN_OPTIONS", (asan + (asan.empty() ? "" : ":") + "verify_asan_link_order=0").c_str(), 1);

    std::vector<outcome> good;
    std::vector<std::map<std::string, unsigned long>> all_counts;
    temp_dir counts_dir;
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        const scenario& sc = scenarios[i];
        good.push_back(run_scenario(sc, fault{}, counts_dir / sc.name));
        const run_result& r = good.back().r;
        ASSERT_EQ(r.status, sc.fails ? 1 : 0) << sc.name << ": " << r.err;
        ASSERT_EQ(r.err.empty(), !sc.fails) << sc.name << ": " << r.err;
        const std::map<std::string, unsigned long> counts = read_counts(counts_dir / sc.name);
        ASSERT_EQ(counts.size(), 10u) << sc.name << ": the shim wrote no counts";
        if (sc.action[0] != "-0" && !sc.fails && !sc.unchanged) {
            ASSERT_GE(counts.at("write"), 1u) << sc.name;
        }
        ASSERT_GE(counts.at("read"), 4u) << sc.name;
        all_counts.push_back(counts);
    }
    std::vector<job> jobs;
    if (every_call)
        add_every_call(jobs, all_counts);
    else
        add_sample(jobs, all_counts);

    std::vector<std::string> findings(jobs.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t j; (j = next++) < jobs.size();) {
            const scenario& sc = scenarios[jobs[j].scenario];
            findings[j] = judge(sc, good[jobs[j].scenario], run_scenario(sc, jobs[j].f));
        }
    };
    std::thread helper(work);
    work();
    helper.join();

    int shown = 0;
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        if (findings[j].empty() || ++shown > 40)
            continue;
        const job& jb = jobs[j];
        ADD_FAILURE() << scenarios[jb.scenario].name << ", " << jb.f.kind << " #" << jb.f.at << " failing with "
                      << strerror(jb.f.error) << ": " << findings[j];
    }
    EXPECT_EQ(shown, 0) << "runs with findings, of " << jobs.size();
    testing::Test::RecordProperty("runs", static_cast<int>(jobs.size()));
}

TEST(FaultSweep, EveryFailedCallIsSeenAndNothingIsLost)
{
    run_fault_runs(true);
}

TEST(FaultInjection, FirstMiddleAndLastCallOfEachKind)
{
    run_fault_runs(false);
}

// Another user's file edited in a writable folder: the result cannot be
// given the owner back, which is said, and the update is still made.
TEST(FaultInjection, AnOwnerThatCannotBeGivenBackIsWarnedOf)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only the superuser can make a file another user's";
    temp_dir dir;
    write_file(dir / "in", input);
    ASSERT_EQ(chown((dir / "in").c_str(), 1234, 2345), 0);
    testsupport::run_request request;
    request.argv = {"tagsnip", "-i", "in", "-p", "-D", "-b", "BEGIN", "-e", "END"};
    request.cwd = dir.path;
    request.env = {"LC_ALL=C.UTF-8", std::string("LD_PRELOAD=") + FAULT_SHIM_PATH, "FAULT_CALL=fchown", "FAULT_AT=1",
                   "FAULT_ERRNO=" + std::to_string(EPERM)};
    const run_result r = testsupport::run(request);
    EXPECT_EQ(r.status, 0);
    char* resolved = realpath((dir / "in").c_str(), nullptr);
    EXPECT_EQ(r.err, std::string("WARNING: Unable to restore file owner and group for ") + resolved +
                         ": Operation not permitted!\n");
    free(resolved);
    EXPECT_NE(read_file(dir / "in"), input);
    EXPECT_EQ(files_in(dir.path).size(), 1u);  // no temporary file left
}

struct signal_shot {
    int signal_number;
    double delay_seconds;
    bool sent = false;
};

void shoot(pid_t pid, void* data)
{
    auto* shot = static_cast<signal_shot*>(data);
    const timespec pause = {static_cast<time_t>(shot->delay_seconds),
                            static_cast<long>((shot->delay_seconds - static_cast<time_t>(shot->delay_seconds)) * 1e9)};
    nanosleep(&pause, nullptr);
    shot->sent = kill(pid, shot->signal_number) == 0;
}

// SIGTERM and SIGKILL at random moments of an in-place update of a large
// file: the input is whole or completely updated; SIGTERM leaves no
// temporary file and the status of the signal.
TEST(Signals, AtRandomMomentsOfAnInPlaceUpdate)
{
    std::string big;
    for (int i = 0; big.size() < (8u << 20); ++i)
        big += "row " + std::to_string(i) + " of the table\n";
    temp_dir dir;
    const std::string path = dir / "big";
    testsupport::run_request request;
    request.argv = {"tagsnip", "-i", "big", "-p", "-E"};
    request.cwd = dir.path;
    request.env = {"LC_ALL=C.UTF-8"};
    request.timeout_seconds = 300;
    write_file(path, big);
    const run_result whole = testsupport::run(request);
    ASSERT_EQ(whole.status, 0) << whole.err;
    const std::string updated = read_file(path);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> moment(0, whole.seconds * 1.1);
    for (int round = 0; round < 12; ++round) {
        write_file(path, big);
        signal_shot shot{round % 2 == 0 ? SIGTERM : SIGKILL, moment(random)};
        const run_result r = testsupport::run_with(request, shoot, &shot);
        SCOPED_TRACE("signal " + std::to_string(shot.signal_number) + " after " +
                     std::to_string(shot.delay_seconds) + " s");
        const std::string now = read_file(path);
        EXPECT_TRUE(now == big || now == updated);
        if (r.signal == 0) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_TRUE(now == updated);
        } else {
            EXPECT_EQ(r.signal, shot.signal_number);
        }
        if (shot.signal_number == SIGTERM) {
            EXPECT_FALSE(file_exists(path + "~"));
        }
        unlink((path + "~").c_str());
    }
}

}  // namespace

#endif  // FAULT_SHIM_PATH
