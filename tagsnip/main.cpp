// SPDX-License-Identifier: BSD-2-Clause
// tagsnip: filter text line by line, acting on a range of lines or on the
// blocks between a begin and an end tag.
#include "frame/tool_frame.hpp"
#include "tagsnip/command_line.hpp"
#include "tagsnip/run.hpp"

int main(int argc, char* argv[])
{
    frame::start(tagsnip::program_frame);
    tagsnip::run_settings s = tagsnip::parse_command_line(argc, argv);
    tagsnip::normalise_settings(s);
    // Every end of the run, the good one too, leaves through its clean-up.
    tagsnip::run(s);
}
