// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/streams.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "tagsnip/finish.hpp"

namespace tagsnip {
namespace {

constexpr std::size_t copy_piece_size = 65536;
constexpr std::size_t output_buffer_size = 256 * 1024;

// The output's buffer, for the whole life of the process.
char output_buffer[output_buffer_size];

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

// Only a regular file or a block device can be read a second time.
bool rewindable(int fd)
{
    struct stat st {};
    return fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
}

void advise(int fd, int advice)
{
    posix_fadvise(fd, 0, 0, advice);
}

// Copies all of one descriptor into another; 0, or the error number with
// write_failed telling which side failed.
int copy_descriptor(int from, int to, bool& write_failed)
{
    char piece[copy_piece_size];
    write_failed = false;
    for (;;) {
        const ssize_t got = read(from, piece, sizeof piece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        if (!write_all(to, piece, static_cast<std::size_t>(got))) {
            write_failed = true;
            return errno;
        }
    }
}

// Back to the start of a stream the scan reads through its descriptor.
bool rewind_input(FILE* f)
{
    rewind(f);
    return lseek(fileno(f), 0, SEEK_SET) == 0;
}

// The temporary output's name: the input's resolved path and "~".
void make_temp_output_path()
{
    const std::size_t length = strlen(run.resolved_input_path);
    run.temp_output_path = static_cast<char*>(malloc(length + 2));
    if (run.temp_output_path == nullptr)
        die("ERROR: malloc() failed: %s!", strerror(errno));
    memcpy(run.temp_output_path, run.resolved_input_path, length);
    run.temp_output_path[length] = '~';
    run.temp_output_path[length + 1] = '\0';
}

// Only a regular file is replaced by an in-place update: a device, a FIFO
// or a directory is refused before anything is created.
void require_regular_for_in_place(bool regular)
{
    if (regular)
        return;
    die("ERROR: Unable to create output file %s: Not a regular file!", run.temp_output_path);
}

void open_input(run_settings& s, const char* input_file)
{
    if (s.in_place) {
        run.resolved_input_path = realpath(input_file, nullptr);
        if (run.resolved_input_path == nullptr)
            die("ERROR: Unable to resolve absolute path for input file %s: %s!", input_file, strerror(errno));
        input_file = run.resolved_input_path;
        make_temp_output_path();
        // Before opening: a FIFO would wait for a writer, a device be read.
        struct stat st {};
        if (stat(input_file, &st) == 0)
            require_regular_for_in_place(S_ISREG(st.st_mode));
    }
    run.input_name = input_file;
    FILE* f = fopen(input_file, "r");
    if (f == nullptr)
        die("ERROR: Unable to open input file %s: %s!", input_file, strerror(errno));
    run.input = f;
    run.input_opened = true;
    struct stat st {};
    if (fstat(fileno(f), &st) == 0)
        run.input_identity = identity_of(st);
    if (s.in_place)
        require_regular_for_in_place(run.input_identity.regular);
    const bool from_end = s.from_line < 0 || s.to_line < 0;
    advise(fileno(f), from_end ? POSIX_FADV_WILLNEED : POSIX_FADV_SEQUENTIAL);

    // An input that cannot be read twice (a FIFO, a terminal, a process
    // substitution) is copied during the counting pass, and the copy scanned.
    FILE* copy = nullptr;
    if (!rewindable(fileno(f))) {
        copy = tmpfile();
        if (copy == nullptr)
            die("ERROR: Unable to create temporary file for input: %s!", strerror(errno));
    }
    std::int64_t count = 0;
    bool copy_failed = false;
    int error = count_lines(f, run.buffer, copy, count, copy_failed);
    if (error == 0 && copy != nullptr && fflush(copy) != 0) {
        copy_failed = true;
        error = errno != 0 ? errno : EIO;
    }
    if (copy != nullptr) {
        fclose(f);
        run.input = copy;
    }
    if (copy_failed)
        die("ERROR: Failed to write to temporary file: %s!", strerror(error));
    if (error == 0 && !rewind_input(run.input))
        error = errno;
    if (error != 0)
        die("ERROR: Read error: %s!", strerror(error));

    s.from_line = resolve_from_line(s.from_line, count);
    s.to_line = resolve_to_line(s.to_line, count);
    if (s.warnings && s.to_line != 0 && s.to_line < s.from_line)
        frame::report_format("WARNING: Line selection range (%lld — %lld) is not useful. Input file too short?",
                             static_cast<long long>(s.from_line), static_cast<long long>(s.to_line));
}

// Before anything is opened for writing: an output that is also an input
// (through any path) would be emptied before it is read, or read back while
// it grows. Only regular files count; a terminal may well be both.
void refuse_output_that_is_read(const run_settings& s, const char* output_file)
{
    struct stat out {};
    const bool found = output_file != nullptr ? stat(output_file, &out) == 0 : fstat(STDOUT_FILENO, &out) == 0;
    if (!found || !S_ISREG(out.st_mode))
        return;
    if (run.input_identity.regular && same_file(run.input_identity, out))
        die("ERROR: Input file and output file are the same file (use --in-place|-p)!");
    if (s.insert_file == nullptr)
        return;
    struct stat insert {};
    const bool insert_found = strcmp(s.insert_file, "-") == 0 ? fstat(STDIN_FILENO, &insert) == 0
                                                               : stat(s.insert_file, &insert) == 0;
    if (insert_found && S_ISREG(insert.st_mode) && insert.st_dev == out.st_dev && insert.st_ino == out.st_ino)
        die("ERROR: Insert file and output file are the same file!");
}

// Records the output file the moment it is open, with the cleanup signals
// blocked, so that neither the clean-up nor a signal can miss it.
void register_output(const run_settings& s, const char* path, int fd, bool created)
{
    run.output.fd = fd;
    run.output.name = path;
    run.output_opened = true;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        run.output_identity_error = errno;
        return;
    }
    run.output_identity = identity_of(st);
    if (!S_ISREG(st.st_mode))
        return;
    run.output_removable = created || !s.append;
    run.output_cut_back = !run.output_removable;
    run.length_before = st.st_size;
    if (s.keep_broken)
        return;
    on_signal.path = path;
    on_signal.device = st.st_dev;
    on_signal.inode = st.st_ino;
    on_signal.cut_fd = run.output_cut_back ? fd : -1;
    on_signal.cut_length = st.st_size;
    on_signal.armed = 1;
}

// Opens the output file (or, with temp, creates the temporary output of an
// in-place update) and registers it for the clean-up at once.
void open_output(const run_settings& s, const char* path, bool temp)
{
    if (!s.keep_broken)
        catch_cleanup_signals();
    // The temporary output is always a new file, readable and writable by
    // its owner only: a file already at its name (a backup, a link) is
    // never touched.
    const int flags = O_WRONLY | O_CLOEXEC | (s.append && !temp ? O_APPEND : 0);
    const sigset_t previous = block_cleanup_signals();
    int fd = open(path, flags | O_CREAT | O_EXCL | (temp ? O_NOFOLLOW : 0), temp ? 0600 : 0666);
    if (fd >= 0)
        register_output(s, path, fd, true);
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
            register_output(s, path, fd, created);
            restore_signals(before);
        }
    }
    if (fd < 0)
        die("ERROR: Unable to create output file %s: %s!", path, strerror(errno));
    if (!run.output_identity.known)
        die("ERROR: Unable to create output file %s: %s!", path, strerror(run.output_identity_error));
    advise(fd, POSIX_FADV_SEQUENTIAL);
}

// The insert file as a descriptor that can be read again for every block:
// a regular file as it is; standard input ("-") and anything else that
// cannot be re-read copied into an anonymous temporary file first.
int open_insert(const char* insert_file, bool input_is_standard_input)
{
    int source = STDIN_FILENO;
    if (strcmp(insert_file, "-") == 0) {
        if (input_is_standard_input)
            die("ERROR: Insert from standard input requires an input file!");
    } else {
        source = open(insert_file, O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (source >= 0 && fstat(source, &st) == 0 && S_ISDIR(st.st_mode)) {
            close(source);
            source = -1;
            errno = EISDIR;
        }
        if (source < 0)
            die("ERROR: Unable to open insert file %s: %s!", insert_file, strerror(errno));
        run.insert_file = source;
        // The output file this run has just created, reached through the insert file's name.
        if (S_ISREG(st.st_mode) && same_file(run.output_identity, st))
            die("ERROR: Insert file and output file are the same file!");
        if (rewindable(source)) {
            advise(source, POSIX_FADV_WILLNEED);
            return source;
        }
    }
    run.insert_copy = tmpfile();
    if (run.insert_copy == nullptr)
        die("ERROR: Unable to create temporary file for insertion: %s!", strerror(errno));
    const int copy = fileno(run.insert_copy);
    bool write_failed = false;
    const int error = copy_descriptor(source, copy, write_failed);
    if (write_failed)
        die("ERROR: Failed to write to temporary file: %s!", strerror(error));
    if (error != 0)
        die("ERROR: Read error: %s!", strerror(error));
    advise(copy, POSIX_FADV_WILLNEED);
    return copy;
}

// A broken output is deleted only while its name still holds, without
// following a symbolic link, the very regular file the run opened; an
// existing file that was appended to is cut back to its former length.
// When that cannot be told, the file stays, and a message says so.
void remove_broken_output()
{
    const char* name = run.output.name;
    if (!run.output_identity.known) {
        frame::report_format("ERROR: Unable to check broken output file %s, so it is kept: %s!", name,
                             strerror(run.output_identity_error));
        return;
    }
    if (run.output_removable) {
        struct stat named {};
        if (lstat(name, &named) != 0) {
            if (errno != ENOENT)
                frame::report_format("ERROR: Unable to check broken output file %s, so it is kept: %s!", name,
                                     strerror(errno));
            return;
        }
        if (S_ISREG(named.st_mode) && same_file(run.output_identity, named) && unlink(name) != 0)
            frame::report_format("ERROR: Unable to delete broken output file %s: %s!", name, strerror(errno));
        return;
    }
    if (!run.output_cut_back)
        return;
    // Opened again: its own descriptor is closed by now.
    const int fd = open(name, O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat held {};
    if (fd < 0 || fstat(fd, &held) != 0) {
        if (errno != ENOENT)
            frame::report_format("ERROR: Unable to check broken output file %s, so it is kept: %s!", name,
                                 strerror(errno));
    } else if (same_file(run.output_identity, held) && ftruncate(fd, run.length_before) != 0) {
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
int complete_temp_output()
{
    const int fd = run.output.fd;
    struct stat st {};
    if (stat(run.resolved_input_path, &st) == 0) {
        if (fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Not ours to give away; the mode below still applies.
        }
        if (fchmod(fd, st.st_mode & 07777) != 0)
            frame::report_format("WARNING: Unable to restore file permissions for %s: %s!", run.input_name,
                                 strerror(errno));
    }
    if (sync_descriptor(fd))
        return 0;
    frame::report_format("ERROR: Unable to write to output file %s: %s!", run.output.name, strerror(errno));
    return 1;
}

// The temporary output in the input's place, and the directory on disk,
// so that the new name survives a power loss too.
int replace_input()
{
    if (rename(run.temp_output_path, run.resolved_input_path) != 0) {
        frame::report_format("ERROR: Unable to change name of temporary output file from %s to %s: %s!",
                             run.temp_output_path, run.resolved_input_path, strerror(errno));
        return 1;
    }
    char directory[PATH_MAX];
    const char* slash = strrchr(run.resolved_input_path, '/');
    const std::size_t length = slash == nullptr ? 0 : static_cast<std::size_t>(slash - run.resolved_input_path);
    if (length >= sizeof directory)
        return 0;
    memcpy(directory, run.resolved_input_path, length);
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

}  // namespace

int close_output_file(int status)
{
    const run_settings& s = *run.settings;
    if ((status == 0 || s.keep_broken) && !complete_output(run.output))
        status = 1;
    if (status == 0 && run.temp_output_path != nullptr)
        status = complete_temp_output();
    // The descriptor's number may be taken again once it is closed.
    if (on_signal.cut_fd >= 0)
        on_signal.armed = 0;
    // A close interrupted by a signal has released the descriptor all the same.
    if (close(run.output.fd) != 0 && errno != EINTR && status == 0) {
        frame::report_format("ERROR: Unable to open output file %s: %s!", run.output.name, strerror(errno));
        status = 1;
    }
    run.output_opened = false;
    if (status == 0 && run.temp_output_path != nullptr)
        status = replace_input();
    if (status != 0 && !s.keep_broken)
        remove_broken_output();
    on_signal.armed = 0;
    return status;
}

std::int64_t resolve_from_line(std::int64_t from_line, std::int64_t count)
{
    return from_line < 0 ? from_line + count + 1 : from_line;
}

std::int64_t resolve_to_line(std::int64_t to_line, std::int64_t count)
{
    if (to_line >= 0)
        return to_line;
    const std::int64_t resolved = to_line + count + 1;
    return resolved > 0 ? resolved : -1;
}

run_streams open_streams(run_settings& s)
{
    run.settings = &s;
    run.input = stdin;
    run.output.data = output_buffer;
    run.output.capacity = sizeof output_buffer;
    // Past a file-size limit a write fails with EFBIG, reported and cleaned
    // up as any other failed write.
    signal(SIGXFSZ, SIG_IGN);
    if (!allocate_line_buffer(run.buffer))
        die("ERROR: malloc() failed: %s!", strerror(errno));
    const char* input_file = s.input_file;
    if (input_file != nullptr && strcmp(input_file, "-") == 0)
        input_file = nullptr;
    if (input_file == nullptr) {
        if (s.from_line < 0 || s.to_line < 0)
            die("ERROR: Select from end of file (negative line number) is only possible with input file!");
        if (s.in_place)
            die("ERROR: In-place update (--in-place|-p) requires an input file (--input/-i)!");
        struct stat st {};
        if (fstat(STDIN_FILENO, &st) == 0)
            run.input_identity = identity_of(st);
    } else {
        open_input(s, input_file);
    }

    const char* output_file = s.output_file;
    if (output_file != nullptr && strcmp(output_file, "-") == 0)
        output_file = nullptr;
    if (s.in_place) {
        if (output_file != nullptr)
            die("ERROR: In-place update (--in-place|-p) and output file (--output/-o) are mutually exclusive!");
        open_output(s, run.temp_output_path, true);
    } else {
        refuse_output_that_is_read(s, output_file);
        if (output_file != nullptr)
            open_output(s, output_file, false);
    }
    run.output.line_by_line = isatty(run.output.fd) != 0;

    int insert = -1;
    if (s.insert_file != nullptr)
        insert = open_insert(s.insert_file, input_file == nullptr);

    return run_streams{run.input, &run.output, insert, &run.buffer};
}

}  // namespace tagsnip
