// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/finish.hpp"

#include <unistd.h>

#include <cstdlib>

#include "frame/tool_frame.hpp"
#include "tagsnip/output_files.hpp"

namespace tagsnip {

run_resources run;

void finish_run(int status)
{
    if (run.insert_copy != nullptr)
        fclose(run.insert_copy);
    run.insert_copy = nullptr;
    if (run.insert_file >= 0)
        close(run.insert_file);
    run.insert_file = -1;
    if (run.output_opened)
        status = close_output_file(status);
    else if (!complete_output(run.output))
        status = 1;
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

void finish_held_run(void*, int status)
{
    finish_run(status);
}

}  // namespace tagsnip
