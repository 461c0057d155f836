// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/output_files.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace tagsnip {
namespace {

// What the handler of SIGHUP, SIGINT and SIGTERM removes before the process
// dies of the signal: the output file the run created (only while its name
// still holds that file), or what was appended to an existing one. Set
// while those signals are blocked.
struct signal_cleanup {
    volatile sig_atomic_t armed = 0;
    const char* path = nullptr;
    dev_t device = 0;
    ino_t inode = 0;
    int cut_fd = -1;
    off_t cut_length = 0;
};

signal_cleanup on_signal;

constexpr int cleanup_signals[] = {SIGHUP, SIGINT, SIGTERM};

extern "C" void remove_output_and_die(int signal_number)
{
    if (on_signal.armed != 0) {
        struct stat st {};
        if (on_signal.cut_fd >= 0) {
            if (ftruncate(on_signal.cut_fd, on_signal.cut_length) != 0) {
                // Nothing more can be done on the way out.
            }
        } else if (lstat(on_signal.path, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == on_signal.device &&
                   st.st_ino == on_signal.inode) {
            unlink(on_signal.path);
        }
    }
    // The handler was reset to the default action on entry.
    raise(signal_number);
}

sigset_t cleanup_signal_set()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal_number : cleanup_signals)
        sigaddset(&set, signal_number);
    return set;
}

// Signals that the caller chose to ignore stay ignored.
void catch_cleanup_signals()
{
    struct sigaction action {};
    action.sa_handler = remove_output_and_die;
    action.sa_mask = cleanup_signal_set();
    action.sa_flags = SA_RESETHAND;
    for (const int signal_number : cleanup_signals) {
        struct sigaction previous {};
        if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal_number, &action, nullptr);
    }
}

sigset_t block_cleanup_signals()
{
    const sigset_t set = cleanup_signal_set();
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &set, &previous);
    return previous;
}

void restore_signals(const sigset_t& previous)
{
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

// Records the output file the moment it is open, with the cleanup signals
// blocked, so that neither the clean-up nor a signal can miss it.
void register_output(run_state& r, const char* path, int fd, bool created)
{
    r.output.fd = fd;
    r.output.name = path;
    r.output_opened = true;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        r.output_identity_error = errno;
        return;
    }
    r.output_identity = identity_of(st);
    if (!S_ISREG(st.st_mode))
        return;
    r.output_removable = created || !r.settings->append;
    r.output_cut_back = !r.output_removable;
    r.length_before = st.st_size;
    if (r.settings->keep_broken)
        return;
    on_signal.path = path;
    on_signal.device = st.st_dev;
    on_signal.inode = st.st_ino;
    on_signal.cut_fd = r.output_cut_back ? fd : -1;
    on_signal.cut_length = st.st_size;
    on_signal.armed = 1;
}

// A broken output is deleted only while its name still holds, without
// following a symbolic link, the very regular file the run opened; an
// existing file that was appended to is cut back to its former length.
// When that cannot be told, the file stays, and a message says so.
void remove_broken_output(const run_state& r)
{
    const char* name = r.output.name;
    if (!r.output_identity.known) {
        frame::report_format("ERROR: Unable to check broken output file %s, so it is kept: %s!", name,
                             strerror(r.output_identity_error));
        return;
    }
    if (r.output_removable) {
        struct stat named {};
        if (lstat(name, &named) != 0) {
            if (errno != ENOENT)
                frame::report_format("ERROR: Unable to check broken output file %s, so it is kept: %s!", name,
                                     strerror(errno));
            return;
        }
        if (S_ISREG(named.st_mode) && same_file(r.output_identity, named) && unlink(name) != 0)
            frame::report_format("ERROR: Unable to delete broken output file %s: %s!", name, strerror(errno));
        return;
    }
    if (!r.output_cut_back)
        return;
    // Opened again: its own descriptor is closed by now.
    const int fd = open(name, O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat held {};
    if (fd < 0 || fstat(fd, &held) != 0) {
        if (errno != ENOENT)
            frame::report_format("ERROR: Unable to check broken output file %s, so it is kept: %s!", name,
                                 strerror(errno));
    } else if (same_file(r.output_identity, held) && ftruncate(fd, r.length_before) != 0) {
        frame::report_format("ERROR: Unable to cut broken output file %s back to its former length: %s!", name,
                             strerror(errno));
    }
    if (fd >= 0)
        close(fd);
}

bool sync_descriptor(int fd)
{
    while (fsync(fd) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

// The temporary output of a successful in-place update made ready to
// replace the input: the input's owner, group and mode, then on disk.
int complete_temp_output(const run_state& r)
{
    const int fd = r.output.fd;
    struct stat st {};
    if (stat(r.resolved_input_path, &st) == 0) {
        // Another user's file edited in a writable folder: the mode below
        // still applies, and the change of owner is said. Where they are
        // the same already nothing is asked (some file systems refuse any).
        struct stat made {};
        const bool same_owner = fstat(fd, &made) == 0 && made.st_uid == st.st_uid && made.st_gid == st.st_gid;
        if (!same_owner && fchown(fd, st.st_uid, st.st_gid) != 0)
            frame::report_format("WARNING: Unable to restore file owner and group for %s: %s!", r.input_name,
                                 strerror(errno));
        if (fchmod(fd, st.st_mode & 07777) != 0)
            frame::report_format("WARNING: Unable to restore file permissions for %s: %s!", r.input_name,
                                 strerror(errno));
    }
    if (sync_descriptor(fd))
        return 0;
    frame::report_format("ERROR: Unable to write to output file %s: %s!", r.output.name, strerror(errno));
    return 1;
}

// The temporary output in the input's place, and the directory on disk,
// so that the new name survives a power loss too.
int replace_input(const run_state& r)
{
    if (rename(r.temp_output_path, r.resolved_input_path) != 0) {
        frame::report_format("ERROR: Unable to change name of temporary output file from %s to %s: %s!",
                             r.temp_output_path, r.resolved_input_path, strerror(errno));
        return 1;
    }
    char directory[PATH_MAX];
    const char* slash = strrchr(r.resolved_input_path, '/');
    const std::size_t length = slash == nullptr ? 0 : static_cast<std::size_t>(slash - r.resolved_input_path);
    if (length >= sizeof directory)
        return 0;
    memcpy(directory, r.resolved_input_path, length);
    directory[length] = '\0';
    if (length == 0)
        strcpy(directory, "/");
    const int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A file system that cannot sync a directory says EINVAL.
    const bool synced = fd >= 0 && (sync_descriptor(fd) || errno == EINVAL);
    const int error = errno;
    if (fd >= 0)
        close(fd);
    if (synced)
        return 0;
    frame::report_format("ERROR: Unable to sync directory %s after the update: %s!", directory, strerror(error));
    return 1;
}

// The temporary output's name: the input's resolved path and "~", with room
// for the six characters of a fresh name when that one is taken.
void make_temp_output_path(run_state& r)
{
    const std::size_t length = strlen(r.resolved_input_path);
    r.temp_output_path = static_cast<char*>(malloc(length + 8));
    if (r.temp_output_path == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
    memcpy(r.temp_output_path, r.resolved_input_path, length);
    r.temp_output_path[length] = '~';
    r.temp_output_path[length + 1] = '\0';
}

}  // namespace

const char* begin_in_place(run_state& r, const char* input_file)
{
    r.resolved_input_path = realpath(input_file, nullptr);
    if (r.resolved_input_path == nullptr)
        frame::die("ERROR: Unable to resolve absolute path for input file %s: %s!", input_file, strerror(errno));
    make_temp_output_path(r);
    struct stat st {};
    if (stat(r.resolved_input_path, &st) == 0)
        require_regular_for_in_place(r, S_ISREG(st.st_mode));
    return r.resolved_input_path;
}

void require_regular_for_in_place(const run_state& r, bool regular)
{
    if (!regular)
        frame::die("ERROR: Unable to create output file %s: Not a regular file!", r.temp_output_path);
}

// Before anything is opened for writing: an output that is also an input
// (through any path) would be emptied before it is read, or read back while
// it grows. Only regular files count; a terminal may well be both.
void refuse_output_that_is_read(const run_state& r, const char* output_file)
{
    const run_settings& s = *r.settings;
    struct stat out {};
    const bool found = output_file != nullptr ? stat(output_file, &out) == 0 : fstat(STDOUT_FILENO, &out) == 0;
    if (!found || !S_ISREG(out.st_mode))
        return;
    if (r.input_identity.regular && same_file(r.input_identity, out))
        frame::die("ERROR: Input file and output file are the same file (use --in-place|-p)!");
    if (s.insert_file == nullptr)
        return;
    struct stat insert {};
    const bool insert_found = strcmp(s.insert_file, "-") == 0 ? fstat(STDIN_FILENO, &insert) == 0
                                                               : stat(s.insert_file, &insert) == 0;
    if (insert_found && S_ISREG(insert.st_mode) && insert.st_dev == out.st_dev && insert.st_ino == out.st_ino)
        frame::die("ERROR: Insert file and output file are the same file!");
}

void open_output(run_state& r, const char* path, bool temp)
{
    const run_settings& s = *r.settings;
    if (!s.keep_broken)
        catch_cleanup_signals();
    // The temporary output is always a new file, readable and writable by
    // its owner only: a file already at its name (a backup, a link) is
    // never touched, and a fresh name beside it is made instead.
    const int flags = O_WRONLY | O_CLOEXEC | (s.append && !temp ? O_APPEND : 0);
    const sigset_t previous = block_cleanup_signals();
    int fd = open(path, flags | O_CREAT | O_EXCL | (temp ? O_NOFOLLOW : 0), temp ? 0600 : 0666);
    if (fd < 0 && errno == EEXIST && temp) {
        // path is the temporary name, with room for six more characters.
        char* fresh = r.temp_output_path;
        strcat(fresh, "XXXXXX");
        fd = mkostemp(fresh, O_CLOEXEC);
        if (fd < 0)
            fresh[strlen(fresh) - 6] = '\0';  // named as it was tried first
    }
    if (fd >= 0)
        register_output(r, path, fd, true);
    restore_signals(previous);
    if (fd < 0 && errno == EEXIST && !temp) {
        // An existing output file, opened as fopen with "w" or "a" would;
        // opening a FIFO waits for a reader, so no signal is blocked here.
        fd = open(path, flags | (s.append ? 0 : O_TRUNC));
        bool created = false;
        if (fd < 0 && errno == ENOENT) {
            // A symbolic link to nothing yet: created through it.
            fd = open(path, flags | O_CREAT | (s.append ? 0 : O_TRUNC), 0666);
            created = true;
        }
        if (fd >= 0) {
            const sigset_t before = block_cleanup_signals();
            register_output(r, path, fd, created);
            restore_signals(before);
        }
    }
    if (fd < 0)
        frame::die("ERROR: Unable to create output file %s: %s!", path, strerror(errno));
    if (!r.output_identity.known)
        frame::die("ERROR: Unable to create output file %s: %s!", path, strerror(r.output_identity_error));
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

int close_output_file(run_state& r, int status)
{
    const run_settings& s = *r.settings;
    if ((status == 0 || s.keep_broken) && !complete_output(r.output))
        status = 1;
    // An in-place update whose output is its input byte for byte leaves the
    // input as it is; a kept broken output gets the start it shares.
    bool unchanged = false;
    if (r.output.same_as >= 0 && (status == 0 || s.keep_broken)) {
        unchanged = status == 0 && equals_whole_input(r.output);
        if (!unchanged && !stop_comparing(r.output)) {
            report_write_error(r.output, errno);
            status = 1;
        }
    }
    if (status == 0 && r.temp_output_path != nullptr && !unchanged)
        status = complete_temp_output(r);
    // The descriptor's number may be taken again once it is closed.
    if (on_signal.cut_fd >= 0)
        on_signal.armed = 0;
    // A failed close keeps the message it has always had, "Unable to open
    // output file": the manual page lists it for this case, and scripts
    // match it. The buffer is written out above, so what fails here is the
    // file system: one that writes to its server only at the close (NFS),
    // or counts a quota late, reports there that the file could not be
    // made with what was written to it. A close interrupted by a signal has
    // released the descriptor all the same.
    if (close(r.output.fd) != 0 && errno != EINTR && status == 0) {
        frame::report_format("ERROR: Unable to open output file %s: %s!", r.output.name, strerror(errno));
        status = 1;
    }
    r.output_opened = false;
    if (unchanged && status == 0)
        remove_broken_output(r);  // the empty temporary output: nothing replaces the input
    else if (status == 0 && r.temp_output_path != nullptr)
        status = replace_input(r);
    if (status != 0 && !s.keep_broken)
        remove_broken_output(r);
    on_signal.armed = 0;
    return status;
}

}  // namespace tagsnip
