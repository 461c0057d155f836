#include "tagsnip/actions.hpp"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "tagsnip/streams.hpp"

namespace tagsnip {
namespace {

constexpr std::size_t insert_piece_size = 65536;

void write_piece(block_actions& a, const char* piece, std::size_t length)
{
    write_output(*a.out, piece, length);
}

[[noreturn]] void fail_insert_read(int error)
{
    frame::report_format("ERROR: Read error: %s!", strerror(error));
    finish_run(1);
}

// The whole insert file, from its start.
void copy_insert_file(block_actions& a)
{
    if (a.insert < 0)
        return;
    if (lseek(a.insert, 0, SEEK_SET) != 0)
        fail_insert_read(errno);
    char piece[insert_piece_size];
    for (;;) {
        const ssize_t got = read(a.insert, piece, sizeof piece);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            fail_insert_read(errno);
        }
        if (got == 0)
            break;
        write_piece(a, piece, static_cast<std::size_t>(got));
    }
}

void wrap(block_actions& a, const char* before, const char* piece, std::size_t length, const char* after)
{
    if (length == 0)
        return;
    write_text(*a.out, before);
    write_piece(a, piece, length);
    write_text(*a.out, after);
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
        write_text(*a.out, s.enumerate_label1);
        write_number(*a.out, s.enumerate_format, static_cast<unsigned long long>(a.line_number));
        write_text(*a.out, s.enumerate_label2);
        write_piece(a, piece, length);
        break;
    case action::highlight:
        wrap(a, s.highlight_unmarked1, piece, length, s.highlight_unmarked2);
        if (boundary)
            write_text(*a.out, s.highlight_begin);
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
            write_text(*a.out, s.highlight_end);
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
