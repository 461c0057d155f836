// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/run.hpp"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "tagsnip/actions.hpp"
#include "tagsnip/block_check.hpp"
#include "tagsnip/input_files.hpp"
#include "tagsnip/output_files.hpp"
#include "tagsnip/run_state.hpp"
#include "tagsnip/scanner.hpp"

namespace tagsnip {
namespace {

constexpr std::size_t output_buffer_size = 256 * 1024;

// The output's buffer, for the whole life of the process.
char output_buffer[output_buffer_size];

// What the scan needs, ready to go.
struct run_streams {
    line_range lines;       // the selection with its numbers resolved
    block_actions actions;  // the settings, the output and the insert file's descriptor set
    block_survey survey;    // with --strict-blocks: the blocks and lines of the whole input
};

// The run's one way out: releases everything it holds, the output last
// but the input, and exits with the status (1 when closing the output
// failed).
[[noreturn]] void finish_run(run_state& r, int status)
{
    if (r.insert_copy != nullptr)
        fclose(r.insert_copy);
    r.insert_copy = nullptr;
    if (r.insert_file >= 0)
        close(r.insert_file);
    r.insert_file = -1;
    if (r.output_opened)
        status = close_output_file(r, status);
    else if (!complete_output(r.output))
        status = 1;
    free(r.temp_output_path);
    r.temp_output_path = nullptr;
    if (r.input_opened) {
        fclose(r.input);
        r.input = nullptr;
        r.input_opened = false;
    }
    free(r.resolved_input_path);
    r.resolved_input_path = nullptr;
    release_line_buffer(r.buffer);
    exit(status);
}

// finish_run as the frame's clean-up, which frame::die and frame::finish end
// through.
[[noreturn]] void finish_held_run(void* held, int status)
{
    finish_run(*static_cast<run_state*>(held), status);
}

run_streams open_streams(run_state& r, const run_settings& s)
{
    r.settings = &s;
    r.input = stdin;
    r.output.data = output_buffer;
    r.output.capacity = sizeof output_buffer;
    // Past a file-size limit a write fails with EFBIG, reported and cleaned
    // up as any other failed write.
    signal(SIGXFSZ, SIG_IGN);
    if (!allocate_line_buffer(r.buffer))
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));
    const char* input_file = s.input_file;
    if (input_file != nullptr && strcmp(input_file, "-") == 0)
        input_file = nullptr;
    line_range lines{s.from_line, s.to_line};
    block_survey survey;
    if (input_file == nullptr) {
        if (s.from_line < 0 || s.to_line < 0)
            frame::die("ERROR: Select from end of file (negative line number) is only possible with input file!");
        if (s.in_place)
            frame::die("ERROR: In-place update (--in-place|-p) requires an input file (--input/-i)!");
        struct stat st {};
        if (fstat(STDIN_FILENO, &st) == 0)
            r.input_identity = identity_of(st);
        if (checks_blocks(s))
            survey_standard_input(r, s, survey);
    } else {
        // An in-place update reads the input through its absolute path.
        if (s.in_place)
            input_file = begin_in_place(r, input_file);
        open_input(r, input_file);
        if (s.in_place)
            require_regular_for_in_place(r, r.input_identity.regular);
        lines = read_input_first(r, s, survey);
    }

    // A managed block's limits count the blocks the input holds, known now.
    if (s.ensure_block && !action_count_within_limits(s, static_cast<std::int32_t>(survey.blocks)))
        frame::die("ERROR: Number of actions outside of set limits (--min-actions/-m/--max-actions/-M)!");

    const char* output_file = s.output_file;
    if (output_file != nullptr && strcmp(output_file, "-") == 0)
        output_file = nullptr;
    if (s.in_place) {
        if (output_file != nullptr)
            frame::die("ERROR: In-place update (--in-place|-p) and output file (--output/-o) are mutually "
                       "exclusive!");
        open_output(r, r.temp_output_path, true);
    } else {
        refuse_output_that_is_read(r, output_file);
        if (output_file != nullptr)
            open_output(r, output_file, false);
    }
    r.output.line_by_line = isatty(r.output.fd) != 0;
    // An update that changes nothing leaves the file as it is.
    if (s.in_place)
        r.output.same_as = fileno(r.input);

    block_actions actions;
    actions.settings = &s;
    actions.out = &r.output;
    actions.insert_line_end = insert_line_end_for(s, survey.first_line_crlf);
    if (s.insert_file != nullptr)
        actions.insert = open_insert(r, s.insert_file, input_file == nullptr);

    return run_streams{lines, actions, survey};
}

}  // namespace

void run(const run_settings& s)
{
    run_state r;
    frame::set_clean_up(finish_held_run, &r);
    run_streams io = open_streams(r, s);
    if (writes_input_unchanged(s, io.lines))
        copy_input_unchanged(io.actions, r.input);
    const int read_error = scan_input(r.input, r.buffer, s, io.lines, needs_line_pieces(s.act), io.actions);
    if (read_error != 0)
        frame::die("ERROR: Read error: %s!", strerror(read_error));
    if (s.ensure_block && io.actions.action_count == 0)
        append_managed_block(io.actions, io.survey.ends_in_newline, io.survey.first_line_crlf);
    if (!action_count_within_limits(s, io.actions.action_count))
        frame::die("ERROR: Number of actions outside of set limits (--min-actions/-m/--max-actions/-M)!");
    finish_run(r, 0);
}

}  // namespace tagsnip
