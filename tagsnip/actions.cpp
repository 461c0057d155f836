#include "tagsnip/actions.hpp"

#include <cerrno>
#include <climits>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "tagsnip/input.hpp"
#include "tagsnip/streams.hpp"

namespace tagsnip {
namespace {

constexpr std::size_t insert_piece_size = 65536;

// Pieces come straight from a mapped input file. Once its end was cut
// under the mapping, the lost text reads as zero bytes: nothing more is
// written, and what may hold such bytes is dropped.
[[noreturn]] void fail_cut_input(block_actions& a)
{
    frame::report_format("ERROR: Read error: %s!", strerror(EIO));
    discard_pending_output(a.out);
    finish_run(1);
}

void write_piece(block_actions& a, const char* piece, std::size_t length)
{
    if (length == 0)
        return;
    if (input_cut_short())
        fail_cut_input(a);
    errno = 0;
    const bool whole = fwrite(piece, 1, length, a.out) == length;
    if (whole && !input_cut_short())
        return;
    const int error = errno != 0 ? errno : EIO;
    if (whole || input_cut_short_now())
        fail_cut_input(a);
    frame::report_format("ERROR: Unable to write to output file %s: %s!", a.out_name, strerror(error));
    // The output is broken; what is still buffered would only fail again.
    discard_pending_output(a.out);
    finish_run(1);
}

// The whole insert file, then back to its start for the next block.
void copy_insert_file(block_actions& a)
{
    if (a.insert == nullptr)
        return;
    char piece[insert_piece_size];
    for (;;) {
        errno = 0;
        const std::size_t got = fread(piece, 1, sizeof piece, a.insert);
        if (got == 0) {
            if (ferror(a.insert) != 0) {
                frame::report_format("ERROR: Read error: %s!", strerror(errno != 0 ? errno : EIO));
                finish_run(1);
            }
            break;
        }
        write_piece(a, piece, got);
    }
    rewind(a.insert);
}

void wrap(block_actions& a, const char* before, const char* piece, std::size_t length, const char* after)
{
    if (length == 0)
        return;
    fputs(before, a.out);
    write_piece(a, piece, length);
    fputs(after, a.out);
}

}  // namespace

void emit_outside(block_actions& a, const char* piece, std::size_t length, bool boundary)
{
    const run_settings& s = *a.settings;
    switch (s.act) {
    case action::cat:
    case action::insert_back:
    case action::replace:
    case action::remove:
        write_piece(a, piece, length);
        break;
    case action::discard:
    case action::extract:
        break;
    case action::enumerate:
        fputs(s.enumerate_label1, a.out);
        fprintf(a.out, s.enumerate_format, static_cast<unsigned long long>(a.line_number));
        fputs(s.enumerate_label2, a.out);
        write_piece(a, piece, length);
        break;
    case action::highlight:
        wrap(a, s.highlight_unmarked1, piece, length, s.highlight_unmarked2);
        if (boundary)
            fputs(s.highlight_begin, a.out);
        break;
    case action::insert_front:
        write_piece(a, piece, length);
        if (boundary)
            copy_insert_file(a);
        break;
    }
    if (boundary) {
        a.block_open = true;
        if (a.action_count < INT32_MAX)
            ++a.action_count;
    }
}

void emit_inside(block_actions& a, const char* piece, std::size_t length, bool boundary)
{
    const run_settings& s = *a.settings;
    switch (s.act) {
    case action::cat:
    case action::discard:
    case action::enumerate:
    case action::remove:
        break;
    case action::highlight:
        wrap(a, s.highlight_marked1, piece, length, s.highlight_marked2);
        if (boundary)
            fputs(s.highlight_end, a.out);
        break;
    case action::extract:
    case action::insert_front:
        write_piece(a, piece, length);
        break;
    case action::insert_back:
        write_piece(a, piece, length);
        if (boundary)
            copy_insert_file(a);
        break;
    case action::replace:
        if (boundary)
            copy_insert_file(a);
        break;
    }
    if (boundary)
        a.block_open = false;
}

bool action_count_within_limits(const run_settings& s, std::int32_t count)
{
    if (s.min_actions >= 0 && count < s.min_actions)
        return false;
    return !(s.max_actions >= 0 && count > s.max_actions);
}

}  // namespace tagsnip
