// SPDX-License-Identifier: BSD-2-Clause
// tagsnip: filter text line by line, acting on a range of lines or on the
// blocks between a begin and an end tag.
#include <cstring>

#include "frame/tool_frame.hpp"
#include "tagsnip/actions.hpp"
#include "tagsnip/command_line.hpp"
#include "tagsnip/finish.hpp"
#include "tagsnip/scanner.hpp"
#include "tagsnip/streams.hpp"

int main(int argc, char* argv[])
{
    frame::start(tagsnip::program_frame);
    tagsnip::run_settings given = tagsnip::parse_command_line(argc, argv);
    tagsnip::normalise_settings(given);
    const tagsnip::run_settings& s = given;
    frame::set_clean_up(tagsnip::finish_held_run, &tagsnip::run);
    tagsnip::run_streams io = tagsnip::open_streams(s);
    if (tagsnip::writes_input_unchanged(s, io.lines))
        tagsnip::copy_input_unchanged(io.actions, io.input);
    const int read_error =
        tagsnip::scan_input(io.input, *io.buffer, s, io.lines, tagsnip::needs_line_pieces(s.act), io.actions);
    if (read_error != 0)
        tagsnip::die("ERROR: Read error: %s!", strerror(read_error));
    if (s.ensure_block && io.actions.action_count == 0)
        tagsnip::append_managed_block(io.actions, io.survey.ends_in_newline, io.survey.first_line_crlf);
    if (!tagsnip::action_count_within_limits(s, io.actions.action_count))
        tagsnip::die("ERROR: Number of actions outside of set limits (--min-actions/-m/--max-actions/-M)!");
    tagsnip::finish_run(0);
}
