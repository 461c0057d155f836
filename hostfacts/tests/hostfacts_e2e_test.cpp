// SPDX-License-Identifier: BSD-2-Clause
// hostfacts run as a user would: options, messages, exit status, and a whole
// report that agrees with the host.
#include <net/if.h>
#if defined(__linux__)
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#endif
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/outcome_table.hpp"
#include "tests/support/run_program.hpp"

namespace {

using testsupport::run;
using testsupport::run_request;
using testsupport::outcome_case;
using testsupport::run_result;

const std::string usage = "Usage: hostfacts [-h|--help] [-v|--version] [-c|--compatibility version]\n";

run_result hostfacts(std::vector<std::string> args)
{
    return testsupport::run_program("hostfacts", std::move(args));
}

using report = std::vector<std::pair<std::string, std::string>>;

// Splits a report into keys and values, with the quotes of a text kept.
report parse(const std::string& text)
{
    report lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        EXPECT_NE(end, std::string::npos) << "unterminated last line";
        if (end == std::string::npos)
            break;
        const std::string line = text.substr(start, end - start);
        const std::size_t eq = line.find('=');
        EXPECT_NE(eq, std::string::npos) << line;
        lines.emplace_back(line.substr(0, eq), eq == std::string::npos ? "" : line.substr(eq + 1));
        start = end + 1;
    }
    return lines;
}

std::string value_of(const report& lines, const std::string& key)
{
    for (const auto& [k, v] : lines)
        if (k == key)
            return v;
    ADD_FAILURE() << "no " << key;
    return "";
}

std::string in_quotes(const std::string& text) { return "\"" + text + "\""; }

std::string output_of(std::vector<std::string> argv)
{
    run_request r;
    r.argv = std::move(argv);
    const run_result result = run(r);
    EXPECT_EQ(result.status, 0) << r.argv[0];
    std::string out = result.out;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

class Outcome : public testing::TestWithParam<outcome_case> {};

TEST_P(Outcome, Exactly)
{
    testsupport::expect_outcome("hostfacts", GetParam());
}

const std::string too_new = "ERROR: Requested compatibility version 2 > available version 1!\n";

INSTANTIATE_TEST_SUITE_P(
    Hostfacts, Outcome,
    testing::Values(
        outcome_case{"help", {"--help"}, 0, "", usage},
        outcome_case{"h", {"-h"}, 0, "", usage},
        outcome_case{"help_prefix", {"--he"}, 0, "", usage},
        outcome_case{"version", {"--version"}, 0, "hostfacts " SUITE_VERSION "\n", ""},
        outcome_case{"version_first", {"-v", "--frobnicate"}, 0, "hostfacts " SUITE_VERSION "\n", ""},
        outcome_case{"operand", {"extra"}, 1, "", usage},
        outcome_case{"lone_dash", {"-"}, 1, "", usage},
        outcome_case{"operand_after_valid_c", {"-c", "0", "x"}, 1, "", usage},
        outcome_case{"operand_after_c_one", {"-c", "1", "x"}, 1, "", usage},
        outcome_case{"c_two", {"-c", "2"}, 1, "", too_new},
        outcome_case{"c_two_long", {"--compatibility=2"}, 1, "", too_new},
        outcome_case{"c_two_abbreviated", {"--compat", "2"}, 1, "", too_new},
        outcome_case{"c_two_after_one", {"-c", "1", "-c", "2"}, 1, "", too_new},
        outcome_case{"c_minus_one", {"-c", "-1"}, 1, "",
                     "ERROR: Requested compatibility version 4294967295 > available version 1!\n"},
        outcome_case{"c_before_version", {"-c2", "-v"}, 1, "", too_new},
        outcome_case{"c_one_before_version", {"-c1", "-v"}, 0, "hostfacts " SUITE_VERSION "\n", ""},
        outcome_case{"c_before_operand", {"x", "-c", "7"}, 1, "",
                     "ERROR: Requested compatibility version 7 > available version 1!\n"},
        outcome_case{"version_before_c", {"-v", "-c", "2"}, 0, "hostfacts " SUITE_VERSION "\n", ""},
        outcome_case{"help_before_c", {"-h", "-c", "2"}, 0, "", usage}),
    testsupport::outcome_name);

TEST(HostfactsCommandLine, OptionErrorsComplainThenShowUsage)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--frobnicate"}, {"-x"}, {"-c"}, {"--compatibility"}}) {
        const run_result r = hostfacts(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
        ASSERT_GT(r.err.size(), usage.size()) << args[0];
        EXPECT_EQ(r.err.substr(r.err.size() - usage.size()), usage) << args[0];
    }
}

TEST(HostfactsCommandLine, UsageNamesTheProgramPathAsInvoked)
{
    run_request r;
    r.argv = {testsupport::program_path("hostfacts"), "surplus"};
    const run_result result = run(r);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Usage: " + testsupport::program_path("hostfacts") +
                              " [-h|--help] [-v|--version] [-c|--compatibility version]\n");
}

class AcceptedVersion : public testing::TestWithParam<const char*> {};

TEST_P(AcceptedVersion, ReportStartsWithCompatibilityZero)
{
    const run_result r = hostfacts({"-c", GetParam(), "--compatibility", GetParam()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("compatibility=0\nhostname_long=\"", 0), 0u) << r.out.substr(0, 80);
}

INSTANTIATE_TEST_SUITE_P(Hostfacts, AcceptedVersion, testing::Values("0", "abc", "4294967296", "", "-0"));

TEST(AcceptedVersion, OneAndTheLastOfSeveralCount)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-c", "1"}, {"--compat=4294967297"},
                                                  {"-c", "0", "-c", "1"}}) {
        const run_result r = hostfacts(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind("compatibility=1\nhostname_long=\"", 0), 0u) << r.out.substr(0, 80);
    }
    EXPECT_EQ(hostfacts({"-c", "1", "-c", "0"}).out.rfind("compatibility=0\n", 0), 0u);
}

// Every key of the report matches the next pattern that fits, in order;
// `least` and `most` bound how many keys one pattern takes. Steps of
// version 1 (`since`) are left out of version 0's report; `least` of
// version 1 is `least1` where that is not -1.
struct key_step {
    const char* pattern;
    int least, most;
    unsigned since = 0;
    int least1 = -1;
};

const key_step report_order[] = {
    {"compatibility", 1, 1},
    {"hostname_long", 1, 1},
    {"hostname_short", 1, 1},
    {"uptime_total", 1, 1}, {"uptime_days", 1, 1}, {"uptime_hours", 1, 1},
    {"uptime_mins", 1, 1}, {"uptime_secs", 1, 1}, {"uptime_nsecs", 1, 1},
    {"system_sysname", 1, 1}, {"system_nodename", 1, 1}, {"system_release", 1, 1},
    {"system_version", 1, 1}, {"system_machine", 1, 1},
    {"system_os_name", 1, 1, 1}, {"system_os_version", 1, 1, 1},
    {"system_cores", 1, 1}, {"system_pagesize", 1, 1},
    {"system_cpu_model", 1, 1, 1},
    {"system_procs", 1, 1}, {"system_users", 1, 1},
    {"system_load_avg1min", 1, 1}, {"system_load_avg5min", 1, 1}, {"system_load_avg15min", 1, 1},
    {"system_load_avg1minpct", 1, 1}, {"system_load_avg5minpct", 1, 1}, {"system_load_avg15minpct", 1, 1},
    {"battery_[0-9]+_(status|capacity)", 0, 4},
    {"battery_list", 1, 1},
    {"system_mem_total", 1, 1}, {"system_mem_used", 1, 1}, {"system_mem_free", 1, 1},
    {"system_mem_usedpct", 1, 1}, {"system_mem_freepct", 1, 1},
    {"system_mem_available", 1, 1, 1}, {"system_mem_availablepct", 1, 1, 1},
    {"system_swap_total", 1, 1},
    {"system_swap_used", 0, 1, 0, 1}, {"system_swap_free", 0, 1, 0, 1},
    {"system_swap_usedpct", 0, 1, 0, 1}, {"system_swap_freepct", 0, 1, 0, 1},
    {"disk_root_(total|used|available|pct)", 4, 4}, {"disk_root_usedpct", 1, 1, 1},
    {"disk_home_(total|used|available|pct)", 0, 4}, {"disk_home_usedpct", 0, 1, 1},
    {"disk_tmp_(total|used|available|pct)", 4, 4}, {"disk_tmp_usedpct", 1, 1, 1},
    {"disk_list", 1, 1},
    {"netif_default_ipv4_(name|gateway)", 2, 2, 1}, {"netif_default_ipv6_(name|gateway)", 0, 2, 1},
    {"netif_[0-9]+_(name|flags|ipv4|mac|ipv6)", 2, 100000},
    {"netif_list", 1, 1},
};

class WholeReportIn : public testing::TestWithParam<unsigned> {};

TEST_P(WholeReportIn, KeysComeInReportOrder)
{
    const unsigned version = GetParam();
    const run_result r = hostfacts({"-c", std::to_string(version)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const report lines = parse(r.out);
    std::size_t at = 0;
    for (const key_step& step : report_order) {
        if (step.since > version)
            continue;
        const std::regex pattern(step.pattern);
        int taken = 0;
        while (at < lines.size() && taken < step.most && std::regex_match(lines[at].first, pattern)) {
            ++at;
            ++taken;
        }
        EXPECT_GE(taken, version >= 1 && step.least1 >= 0 ? step.least1 : step.least)
            << step.pattern << " at line " << at;
    }
    EXPECT_EQ(at, lines.size()) << "unexpected key " << (at < lines.size() ? lines[at].first : "");
    EXPECT_EQ(value_of(lines, "compatibility"), std::to_string(version));
    EXPECT_EQ(value_of(lines, "disk_list"), "\"root home tmp\"");
}

INSTANTIATE_TEST_SUITE_P(Versions, WholeReportIn, testing::Values(0u, 1u));

TEST(WholeReport, AgreesWithTheHost)
{
    const run_result r = hostfacts({});
    ASSERT_EQ(r.status, 0);
    const report lines = parse(r.out);
    // nproc counts only the processors this process may run on.
    EXPECT_EQ(value_of(lines, "system_cores"), output_of({"/usr/bin/getconf", "_NPROCESSORS_ONLN"}));
    EXPECT_LE(std::stoul(output_of({"/usr/bin/nproc"})), std::stoul(value_of(lines, "system_cores")));
    EXPECT_EQ(value_of(lines, "system_pagesize"), output_of({"/usr/bin/getconf", "PAGESIZE"}));
    EXPECT_EQ(value_of(lines, "system_sysname"), in_quotes(output_of({"/usr/bin/uname", "-s"})));
    EXPECT_EQ(value_of(lines, "system_release"), in_quotes(output_of({"/usr/bin/uname", "-r"})));
    EXPECT_EQ(value_of(lines, "system_version"), in_quotes(output_of({"/usr/bin/uname", "-v"})));
    EXPECT_EQ(value_of(lines, "system_machine"), in_quotes(output_of({"/usr/bin/uname", "-m"})));
    EXPECT_EQ(value_of(lines, "system_nodename"), in_quotes(output_of({"/usr/bin/uname", "-n"})));
    EXPECT_EQ(value_of(lines, "hostname_long"), in_quotes(output_of({"/usr/bin/hostname"})));
    EXPECT_GT(std::stoul(value_of(lines, "system_procs")), 0u);

    struct statvfs fs{};
    ASSERT_EQ(statvfs("/", &fs), 0);
    EXPECT_EQ(value_of(lines, "disk_root_total"),
              std::to_string(static_cast<unsigned long long>(fs.f_blocks) * fs.f_frsize));

    const double total = std::stod(value_of(lines, "uptime_total"));
    const unsigned long long seconds = std::stoull(value_of(lines, "uptime_days")) * 86400 +
                                       std::stoull(value_of(lines, "uptime_hours")) * 3600 +
                                       std::stoull(value_of(lines, "uptime_mins")) * 60 +
                                       std::stoull(value_of(lines, "uptime_secs"));
    EXPECT_EQ(static_cast<unsigned long long>(total), seconds);
}

TEST(WholeReport, InterfacesByNameWithTheirKernelIndexes)
{
    const run_result r = hostfacts({});
    ASSERT_EQ(r.status, 0);
    const report lines = parse(r.out);
    std::string listed;
    std::string previous_name;
    std::set<std::string> names;
    const std::regex name_key("netif_([0-9]+)_name");
    for (const auto& [key, value] : lines) {
        std::smatch m;
        if (!std::regex_match(key, m, name_key))
            continue;
        const std::string name = value.substr(1, value.size() - 2);
        EXPECT_EQ(m[1].str(), std::to_string(if_nametoindex(name.c_str()))) << name;
        EXPECT_LT(previous_name, name);
        previous_name = name;
        names.insert(name);
        listed += (listed.empty() ? "" : " ") + m[1].str();
    }
    EXPECT_EQ(value_of(lines, "netif_list"), in_quotes(listed));
    EXPECT_TRUE(names.count("lo"));

    std::set<std::string> kernel_names;
    if (struct if_nameindex* all = if_nameindex()) {
        for (const struct if_nameindex* i = all; i->if_index != 0; ++i)
            kernel_names.insert(i->if_name);
        if_freenameindex(all);
    }
    EXPECT_EQ(names, kernel_names);
}

TEST(WholeReport, FailedWriteIsAnError)
{
    run_request r;
    r.argv = {"hostfacts"};
    r.stdout_path = "/dev/full";
    const run_result result = run(r);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "ERROR: Unable to write to standard output: No space left on device!\n");
}

TEST(WholeReport, UnknownLocaleStillReports)
{
    run_request r;
    r.argv = {"hostfacts"};
    r.env = {"LC_ALL=xx_YY.NOPE"};
    const run_result result = run(r);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.rfind("compatibility=0\n", 0), 0u);
}

#if defined(__linux__)
// A host name and an interface name made to run code or break the quoting
// of a shell that evals the report, in private UTS and network namespaces.
const std::string hostile_host = R"(h"$(touch ran)`touch ran`${HOME}\$\'x.y "z)";
const std::string hostile_interface = R"(a$(x)`y`"\)";  // interface names are below 16 bytes

std::string first_program(std::initializer_list<const char*> paths)
{
    for (const char* path : paths)
        if (access(path, X_OK) == 0)
            return path;
    return "";
}

// In a child: new namespaces, the hostile names, the loopback renamed with
// two addresses, one under a label, then the report into `report`. Exit
// status 77 and the reason in `why` when the namespaces or ip are not to be
// had, 1 and the reason when a step fails.
[[noreturn]] void end_child(const std::string& why, int status, const std::string& reason)
{
    testsupport::write_file(why, reason);
    _exit(status);
}

[[noreturn]] void report_in_namespaces(const std::string& report_path, const std::string& why)
{
    if (unshare(CLONE_NEWUTS | CLONE_NEWNET) != 0)
        end_child(why, 77, std::string("unshare of UTS and network namespaces refused: ") + strerror(errno));
    if (sethostname(hostile_host.data(), hostile_host.size()) != 0)
        end_child(why, 1, std::string("sethostname: ") + strerror(errno));
    const std::string ip = first_program({"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"});
    if (ip.empty())
        end_child(why, 77, "ip (iproute2) is not installed");
    const std::string label = hostile_interface + ":1";
    for (const std::vector<std::string>& step :
         {std::vector<std::string>{ip, "link", "set", "lo", "name", hostile_interface},
          {ip, "link", "set", hostile_interface, "up"},
          {ip, "address", "add", "10.1.2.3/8", "dev", hostile_interface},
          {ip, "address", "add", "10.1.2.4/8", "dev", hostile_interface, "label", label}}) {
        run_request r;
        r.argv = step;
        const run_result result = run(r);
        if (result.status != 0)
            end_child(why, 1, step[1] + " " + step[2] + ": " + result.err);
    }
    const run_result result = hostfacts({});
    testsupport::write_file(report_path, result.out);
    end_child(why, result.status == 0 && result.err.empty() ? 0 : 1, "hostfacts: " + result.err);
}

TEST(WholeReport, EvalGivesBackHostileNamesInEveryShell)
{
    const testsupport::temp_dir dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        report_in_namespaces(dir / "report", dir / "why");
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << testsupport::read_file(dir / "why");
    ASSERT_EQ(WEXITSTATUS(status), 0) << testsupport::read_file(dir / "why");

    const std::string text = testsupport::read_file(dir / "report");
    std::set<std::string> keys;
    for (const auto& [key, value] : parse(text))
        EXPECT_TRUE(keys.insert(key).second) << "twice: " << key;

    const std::string expected = hostile_host + '\0' + hostile_host.substr(0, hostile_host.find('.')) + '\0' +
                                 hostile_host + '\0' + hostile_interface + '\0' + "10.1.2.3/8 10.1.2.4/8" +
                                 '\0' + "1" + '\0';
    std::string missing;
    for (const char* shell : {"sh", "bash", "dash", "zsh"}) {
        const std::string path = first_program({(std::string("/bin/") + shell).c_str(),
                                                 (std::string("/usr/bin/") + shell).c_str()});
        if (path.empty()) {
            missing += std::string(" ") + shell;
            continue;
        }
        run_request r;
        r.argv = {path, "-c",
                  "eval \"$(cat report)\" || exit 9\n"
                  "printf '%s\\0' \"$hostname_long\" \"$hostname_short\" \"$system_nodename\" "
                  "\"$netif_1_name\" \"$netif_1_ipv4\" \"$netif_list\""};
        r.cwd = dir.path;
        const run_result result = run(r);
        EXPECT_EQ(result.status, 0) << shell;
        EXPECT_EQ(result.err, "") << shell;
        EXPECT_EQ(result.out, expected) << shell;
        EXPECT_FALSE(testsupport::file_exists(dir / "ran")) << shell << " ran code from the report";
    }
    if (!missing.empty())
        GTEST_SKIP() << "not installed:" << missing;
}

// Version 1 in private mount and network namespaces: files bound over the
// system's sources, a network set up with ip, and, where loop devices can be
// had, a file system image with blocks reserved for root mounted read-only
// on /tmp. The child writes through descriptors opened before its mounts
// (which may cover their directory): the report, df's use percentage of
// /tmp, and why it could not go on (status 77: this host cannot).
struct namespace_setup {
    std::vector<std::pair<std::string, std::string>> binds;  // file, over this path
    std::vector<std::vector<std::string>> ip_steps;
    std::string image;
};

void put(int fd, const std::string& text)
{
    if (write(fd, text.data(), text.size()) < 0)
        _exit(1);
}

[[noreturn]] void set_up_and_report(const namespace_setup& setup, const int fds[3])
{
    const auto end = [&](int status, const std::string& why) {
        put(fds[2], why);
        _exit(status);
    };
    const auto command = [](std::vector<std::string> argv) {
        run_request r;
        r.argv = std::move(argv);
        r.cwd = "/";
        return run(r);
    };
    if (unshare(CLONE_NEWNS | CLONE_NEWNET) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        end(77, std::string("private mount and network namespaces refused: ") + strerror(errno));
    for (const auto& [file, target] : setup.binds)
        if (access(target.c_str(), F_OK) == 0 && mount(file.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0)
            end(77, "bind mount over " + target + ": " + strerror(errno));
    const std::string ip = first_program({"/usr/sbin/ip", "/sbin/ip", "/bin/ip"});
    for (std::vector<std::string> step : setup.ip_steps) {
        step.insert(step.begin(), ip);
        const run_result result = ip.empty() ? run_result{} : command(step);
        if (result.status != 0)
            end(77, "ip " + step[1] + " " + step[2] + " (iproute2, tun): " + result.err);
    }
    // The program is held open: the image mounted on /tmp hides a build
    // tree below /tmp (a package build makes one there).
    const int program = open(testsupport::program_path("hostfacts").c_str(), O_PATH);
    if (program < 0)
        end(1, "hostfacts: " + std::string(strerror(errno)));
    if (!setup.image.empty() &&
        command({first_program({"/usr/bin/mount", "/bin/mount"}), "-o", "loop,ro", setup.image, "/tmp"}).status == 0)
        put(fds[1], command({"/usr/bin/df", "--output=pcent", "/tmp"}).out);
    const run_result result = command({"/proc/self/fd/" + std::to_string(program), "-c", "1"});
    put(fds[0], result.out);
    put(fds[2], "hostfacts: " + result.err);
    _exit(result.status == 0 && result.err.empty() ? 0 : 1);
}

// The report, and df's line of /tmp when an image was mounted there.
std::pair<report, std::string> report_in_namespaces(const testsupport::temp_dir& dir, const namespace_setup& setup,
                                                    bool& skipped)
{
    const char* const names[3] = {"report", "df", "why"};
    int fds[3];
    for (int i = 0; i < 3; ++i)
        fds[i] = open((dir / names[i]).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t child = fork();
    if (child == 0)
        set_up_and_report(setup, fds);
    for (const int fd : fds)
        close(fd);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    const std::string why = testsupport::read_file(dir / "why");
    skipped = WIFEXITED(status) && WEXITSTATUS(status) == 77;
    if (skipped)
        printf("not run: %s\n", why.c_str());
    else
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << why;
    return {parse(testsupport::read_file(dir / "report")), testsupport::read_file(dir / "df")};
}

TEST(VersionOneInNamespaces, NoOsReleaseNoSwapNoDefaultRoute)
{
    const testsupport::temp_dir dir;
    testsupport::write_file(dir / "swaps", "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n");
    namespace_setup setup;
    // A device in the place of os-release is no os-release file.
    setup.binds = {{"/dev/null", "/etc/os-release"}, {"/dev/null", "/usr/lib/os-release"}, {dir / "swaps", "/proc/swaps"}};
    bool skipped = false;
    const report lines = report_in_namespaces(dir, setup, skipped).first;
    if (skipped)
        GTEST_SKIP();
    EXPECT_EQ(value_of(lines, "system_os_name"), in_quotes(output_of({"/usr/bin/uname", "-s"})));
    EXPECT_EQ(value_of(lines, "system_os_version"), in_quotes(output_of({"/usr/bin/uname", "-r"})));
    for (const char* key : {"system_swap_total", "system_swap_used", "system_swap_free"})
        EXPECT_EQ(value_of(lines, key), "0") << key;
    EXPECT_EQ(value_of(lines, "system_swap_usedpct") + value_of(lines, "system_swap_freepct"), "0.00.0");
    // A fresh network namespace has no routes at all.
    for (const char* key : {"netif_default_ipv4_name", "netif_default_ipv4_gateway", "netif_default_ipv6_name",
                            "netif_default_ipv6_gateway"})
        EXPECT_EQ(value_of(lines, key), "\"\"") << key;
}

TEST(VersionOneInNamespaces, HostileOsReleaseIpv6OnlyRouteReservedBlocks)
{
    const testsupport::temp_dir dir;
    testsupport::write_file(dir / "os-release", "PRETTY_NAME=\"not this\"\n"
                                                R"x(NAME="Evil \"$(touch ran)\" \`touch ran\` \$HOME \\ end")x"
                                                "\nVERSION_ID='13.1'\n");
    namespace_setup setup;
    setup.binds = {{dir / "os-release", "/etc/os-release"}, {dir / "os-release", "/usr/lib/os-release"}};
    setup.ip_steps = {{"tuntap", "add", "dev", "t0", "mode", "tun"},
                      {"link", "set", "t0", "up"},
                      {"-6", "address", "add", "2001:db8::5/64", "dev", "t0", "nodad"},
                      {"-6", "route", "add", "default", "via", "2001:db8::1", "dev", "t0"}};
    // 4 MiB with 1.5 MiB of files and 40% of the blocks reserved for root.
    const std::string mke2fs = first_program({"/usr/sbin/mke2fs", "/sbin/mke2fs"});
    if (!mke2fs.empty() && mkdir((dir / "content").c_str(), 0755) == 0) {
        testsupport::write_file(dir / "content/data", std::string(1536 * 1024, 'x'));
        run_request make;
        make.argv = {mke2fs, "-q", "-F", "-t", "ext2", "-m", "40", "-b", "1024", "-d", dir / "content", dir / "image", "4096"};
        if (run(make).status == 0)
            setup.image = dir / "image";
    }
    bool skipped = false;
    const auto [lines, df] = report_in_namespaces(dir, setup, skipped);
    if (skipped)
        GTEST_SKIP();

    // The report, as the child wrote it, in the shell: the name comes back
    // and nothing in it runs.
    run_request shell;
    shell.argv = {"/bin/sh", "-c", "eval \"$(cat report)\" && printf %s \"$system_os_name\""};
    shell.cwd = dir.path;
    const run_result evaluated = run(shell);
    EXPECT_EQ(evaluated.out, R"x(Evil "$(touch ran)" `touch ran` $HOME \ end)x") << evaluated.err;
    EXPECT_FALSE(testsupport::file_exists(dir / "ran"));
    EXPECT_EQ(value_of(lines, "system_os_version"), "\"13.1\"");
    EXPECT_EQ(value_of(lines, "netif_default_ipv4_name") + value_of(lines, "netif_default_ipv4_gateway"), "\"\"\"\"");
    EXPECT_EQ(value_of(lines, "netif_default_ipv6_name"), "\"t0\"");
    EXPECT_EQ(value_of(lines, "netif_default_ipv6_gateway"), "\"2001:db8::1\"");

    // df: "Use%", then the percentage with a "%".
    const std::size_t digits = df.find_first_of("0123456789");
    if (digits == std::string::npos) {
        printf("not run: the disk with reserved blocks (mke2fs of e2fsprogs and a loop device are needed)\n");
        return;
    }
    const std::string df_percent = df.substr(digits, df.find('%', digits) - digits);
    EXPECT_EQ(value_of(lines, "disk_tmp_usedpct"), df_percent);
    // Version 0's percentage counts the reserved blocks as not available.
    EXPECT_GT(std::stod(value_of(lines, "disk_tmp_pct")), 40.0 + std::stod(df_percent) / 2);
}
#endif

}  // namespace
