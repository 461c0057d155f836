#include "tagsnip/streams.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <stdio_ext.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace tagsnip {
namespace {

constexpr std::size_t copy_piece_size = 65536;
constexpr std::size_t output_buffer_size = 256 * 1024;

// The output stream's buffer; it may be standard output's, so it lives as
// long as the process.
char output_buffer[output_buffer_size];

struct file_identity {
    bool known = false;
    bool regular = false;
    dev_t device = 0;
    ino_t inode = 0;
};

// Everything the run holds; the clean-up releases it.
struct run_resources {
    const run_settings* settings = nullptr;
    line_buffer buffer;
    char* resolved_input_path = nullptr;
    char* temp_output_path = nullptr;
    const char* input_name = nullptr;
    file_identity input_identity;
    FILE* input = nullptr;
    bool input_opened = false;
    FILE* output = nullptr;
    bool output_opened = false;
    const char* output_name = "-";
    // A second descriptor of the output file, kept past its closing: the
    // clean-up compares it with what the name holds before deleting, and
    // restores the owner and mode through it.
    int output_guard = -1;
    bool output_existed = false;
    off_t length_before = 0;
    FILE* insert = nullptr;
    bool insert_opened = false;
};

run_resources run;

file_identity identity_of(const struct stat& st)
{
    return file_identity{true, S_ISREG(st.st_mode), st.st_dev, st.st_ino};
}

bool same_file(const file_identity& a, const struct stat& b)
{
    return a.known && a.device == b.st_dev && a.inode == b.st_ino;
}

// Only a regular file or a block device can be read a second time.
bool rewindable(int fd)
{
    struct stat st {};
    return fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
}

void advise(FILE* f, int advice)
{
    posix_fadvise(fileno(f), 0, 0, advice);
}

// Copies all of from into to in pieces; 0, or the error number with
// write_failed telling which side failed.
int copy_stream(FILE* from, FILE* to, bool& write_failed)
{
    char piece[copy_piece_size];
    write_failed = false;
    for (;;) {
        errno = 0;
        const std::size_t got = fread(piece, 1, sizeof piece, from);
        if (got == 0)
            break;
        if (fwrite(piece, 1, got, to) != got) {
            write_failed = true;
            return errno != 0 ? errno : EIO;
        }
    }
    if (ferror(from) != 0)
        return errno != 0 ? errno : EIO;
    if (fflush(to) != 0) {
        write_failed = true;
        return errno != 0 ? errno : EIO;
    }
    rewind(to);
    return 0;
}

// Back to the start of a stream the scan reads through its descriptor.
void rewind_input(FILE* f)
{
    rewind(f);
    lseek(fileno(f), 0, SEEK_SET);
}

void open_input(run_settings& s, const char* input_file)
{
    if (s.in_place) {
        run.resolved_input_path = realpath(input_file, nullptr);
        if (run.resolved_input_path == nullptr) {
            frame::report_format("ERROR: Unable to resolve absolute path for input file %s: %s!",
                                 input_file, strerror(errno));
            finish_run(1);
        }
        input_file = run.resolved_input_path;
    }
    run.input_name = input_file;
    FILE* f = fopen(input_file, "r");
    if (f == nullptr) {
        frame::report_format("ERROR: Unable to open input file %s: %s!", input_file, strerror(errno));
        finish_run(1);
    }
    run.input = f;
    run.input_opened = true;
    struct stat st {};
    if (fstat(fileno(f), &st) == 0)
        run.input_identity = identity_of(st);
    const bool from_end = s.from_line < 0 || s.to_line < 0;
    advise(f, from_end ? POSIX_FADV_WILLNEED : POSIX_FADV_SEQUENTIAL);

    // An input that cannot be read twice (a FIFO, a terminal, a process
    // substitution) is copied during the counting pass, and the copy scanned.
    FILE* copy = nullptr;
    if (!rewindable(fileno(f))) {
        copy = tmpfile();
        if (copy == nullptr) {
            frame::report_format("ERROR: Unable to create temporary file for input: %s!", strerror(errno));
            finish_run(1);
        }
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
    if (copy_failed) {
        frame::report_format("ERROR: Failed to write to temporary file: %s!", strerror(error));
        finish_run(1);
    }
    if (error != 0) {
        frame::report_format("ERROR: Read error: %s!", strerror(error));
        finish_run(1);
    }
    rewind_input(run.input);

    s.from_line = resolve_from_line(s.from_line, count);
    s.to_line = resolve_to_line(s.to_line, count);
    if (s.warnings && s.to_line != 0 && s.to_line < s.from_line)
        frame::report_format("WARNING: Line selection range (%lld — %lld) is not useful. Input file too short?",
                             static_cast<long long>(s.from_line), static_cast<long long>(s.to_line));
}

// Opens an output file for writing without following a symbolic link, and
// without truncating until the file is known to be a regular file other
// than the input; created with owner read/write only.
FILE* open_temp_output(const char* path, bool append, int& fd, bool& existed)
{
    const int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (append ? O_APPEND : 0);
    existed = false;
    fd = open(path, flags | O_CREAT | O_EXCL, 0600);
    if (fd < 0 && errno == EEXIST) {
        fd = open(path, flags);
        existed = fd >= 0;
    }
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || same_file(run.input_identity, st)) {
        close(fd);
        errno = EEXIST;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if ((!append && ftruncate(fd, 0) != 0) ||
        ((st.st_mode & 07177) != 0 && fchmod(fd, st.st_mode & 0600) != 0)) {
        const int error = errno;
        close(fd);
        errno = error;
        return nullptr;
    }
    return fdopen(fd, append ? "a" : "w");
}

// Opens the output file as fopen with "w" or "a" would, noting whether it
// existed before.
FILE* open_output_file(const char* path, bool append, int& fd, bool& existed)
{
    const int flags = O_WRONLY | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    existed = false;
    fd = open(path, flags | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno == EEXIST) {
        fd = open(path, flags);
        existed = fd >= 0;
        // Gone in between, or a symbolic link to nothing yet: create through it.
        if (fd < 0 && errno == ENOENT)
            fd = open(path, flags | O_CREAT, 0666);
    }
    if (fd < 0)
        return nullptr;
    return fdopen(fd, append ? "a" : "w");
}

void open_output(const run_settings& s, const char* path, bool temp)
{
    int fd = -1;
    bool existed = false;
    FILE* f = temp ? open_temp_output(path, s.append, fd, existed)
                   : open_output_file(path, s.append, fd, existed);
    int guard = -1;
    if (f != nullptr) {
        guard = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (guard < 0) {
            const int error = errno;
            fclose(f);
            f = nullptr;
            errno = error;
        }
    } else if (fd >= 0) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    if (f == nullptr) {
        frame::report_format("ERROR: Unable to create output file %s: %s!", path, strerror(errno));
        finish_run(1);
    }
    run.output = f;
    run.output_opened = true;
    run.output_name = path;
    run.output_guard = guard;
    run.output_existed = existed;
    struct stat st {};
    if (s.append && existed && fstat(guard, &st) == 0)
        run.length_before = st.st_size;
    advise(f, POSIX_FADV_SEQUENTIAL);
}

// The insert file as a stream that can be read again for every block: a
// regular file as it is, standard input ("-") and anything else that
// cannot be rewound copied into an anonymous temporary file first.
void open_insert(const char* insert_file, bool input_is_standard_input)
{
    FILE* source = stdin;
    if (strcmp(insert_file, "-") == 0) {
        if (input_is_standard_input) {
            frame::report_message("ERROR: Insert from standard input requires an input file!");
            finish_run(1);
        }
    } else {
        source = fopen(insert_file, "r");
        struct stat st {};
        if (source != nullptr && fstat(fileno(source), &st) == 0 && S_ISDIR(st.st_mode)) {
            fclose(source);
            source = nullptr;
            errno = EISDIR;
        }
        if (source == nullptr) {
            frame::report_format("ERROR: Unable to open insert file %s: %s!", insert_file, strerror(errno));
            finish_run(1);
        }
        run.insert = source;
        run.insert_opened = true;
        if (rewindable(fileno(source))) {
            advise(source, POSIX_FADV_WILLNEED);
            return;
        }
    }
    FILE* copy = tmpfile();
    if (copy == nullptr) {
        frame::report_format("ERROR: Unable to create temporary file for insertion: %s!", strerror(errno));
        finish_run(1);
    }
    bool write_failed = false;
    const int error = copy_stream(source, copy, write_failed);
    if (source != stdin)
        fclose(source);
    run.insert = copy;
    run.insert_opened = true;
    if (write_failed) {
        frame::report_format("ERROR: Failed to write to temporary file: %s!", strerror(error));
        finish_run(1);
    }
    if (error != 0) {
        frame::report_format("ERROR: Read error: %s!", strerror(error));
        finish_run(1);
    }
    advise(copy, POSIX_FADV_WILLNEED);
}

// A failed run's output is deleted only while its name still holds, without
// following a symbolic link, the very regular file this run opened; an
// existing file opened for appending is cut back to its former length.
void remove_broken_output()
{
    struct stat held {}, named {};
    if (run.output_guard < 0 || fstat(run.output_guard, &held) != 0 ||
        lstat(run.output_name, &named) != 0)
        return;
    if (!S_ISREG(named.st_mode) || named.st_dev != held.st_dev || named.st_ino != held.st_ino)
        return;
    if (run.settings->append && run.output_existed) {
        if (ftruncate(run.output_guard, run.length_before) != 0)
            frame::report_format("ERROR: Unable to cut broken output file %s back to its former length: %s!",
                                 run.output_name, strerror(errno));
        return;
    }
    if (unlink(run.output_name) != 0)
        frame::report_format("ERROR: Unable to delete broken output file %s: %s!", run.output_name,
                             strerror(errno));
}

// The success of an in-place update: the input's owner, group and mode on
// the temporary output, then the temporary output in the input's place.
int replace_input()
{
    struct stat st {};
    if (stat(run.resolved_input_path, &st) == 0) {
        if (fchown(run.output_guard, st.st_uid, st.st_gid) != 0) {
            // Not ours to give away; the mode below still applies.
        }
        if (fchmod(run.output_guard, st.st_mode & 07777) != 0)
            frame::report_format("WARNING: Unable to restore file permissions for %s: %s!", run.input_name,
                                 strerror(errno));
    }
    if (rename(run.temp_output_path, run.resolved_input_path) != 0) {
        frame::report_format("ERROR: Unable to change name of temporary output file from %s to %s: %s!",
                             run.temp_output_path, run.resolved_input_path, strerror(errno));
        return 1;
    }
    return 0;
}

// Closes the output; an in-place result goes to disk before it may replace
// the input. Returns the status, 1 when the data could not be written.
int close_output(int status)
{
    int error = 0;
    if (fflush(run.output) != 0)
        error = errno;
    else if (run.temp_output_path != nullptr && status == 0 && fsync(fileno(run.output)) != 0)
        error = errno;
    if (fclose(run.output) != 0 && error == 0)
        error = errno;
    run.output = nullptr;
    run.output_opened = false;
    if (error == 0)
        return status;
    frame::report_format("ERROR: Unable to open output file %s: %s!", run.output_name, strerror(error));
    return 1;
}

}  // namespace

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
    run.output = stdout;
    if (!allocate_line_buffer(run.buffer)) {
        frame::report_format("ERROR: malloc() failed: %s!", strerror(errno));
        finish_run(1);
    }
    const char* input_file = s.input_file;
    if (input_file != nullptr && strcmp(input_file, "-") == 0)
        input_file = nullptr;
    if (input_file == nullptr) {
        if (s.from_line < 0 || s.to_line < 0) {
            frame::report_message("ERROR: Select from end of file (negative line number) is only possible with input file!");
            finish_run(1);
        }
        if (s.in_place) {
            frame::report_message("ERROR: In-place update (--in-place|-p) requires an input file (--input/-i)!");
            finish_run(1);
        }
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
        if (output_file != nullptr) {
            frame::report_message("ERROR: In-place update (--in-place|-p) and output file (--output/-o) are mutually exclusive!");
            finish_run(1);
        }
        const std::size_t length = strlen(run.input_name);
        run.temp_output_path = static_cast<char*>(malloc(length + 2));
        if (run.temp_output_path == nullptr) {
            frame::report_format("ERROR: malloc() failed: %s!", strerror(errno));
            finish_run(1);
        }
        memcpy(run.temp_output_path, run.input_name, length);
        run.temp_output_path[length] = '~';
        run.temp_output_path[length + 1] = '\0';
        open_output(s, run.temp_output_path, true);
    } else if (output_file != nullptr) {
        // Opening the input for writing would empty it before it is read.
        struct stat st {};
        if (stat(output_file, &st) == 0 && S_ISREG(st.st_mode) && run.input_identity.regular &&
            same_file(run.input_identity, st)) {
            frame::report_message("ERROR: Input file and output file are the same file (use --in-place|-p)!");
            finish_run(1);
        }
        open_output(s, output_file, false);
    }
    if (!isatty(fileno(run.output)))
        setvbuf(run.output, output_buffer, _IOFBF, sizeof output_buffer);

    if (s.insert_file != nullptr)
        open_insert(s.insert_file, input_file == nullptr);

    return run_streams{run.input, run.output, run.output_name, run.insert, &run.buffer};
}

void finish_run(int status)
{
    if (run.insert_opened) {
        fclose(run.insert);
        run.insert = nullptr;
        run.insert_opened = false;
    }
    if (run.output_opened) {
        status = close_output(status);
        if (status != 0 && !run.settings->keep_broken)
            remove_broken_output();
        else if (status == 0 && run.temp_output_path != nullptr)
            status = replace_input();
        if (run.output_guard >= 0)
            close(run.output_guard);
        run.output_guard = -1;
    }
    free(run.temp_output_path);
    run.temp_output_path = nullptr;
    if (run.input_opened) {
        fclose(run.input);
        run.input = nullptr;
        run.input_opened = false;
    }
    free(run.resolved_input_path);
    run.resolved_input_path = nullptr;
    release_line_buffer(run.buffer);
    exit(status);
}

void discard_pending_output(FILE* out)
{
#if defined(__GLIBC__)
    __fpurge(out);
#else
    fpurge(out);
#endif
    clearerr(out);
}

}  // namespace tagsnip
