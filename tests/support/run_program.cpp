// SPDX-License-Identifier: BSD-2-Clause
#include "tests/support/run_program.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>

#ifndef SUITE_BIN_DIR
#error "SUITE_BIN_DIR must name the directory of the built programs"
#endif

namespace testsupport {
namespace {

double now_seconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The fixed base of every child's environment. The time zone is far from
// UTC and not a whole hour away, so a run whose output depended on the local
// zone would show it. Sanitizer settings pass through so that the child's
// reports count.
std::vector<std::string> base_environment()
{
    std::vector<std::string> env = {"PATH=/usr/local/bin:/usr/bin:/bin", "TZ=Asia/Kathmandu"};
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = getenv(name))
            env.push_back(std::string(name) + "=" + value);
    }
    return env;
}

// The base, then the request's entries; an entry of the request replaces the
// base's entry of the same name (getenv would find the first one).
std::vector<std::string> child_environment(const std::vector<std::string>& added)
{
    std::vector<std::string> env;
    for (const std::string& entry : base_environment()) {
        const std::string prefix = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& other : added)
            replaced = replaced || other.compare(0, prefix.size(), prefix) == 0;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), added.begin(), added.end());
    return env;
}

// Each child leads a process group of its own (it starts a new session), and
// everything it starts stays in that group. The group is killed when the run
// times out and when the child has ended, so nothing a run started outlives
// it. When the test process itself dies (ctest's timeout kills it), a reaper
// process kills the groups of the runs still going: it learns of each group
// through a pipe and sees the test die as the end of that pipe. It is not a
// child of the test (it is started through an intermediate process that
// exits at once), so killing the test and its children leaves it running.
int reaper_pipe = -1;

void start_reaper()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return;
    const pid_t middle = fork();
    if (middle == 0) {
        if (fork() != 0)
            _exit(0);
        // Holding no other descriptor of the test: an inherited end of a
        // run's output pipe would keep that run waiting for its end.
        const int open_max = static_cast<int>(sysconf(_SC_OPEN_MAX));
        for (int fd = 0; fd < (open_max > 0 && open_max < 65536 ? open_max : 65536); ++fd) {
            if (fd != ends[0])
                close(fd);
        }
        setsid();
        signal(SIGPIPE, SIG_IGN);
        std::vector<pid_t> groups;
        pid_t message;
        while (read(ends[0], &message, sizeof message) == sizeof message) {
            if (message > 0) {
                groups.push_back(message);
            } else {
                for (size_t i = 0; i < groups.size(); ++i) {
                    if (groups[i] == -message) {
                        groups[i] = groups.back();
                        groups.pop_back();
                        break;
                    }
                }
            }
        }
        for (const pid_t group : groups)
            kill(-group, SIGKILL);
        _exit(0);
    }
    close(ends[0]);
    if (middle < 0) {
        close(ends[1]);
        return;
    }
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    reaper_pipe = ends[1];
}

// Tells the reaper of a group that started (a process ID) or ended (its negation).
void tell_reaper(pid_t message)
{
    if (reaper_pipe >= 0 && write(reaper_pipe, &message, sizeof message) != sizeof message) {
        close(reaper_pipe);
        reaper_pipe = -1;
    }
}

void kill_group(pid_t leader)
{
    // Before the child's setsid the group is not there yet: the child alone.
    if (kill(-leader, SIGKILL) != 0)
        kill(leader, SIGKILL);
}

[[noreturn]] void child_fail(const char* what)
{
    dprintf(2, "test child: %s: %s\n", what, strerror(errno));
    _exit(127);
}

void set_nonblocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

std::string program_path(const std::string& name)
{
    return std::string(SUITE_BIN_DIR) + "/" + name;
}

run_result run(const run_request& request)
{
    return run_with(request, nullptr, nullptr);
}

run_result run_with(const run_request& request, void (*while_running)(pid_t, void*), void* data)
{
    if (request.argv.empty())
        throw std::invalid_argument("run: empty argument vector");
    const std::string& word = request.argv[0];
    const std::string executable = word.find('/') == std::string::npos ? program_path(word) : word;

    if (reaper_pipe < 0)
        start_reaper();  // before the run's pipes exist, so that it holds none of them
    std::unique_ptr<temp_dir> own_dir;
    std::string cwd = request.cwd;
    if (cwd.empty()) {
        own_dir = std::make_unique<temp_dir>();
        cwd = own_dir->path;
    }

    const std::vector<std::string> env = child_environment(request.env);
    std::vector<char*> argv_c, env_c;
    for (const auto& a : request.argv)
        argv_c.push_back(const_cast<char*>(a.c_str()));
    argv_c.push_back(nullptr);
    for (const auto& e : env)
        env_c.push_back(const_cast<char*>(e.c_str()));
    env_c.push_back(nullptr);

    // A child that ends before it has read all its input makes the write of
    // the rest fail with EPIPE (handled below) instead of ending the test.
    signal(SIGPIPE, SIG_IGN);

    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) || pipe2(out_pipe, O_CLOEXEC) || pipe2(err_pipe, O_CLOEXEC))
        throw std::runtime_error("run: pipe failed");

    const double started = now_seconds();
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("run: fork failed");
    if (pid == 0) {
        // A new session: no controlling terminal, as under cron or CI, and a
        // process group that can be killed as a whole.
        setsid();
        signal(SIGPIPE, SIG_DFL);
        if (dup2(in_pipe[0], 0) < 0 || dup2(err_pipe[1], 2) < 0)
            child_fail("dup2");
        if (request.stdout_path.empty()) {
            if (dup2(out_pipe[1], 1) < 0)
                child_fail("dup2");
        } else {
            const int flags = O_WRONLY | O_CREAT | (request.stdout_append ? O_APPEND : O_TRUNC);
            const int fd = open(request.stdout_path.c_str(), flags, 0644);
            if (fd < 0 || dup2(fd, 1) < 0)
                child_fail(request.stdout_path.c_str());
            close(fd);
        }
        if (chdir(cwd.c_str()) != 0)
            child_fail("chdir");
        if (request.file_size_limit >= 0) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit = {static_cast<rlim_t>(request.file_size_limit),
                                  static_cast<rlim_t>(request.file_size_limit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                child_fail("setrlimit");
        }
        execve(executable.c_str(), argv_c.data(), env_c.data());
        child_fail(executable.c_str());
    }
    tell_reaper(pid);
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    // A child that ends without reading all its input makes the write below
    // fail with EPIPE, handled there; the signal would end the test instead.
    signal(SIGPIPE, SIG_IGN);
    set_nonblocking(in_pipe[1]);
    set_nonblocking(out_pipe[0]);
    set_nonblocking(err_pipe[0]);

    if (while_running != nullptr)
        while_running(pid, data);

    run_result result;
    size_t written = 0;
    int in_fd = in_pipe[1];
    if (request.input.empty()) {
        close(in_fd);
        in_fd = -1;
    }
    int out_fd = out_pipe[0], err_fd = err_pipe[0];
    const double deadline = started + request.timeout_seconds;
    bool killed = false;
    char buffer[65536];
    while (out_fd >= 0 || err_fd >= 0) {
        pollfd fds[3];
        int n = 0;
        if (in_fd >= 0)
            fds[n++] = {in_fd, POLLOUT, 0};
        if (out_fd >= 0)
            fds[n++] = {out_fd, POLLIN, 0};
        if (err_fd >= 0)
            fds[n++] = {err_fd, POLLIN, 0};
        const int wait_ms = static_cast<int>((deadline - now_seconds()) * 1000);
        if (wait_ms <= 0 || poll(fds, n, wait_ms) == 0) {
            if (!killed) {
                kill_group(pid);
                killed = true;
                continue;
            }
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == in_fd) {
                const ssize_t w = write(in_fd, request.input.data() + written, request.input.size() - written);
                if (w > 0)
                    written += static_cast<size_t>(w);
                if (w < 0 && errno != EAGAIN) {
                    close(in_fd);  // the child stopped reading
                    in_fd = -1;
                } else if (written == request.input.size()) {
                    close(in_fd);
                    in_fd = -1;
                }
                continue;
            }
            int& fd = fds[i].fd == out_fd ? out_fd : err_fd;
            std::string& sink = fds[i].fd == out_fd ? result.out : result.err;
            const ssize_t r = read(fd, buffer, sizeof buffer);
            if (r > 0) {
                sink.append(buffer, static_cast<size_t>(r));
            } else if (r == 0 || errno != EAGAIN) {
                close(fd);
                fd = -1;
            }
        }
    }
    if (in_fd >= 0)
        close(in_fd);
    if (out_fd >= 0)
        close(out_fd);
    if (err_fd >= 0)
        close(err_fd);

    // Whatever the child started and left behind goes with it; killed while
    // the ended child is not yet reaped, so that its group ID is not free
    // for another process.
    siginfo_t ended{};
    while (waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    kill(-pid, SIGKILL);
    tell_reaper(-pid);
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    result.seconds = now_seconds() - started;
    if (WIFEXITED(wstatus)) {
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.signal = WTERMSIG(wstatus);
    }
    return result;
}

temp_dir::temp_dir()
{
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/suite-test.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

temp_dir::~temp_dir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string read_file(const std::string& path)
{
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr)
        throw std::runtime_error("cannot read " + path);
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

void write_file(const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot write " + path);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

bool file_exists(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

std::string bash_path()
{
    for (const char* path : {"/bin/bash", "/usr/bin/bash", "/usr/local/bin/bash"}) {
        if (access(path, X_OK) == 0)
            return path;
    }
    return "";
}

std::string built_locale_dir(const std::string& name, const std::string& source,
                             const std::string& charmap)
{
    static temp_dir* dir = new temp_dir();  // lives as long as the test process
    static std::map<std::string, bool> built;
    auto found = built.find(name);
    if (found == built.end()) {
        run_request r;
        r.argv = {"/usr/bin/localedef", "-i", source, "-f", charmap, dir->path + "/" + name};
        r.timeout_seconds = 120;
        const run_result made = run(r);
        // localedef exits 1 for mere warnings; the locale is there all the same.
        found = built.emplace(name, made.status >= 0 && made.status <= 1 &&
                                        file_exists(dir->path + "/" + name + "/LC_CTYPE")).first;
    }
    return found->second ? dir->path : std::string();
}

}  // namespace testsupport
