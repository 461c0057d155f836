// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/streams.hpp"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tagsnip/finish.hpp"
#include "tagsnip/input_files.hpp"
#include "tagsnip/output_files.hpp"

namespace tagsnip {
namespace {

constexpr std::size_t output_buffer_size = 256 * 1024;

// The output's buffer, for the whole life of the process.
char output_buffer[output_buffer_size];

}  // namespace

run_streams open_streams(const run_settings& s)
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
    line_range lines{s.from_line, s.to_line};
    block_survey survey;
    if (input_file == nullptr) {
        if (s.from_line < 0 || s.to_line < 0)
            die("ERROR: Select from end of file (negative line number) is only possible with input file!");
        if (s.in_place)
            die("ERROR: In-place update (--in-place|-p) requires an input file (--input/-i)!");
        struct stat st {};
        if (fstat(STDIN_FILENO, &st) == 0)
            run.input_identity = identity_of(st);
        if (checks_blocks(s))
            survey_standard_input(s, survey);
    } else {
        lines = open_input(s, input_file, survey);
    }

    // A managed block's limits count the blocks the input holds, known now.
    if (s.ensure_block && !action_count_within_limits(s, static_cast<std::int32_t>(survey.blocks)))
        die("ERROR: Number of actions outside of set limits (--min-actions/-m/--max-actions/-M)!");

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
    // An update that changes nothing leaves the file as it is.
    if (s.in_place)
        run.output.same_as = fileno(run.input);

    block_actions actions;
    actions.settings = &s;
    actions.out = &run.output;
    actions.insert_line_end = insert_line_end_for(s, survey.first_line_crlf);
    if (s.insert_file != nullptr)
        actions.insert = open_insert(s.insert_file, input_file == nullptr);

    return run_streams{run.input, &run.buffer, lines, actions, survey};
}

}  // namespace tagsnip
