// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/input_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"
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

// The counting pass over the input file just opened, which is then back at
// its start for the scan. An input that cannot be read twice (a FIFO, a
// terminal, a process substitution) is copied during the pass, and the copy
// is what the scan reads. Returns the number of lines.
std::int64_t count_input_lines(run_state& r)
{
    FILE* const f = r.input;
    FILE* copy = nullptr;
    if (!rewindable(fileno(f))) {
        copy = tmpfile();
        if (copy == nullptr)
            frame::die("ERROR: Unable to create temporary file for input: %s!", strerror(errno));
    }
    std::int64_t count = 0;
    bool copy_failed = false;
    int error = count_lines(f, r.buffer, copy, count, copy_failed);
    if (error == 0 && copy != nullptr && fflush(copy) != 0) {
        copy_failed = true;
        error = errno != 0 ? errno : EIO;
    }
    if (copy != nullptr) {
        fclose(f);
        r.input = copy;
    }
    if (copy_failed)
        frame::die("ERROR: Failed to write to temporary file: %s!", strerror(error));
    if (error == 0 && !rewind_input(r.input))
        error = errno;
    if (error != 0)
        frame::die("ERROR: Read error: %s!", strerror(error));
    return count;
}

// The whole input copied into an anonymous temporary file, which the scan
// then reads instead.
void copy_input_whole(run_state& r)
{
    FILE* copy = tmpfile();
    if (copy == nullptr)
        frame::die("ERROR: Unable to create temporary file for input: %s!", strerror(errno));
    bool write_failed = false;
    const int error = copy_descriptor(fileno(r.input), fileno(copy), write_failed);
    if (r.input_opened)
        fclose(r.input);
    r.input = copy;
    r.input_opened = true;
    if (write_failed)
        frame::die("ERROR: Failed to write to temporary file: %s!", strerror(error));
    if (error != 0)
        frame::die("ERROR: Read error: %s!", strerror(error));
    if (!rewind_input(copy))
        frame::die("ERROR: Read error: %s!", strerror(errno));
}

// The counting pass as the survey of the blocks; a fault ends the run.
// With tags there is no line number to resolve: the lines are not counted.
void survey_input_lines(run_state& r, const run_settings& s, block_survey& sv)
{
    if (!rewindable(fileno(r.input)))
        copy_input_whole(r);
    sv.one_block_only = s.ensure_block;
    int error = survey_input(r.input, r.buffer, s, sv);
    if (error == 0 && !rewind_input(r.input))
        error = errno;
    if (error != 0)
        frame::die("ERROR: Read error: %s!", strerror(error));
    report_block_fault(sv, fileno(r.input));
}

}  // namespace

void open_input(run_state& r, const char* input_file)
{
    r.input_name = input_file;
    FILE* f = fopen(input_file, "r");
    if (f == nullptr)
        frame::die("ERROR: Unable to open input file %s: %s!", input_file, strerror(errno));
    r.input = f;
    r.input_opened = true;
    struct stat st {};
    if (fstat(fileno(f), &st) == 0)
        r.input_identity = identity_of(st);
}

line_range read_input_first(run_state& r, const run_settings& s, block_survey& sv)
{
    const bool from_end = s.from_line < 0 || s.to_line < 0;
    advise(fileno(r.input), from_end ? POSIX_FADV_WILLNEED : POSIX_FADV_SEQUENTIAL);
    std::int64_t count = 0;
    if (checks_blocks(s))
        survey_input_lines(r, s, sv);
    else
        count = count_input_lines(r);
    const line_range lines{resolve_from_line(s.from_line, count), resolve_to_line(s.to_line, count)};
    if (s.warnings && lines.to != 0 && lines.to < lines.from)
        frame::report_format("WARNING: Line selection range (%lld — %lld) is not useful. Input file too short?",
                             static_cast<long long>(lines.from), static_cast<long long>(lines.to));
    return lines;
}

void survey_standard_input(run_state& r, const run_settings& s, block_survey& sv)
{
    // Copied even when it is a regular file: it may not stand at its start.
    copy_input_whole(r);
    survey_input_lines(r, s, sv);
}

int open_insert(run_state& r, const char* insert_file, bool input_is_standard_input)
{
    int source = STDIN_FILENO;
    if (strcmp(insert_file, "-") == 0) {
        if (input_is_standard_input)
            frame::die("ERROR: Insert from standard input requires an input file!");
    } else {
        source = open(insert_file, O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (source >= 0 && fstat(source, &st) == 0 && S_ISDIR(st.st_mode)) {
            close(source);
            source = -1;
            errno = EISDIR;
        }
        if (source < 0)
            frame::die("ERROR: Unable to open insert file %s: %s!", insert_file, strerror(errno));
        r.insert_file = source;
        // The output file this run has just created, reached through the insert file's name.
        if (S_ISREG(st.st_mode) && same_file(r.output_identity, st))
            frame::die("ERROR: Insert file and output file are the same file!");
        if (rewindable(source)) {
            advise(source, POSIX_FADV_WILLNEED);
            return source;
        }
    }
    r.insert_copy = tmpfile();
    if (r.insert_copy == nullptr)
        frame::die("ERROR: Unable to create temporary file for insertion: %s!", strerror(errno));
    const int copy = fileno(r.insert_copy);
    bool write_failed = false;
    const int error = copy_descriptor(source, copy, write_failed);
    if (write_failed)
        frame::die("ERROR: Failed to write to temporary file: %s!", strerror(error));
    if (error != 0)
        frame::die("ERROR: Read error: %s!", strerror(error));
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
