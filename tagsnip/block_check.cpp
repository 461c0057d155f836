// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/block_check.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "frame/tool_frame.hpp"
#include "tagsnip/scanner.hpp"

namespace tagsnip {
namespace {

void set_fault(block_survey& sv, block_fault fault, std::int64_t at)
{
    sv.fault = fault;
    sv.fault_at = at;
}

void begin_block(block_survey& sv, std::int64_t at)
{
    if (sv.one_block_only && sv.blocks >= 1) {
        set_fault(sv, block_fault::second_block, at);
        return;
    }
    if (++sv.blocks == 1)
        sv.first_begin_at = at;
    sv.begin_at = at;
    sv.inside = true;
}

// The number of the line that begins at the offset: the newlines before it
// in the file, read again, and one.
long long line_at(int fd, std::int64_t offset)
{
    char piece[65536];
    std::int64_t at = 0;
    std::int64_t newlines = 0;
    while (at < offset) {
        const std::int64_t left = offset - at;
        const std::size_t n = left < static_cast<std::int64_t>(sizeof piece) ? static_cast<std::size_t>(left)
                                                                              : sizeof piece;
        const ssize_t got = pread(fd, piece, n, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            frame::die("ERROR: Read error: %s!", strerror(got < 0 ? errno : EIO));
        newlines += count_newlines(piece, static_cast<std::size_t>(got));
        at += got;
    }
    return static_cast<long long>(newlines + 1);
}

// A line that holds a tag, with full tag lines: outside, a begin tag opens
// a block (whatever else the line holds) and an end tag alone is a fault;
// inside, an end tag closes it and a begin tag alone is a fault.
void survey_tag_line(block_survey& sv, bool has_begin, bool has_end, std::int64_t at)
{
    if (!sv.inside) {
        if (has_begin)
            begin_block(sv, at);
        else
            set_fault(sv, block_fault::stray_end, at);
    } else if (has_end) {
        sv.inside = false;
    } else {
        set_fault(sv, block_fault::nested_begin, at);
    }
}

// One line [ls, le) that holds a tag, tags only: the scanner's walk along
// the line, with a look for the other tag in the text it passes over. The
// tag the walk has just used is not looked at again as the other tag.
void survey_tags_in_line(block_survey& sv, const run_settings& s, const char* ls, const char* le,
                         std::int64_t at)
{
    const void* nul = memchr(ls, '\0', static_cast<std::size_t>(le - ls));
    const char* limit = nul != nullptr ? static_cast<const char*>(nul) : le;
    const char* pos = ls;
    const char* other_from = ls;
    for (;;) {
        if (!sv.inside) {
            const char* b = find_tag(pos, limit, s.begin_tag, s.begin_length);
            const char* e = find_tag(other_from, limit, s.end_tag, s.end_length);
            if (e != nullptr && (b == nullptr || e < b)) {
                set_fault(sv, block_fault::stray_end, at);
                return;
            }
            if (b == nullptr)
                return;
            begin_block(sv, at);
            if (sv.fault != block_fault::none)
                return;
            other_from = b + s.begin_length;
            pos = s.include_tags ? b : other_from;
        } else {
            const char* e = find_tag(pos, limit, s.end_tag, s.end_length);
            const char* b = find_tag(other_from, limit, s.begin_tag, s.begin_length);
            if (b != nullptr && (e == nullptr || b < e)) {
                set_fault(sv, block_fault::nested_begin, at);
                return;
            }
            if (e == nullptr)
                return;
            sv.inside = false;
            other_from = e + s.end_length;
            pos = s.include_tags ? other_from : e;
        }
    }
}

// Whether a tag found at m (in the line that begins at ls) counts: a tag
// after a NUL byte of its line is never found.
bool seen(const char* ls, const char* m, const char* le)
{
    return m != nullptr && m < le && memchr(ls, '\0', static_cast<std::size_t>(m - ls)) == nullptr;
}

}  // namespace

void survey_lines(block_survey& sv, const run_settings& s, const char* p, const char* q)
{
    if (p == q)
        return;
    if (!sv.first_line_seen) {
        const char* le = scan_detail::line_end(p, q);
        sv.first_line_seen = true;
        sv.first_line_crlf = le - p >= 2 && le[-1] == '\n' && le[-2] == '\r';
    }
    sv.empty = false;
    sv.ends_in_newline = q[-1] == '\n';
    // Identical tags make blocks that close where they open: nothing to check.
    if (s.begin_tag != nullptr && s.begin_tag != s.end_tag && sv.fault == block_fault::none) {
        const char* pos = p;
        const char* nb = find_tag_as_set(s, pos, q, s.begin_tag, s.begin_length);
        const char* ne = find_tag_as_set(s, pos, q, s.end_tag, s.end_length);
        while ((nb != nullptr || ne != nullptr) && sv.fault == block_fault::none) {
            const char* m = nb == nullptr ? ne : ne == nullptr ? nb : (nb < ne ? nb : ne);
            const void* nl = m > pos ? memrchr(pos, '\n', static_cast<std::size_t>(m - pos)) : nullptr;
            const char* ls = nl != nullptr ? static_cast<const char*>(nl) + 1 : pos;
            const char* le = scan_detail::line_end(m, q);
            const bool has_begin = seen(ls, nb, le);
            const bool has_end = seen(ls, ne, le);
            if (has_begin || has_end) {
                const std::int64_t at = sv.offset + (ls - p);
                if (s.full_tag_lines)
                    survey_tag_line(sv, has_begin, has_end, at);
                else
                    survey_tags_in_line(sv, s, ls, le, at);
            }
            pos = le;
            if (nb != nullptr && nb < le)
                nb = find_tag_as_set(s, le, q, s.begin_tag, s.begin_length);
            if (ne != nullptr && ne < le)
                ne = find_tag_as_set(s, le, q, s.end_tag, s.end_length);
        }
    }
    sv.offset += q - p;
}

void finish_survey(block_survey& sv)
{
    if (sv.fault == block_fault::none && sv.inside)
        set_fault(sv, block_fault::unclosed, sv.begin_at);
}

int survey_input(FILE* in, line_buffer& b, const run_settings& s, block_survey& sv)
{
    b.begin = b.end = b.handed = 0;
    b.at_end = false;
    const char* p = nullptr;
    const char* q = nullptr;
    int filled;
    while ((filled = next_lines(in, b, p, q)) > 0)
        survey_lines(sv, s, p, q);
    if (filled < 0)
        return errno != 0 ? errno : EIO;
    finish_survey(sv);
    b.begin = b.end = b.handed = 0;
    b.at_end = false;
    return 0;
}

void report_block_fault(const block_survey& sv, int fd)
{
    if (sv.fault == block_fault::none)
        return;
    const long long line = line_at(fd, sv.fault_at);
    switch (sv.fault) {
    case block_fault::none:
        return;
    case block_fault::unclosed:
        frame::die("ERROR: The block begun on line %lld is not closed by an end tag (--strict-blocks)!", line);
    case block_fault::stray_end:
        frame::die("ERROR: The end tag on line %lld is outside a block (--strict-blocks)!", line);
    case block_fault::nested_begin:
        frame::die("ERROR: The begin tag on line %lld is inside the block begun on line %lld (--strict-blocks)!", line,
            line_at(fd, sv.begin_at));
    case block_fault::second_block:
        frame::die("ERROR: A second block begins on line %lld, the first on line %lld (--ensure-block)!", line,
            line_at(fd, sv.first_begin_at));
    }
}

}  // namespace tagsnip
