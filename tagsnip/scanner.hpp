// SPDX-License-Identifier: BSD-2-Clause
// The block scanner: cuts the input into pieces that lie outside or inside
// blocks and hands them, in input order, to the two emitters of an action.
//
// The emitter is any record E with a field `line_number` (int64_t), a field
// `block_open` (bool) and the free functions
//     emit_outside(E&, const char* piece, size_t length, bool boundary)
//     emit_inside(E&, const char* piece, size_t length, bool boundary)
// An outside piece with the boundary flag means a block begins after it; an
// inside piece with the flag means the block ends after it. Pieces cover
// every byte of the input exactly once; an empty piece carries only a mark.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "tagsnip/input.hpp"
#include "tagsnip/settings.hpp"

namespace tagsnip {

// First occurrence of tag in [from, to), or null. A tag with a newline
// before its last byte can never lie within one line and is never found.
const char* find_tag(const char* from, const char* to, const char* tag, std::size_t length);

// First line in [from, to) whose bytes without the final LF or CR LF are
// exactly the tag; from is the start of a line. Returns its start, or null.
const char* find_tag_line(const char* from, const char* to, const char* tag, std::size_t length);

// The tag being looked for as the settings compare it: the first
// occurrence, or with exact tag lines the first line that is the tag.
inline const char* find_tag_as_set(const run_settings& s, const char* from, const char* to, const char* tag,
                                   std::size_t length)
{
    return s.exact_tag_lines ? find_tag_line(from, to, tag, length) : find_tag(from, to, tag, length);
}

// Whether pieces must be handed over one line at a time, because the action
// writes something around each piece. Otherwise runs of whole lines that
// hold no block boundary may be handed over as one piece, and line_number
// is kept only in line mode.
bool needs_line_pieces(action a);

// Whether the scan would hand the whole input on as outside text that the
// action writes as it is: no tags, no line selected, and an action that
// writes outside text unchanged. The input may then be copied as a whole.
bool writes_input_unchanged(const run_settings& s, const line_range& lines);

namespace scan_detail {

struct scan_state {
    const run_settings* s;
    line_range lines;
    bool per_line;
    bool inside;  // tag mode: looking for the end tag
    enum { before, selected, after } phase;  // line mode, lines handed over whole
};

// The end of the line that begins at p, within [p, q). Lines are mostly
// short: their first 64 bytes are looked at here, 16 at a time, and only a
// longer line goes to memchr.
inline const char* line_end(const char* p, const char* q)
{
#if defined(__SSE2__)
    const __m128i newline = _mm_set1_epi8('\n');
    for (int i = 0; i < 4 && q - p >= 16; ++i, p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, newline));
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask)) + 1;
    }
#endif
    const void* nl = memchr(p, '\n', static_cast<std::size_t>(q - p));
    return nl != nullptr ? static_cast<const char*>(nl) + 1 : q;
}

inline std::size_t span(const char* a, const char* b)
{
    return static_cast<std::size_t>(b - a);
}

// Line mode, one line with its number n, as the selection rules say.
template <class E>
void select_line(const line_range& r, E& e, const char* p, const char* le)
{
    const std::int64_t n = e.line_number;
    if (r.from < 1 || n < r.from || (r.to != 0 && n > r.to)) {
        emit_outside(e, p, span(p, le), false);
        return;
    }
    if (n == r.from)
        emit_outside(e, p, 0, true);
    emit_inside(e, p, span(p, le), false);
    if (n == r.to)
        emit_inside(e, le, 0, true);
}

// Line mode over a run of whole lines [p, q).
template <class E>
void scan_lines(scan_state& st, E& e, const char* p, const char* q)
{
    const line_range& r = st.lines;
    if (st.per_line) {
        while (p < q) {
            const char* le = line_end(p, q);
            ++e.line_number;
            select_line(r, e, p, le);
            p = le;
        }
        return;
    }
    while (p < q) {
        switch (st.phase) {
        case scan_state::before: {
            const char* start = p;
            while (p < q && e.line_number + 1 < r.from) {
                p = line_end(p, q);
                ++e.line_number;
            }
            if (p > start)
                emit_outside(e, start, span(start, p), false);
            if (p < q) {
                emit_outside(e, p, 0, true);
                st.phase = scan_state::selected;
            }
            break;
        }
        case scan_state::selected: {
            const char* start = p;
            if (r.to == 0) {
                p = q;
            } else {
                while (p < q && e.line_number < r.to) {
                    p = line_end(p, q);
                    ++e.line_number;
                }
            }
            emit_inside(e, start, span(start, p), false);
            if (r.to != 0 && e.line_number == r.to) {
                emit_inside(e, p, 0, true);
                st.phase = scan_state::after;
            }
            break;
        }
        case scan_state::after:
            emit_outside(e, p, span(p, q), false);
            p = q;
            break;
        }
    }
}

// Whole lines [p, q) that hold no tag being looked for.
template <class E>
void pass_lines(scan_state& st, E& e, const char* p, const char* q)
{
    if (p == q)
        return;
    if (!st.per_line) {
        if (st.inside)
            emit_inside(e, p, span(p, q), false);
        else
            emit_outside(e, p, span(p, q), false);
        return;
    }
    while (p < q) {
        const char* le = line_end(p, q);
        ++e.line_number;
        if (st.inside)
            emit_inside(e, p, span(p, le), false);
        else
            emit_outside(e, p, span(p, le), false);
        p = le;
    }
}

// The begin tag found at m, the line going on at pos: what comes before
// the block goes outside. The block begins before the tag with tags
// included, else after it; with full tag lines at the start of the line
// (tags included) or after the whole line (with the rest of the line, in
// cut_tag_line). With identical tags and no full tag lines it ends at once:
// empty, or holding only the tag. Returns where the line goes on.
template <class E>
const char* cut_at_begin_tag(scan_state& st, E& e, const char* pos, const char* m)
{
    const run_settings& s = *st.s;
    const bool full = s.full_tag_lines;
    const bool include = s.include_tags;
    const bool identical = s.begin_tag == s.end_tag;
    const char* after = m + s.begin_length;
    if (full && include) {
        emit_outside(e, pos, 0, true);
        emit_inside(e, pos, span(pos, after), false);
        pos = after;
    } else if (full) {
        emit_outside(e, pos, span(pos, after), false);
        pos = after;
    } else if (include) {
        emit_outside(e, pos, span(pos, m), true);
        pos = m;
    } else {
        emit_outside(e, pos, span(pos, after), true);
        pos = after;
    }
    if (!full && identical) {
        if (include) {
            emit_inside(e, pos, s.begin_length, true);
            pos += s.begin_length;
        } else {
            emit_inside(e, pos, 0, true);
        }
    }
    st.inside = !identical;
    return pos;
}

// The end tag found at m on the line that begins at ls, the line going on
// at pos: the block ends after the tag with tags included, else before it;
// with full tag lines after the whole line (tags included, with the rest of
// the line, in cut_tag_line) or before it, the line then going outside.
// Returns where the line goes on.
template <class E>
const char* cut_at_end_tag(scan_state& st, E& e, const char* ls, const char* pos, const char* m)
{
    const run_settings& s = *st.s;
    const bool full = s.full_tag_lines;
    const bool include = s.include_tags;
    const char* after = m + s.end_length;
    if (full && include) {
        emit_inside(e, pos, span(pos, after), false);
        pos = after;
    } else if (full) {
        emit_inside(e, pos, 0, true);
        emit_outside(e, ls, span(ls, after), false);
        pos = after;
    } else if (include) {
        emit_inside(e, pos, span(pos, after), true);
        pos = after;
    } else {
        emit_inside(e, pos, span(pos, m), true);
        pos = m;
    }
    st.inside = false;
    return pos;
}

// One line [ls, le) in which the tag being looked for was found at m, with
// no NUL byte before it: cut at that tag and, without full tag lines, at
// every tag looked for after it; then the rest of the line.
template <class E>
void cut_tag_line(scan_state& st, E& e, const char* ls, const char* le, const char* m)
{
    const run_settings& s = *st.s;
    const bool full = s.full_tag_lines;
    const bool include = s.include_tags;
    const bool identical = s.begin_tag == s.end_tag;
    // A tag after a NUL byte of the line is never found.
    const void* nul = memchr(m, '\0', span(m, le));
    const char* limit = nul != nullptr ? static_cast<const char*>(nul) : le;
    const char* pos = ls;
    ++e.line_number;
    for (;;) {
        pos = st.inside ? cut_at_end_tag(st, e, ls, pos, m) : cut_at_begin_tag(st, e, pos, m);
        if (full)
            break;
        m = st.inside ? find_tag(pos, limit, s.end_tag, s.end_length)
                      : find_tag(pos, limit, s.begin_tag, s.begin_length);
        if (m == nullptr)
            break;
    }
    const std::size_t rest = span(pos, le);
    if (!full) {
        if (st.inside)
            emit_inside(e, pos, rest, false);
        else
            emit_outside(e, pos, rest, false);
    } else if (include) {
        emit_inside(e, pos, rest, !st.inside);
    } else if (identical) {
        emit_outside(e, pos, rest, true);
        emit_inside(e, le, 0, true);
    } else {
        emit_outside(e, pos, rest, st.inside);
    }
}

// Tag mode over a run of whole lines [p, q): the lines without the tag
// being looked for pass whole, each line with it is cut.
template <class E>
void scan_tags(scan_state& st, E& e, const char* p, const char* q)
{
    const run_settings& s = *st.s;
    while (p < q) {
        const char* m = st.inside ? find_tag_as_set(s, p, q, s.end_tag, s.end_length)
                                  : find_tag_as_set(s, p, q, s.begin_tag, s.begin_length);
        if (m == nullptr) {
            pass_lines(st, e, p, q);
            return;
        }
        const void* nl = m > p ? memrchr(p, '\n', span(p, m)) : nullptr;
        const char* ls = nl != nullptr ? static_cast<const char*>(nl) + 1 : p;
        const char* le = line_end(m, q);
        pass_lines(st, e, p, ls);
        if (memchr(ls, '\0', span(ls, m)) != nullptr)
            pass_lines(st, e, ls, le);
        else
            cut_tag_line(st, e, ls, le, m);
        p = le;
    }
}

}  // namespace scan_detail

// Scans the whole input with the normalised settings and the selected
// lines (used without tags) and closes a block still open at its end.
// Returns 0, or the error number of a read error; then an open block is
// left open.
template <class E>
int scan_input(FILE* in, line_buffer& b, const run_settings& s, const line_range& lines, bool per_line, E& e)
{
    using scan_detail::scan_state;
    scan_state st{&s, lines, per_line, false, scan_state::before};
    if (lines.from < 1 || (lines.to != 0 && lines.to < lines.from))
        st.phase = scan_state::after;
    const char* p = nullptr;
    const char* q = nullptr;
    int filled;
    while ((filled = next_lines(in, b, p, q)) > 0) {
        if (s.begin_tag != nullptr)
            scan_detail::scan_tags(st, e, p, q);
        else
            scan_detail::scan_lines(st, e, p, q);
    }
    if (filled < 0)
        return errno != 0 ? errno : EIO;
    if (e.block_open)
        emit_inside(e, b.data, 0, true);
    return 0;
}

}  // namespace tagsnip
