// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/input_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "tagsnip/finish.hpp"
#include "tagsnip/output.hpp"

namespace tagsnip {
namespace {

constexpr std::size_t copy_piece_size = 65536;

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

// The temporary output's name: the input's resolved path and "~", with room
// for the six characters of a fresh name when that one is taken.
void make_temp_output_path()
{
    const std::size_t length = strlen(run.resolved_input_path);
    run.temp_output_path = static_cast<char*>(malloc(length + 8));
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

// The counting pass over the input file just opened, which is then back at
// its start for the scan. An input that cannot be read twice (a FIFO, a
// terminal, a process substitution) is copied during the pass, and the copy
// is what the scan reads. Returns the number of lines.
std::int64_t count_input_lines(FILE* f)
{
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
    return count;
}

// The whole input copied into an anonymous temporary file, which the scan
// then reads instead.
void copy_input_whole()
{
    FILE* copy = tmpfile();
    if (copy == nullptr)
        die("ERROR: Unable to create temporary file for input: %s!", strerror(errno));
    bool write_failed = false;
    const int error = copy_descriptor(fileno(run.input), fileno(copy), write_failed);
    if (run.input_opened)
        fclose(run.input);
    run.input = copy;
    run.input_opened = true;
    if (write_failed)
        die("ERROR: Failed to write to temporary file: %s!", strerror(error));
    if (error != 0)
        die("ERROR: Read error: %s!", strerror(error));
    if (!rewind_input(copy))
        die("ERROR: Read error: %s!", strerror(errno));
}

// The counting pass as the survey of the blocks; a fault ends the run.
// With tags there is no line number to resolve: the lines are not counted.
void survey_input_lines(const run_settings& s, block_survey& sv)
{
    if (!rewindable(fileno(run.input)))
        copy_input_whole();
    sv.one_block_only = s.ensure_block;
    int error = survey_input(run.input, run.buffer, s, sv);
    if (error == 0 && !rewind_input(run.input))
        error = errno;
    if (error != 0)
        die("ERROR: Read error: %s!", strerror(error));
    report_block_fault(sv, fileno(run.input));
}

}  // namespace

line_range open_input(const run_settings& s, const char* input_file, block_survey& sv)
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

    std::int64_t count = 0;
    if (checks_blocks(s))
        survey_input_lines(s, sv);
    else
        count = count_input_lines(f);
    const line_range lines{resolve_from_line(s.from_line, count), resolve_to_line(s.to_line, count)};
    if (s.warnings && lines.to != 0 && lines.to < lines.from)
        frame::report_format("WARNING: Line selection range (%lld — %lld) is not useful. Input file too short?",
                             static_cast<long long>(lines.from), static_cast<long long>(lines.to));
    return lines;
}

void survey_standard_input(const run_settings& s, block_survey& sv)
{
    // Copied even when it is a regular file: it may not stand at its start.
    copy_input_whole();
    survey_input_lines(s, sv);
}

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

}  // namespace tagsnip
