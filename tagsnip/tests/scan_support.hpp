// SPDX-License-Identifier: BSD-2-Clause
// Settings as the command line leaves them, and the scanner run in-process
// over made-up input, recording its pieces.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "tagsnip/command_line.hpp"
#include "tagsnip/scanner.hpp"
#include "tagsnip/settings.hpp"

namespace scantest {

struct piece {
    char side;  // 'o' outside, 'i' inside
    std::string text;
    bool boundary;
    bool operator==(const piece&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const piece& p)
{
    os << p.side << "[";
    for (char c : p.text) {
        if (c == '\n')
            os << "\\n";
        else if (c == '\0')
            os << "\\0";
        else
            os << c;
    }
    return os << "]" << (p.boundary ? "|" : "");
}

struct recorder {
    std::int64_t line_number = 0;
    bool block_open = false;
    std::vector<piece> pieces;
    std::vector<std::int64_t> numbers;  // line_number at each piece
};

inline void emit_outside(recorder& r, const char* p, std::size_t n, bool boundary)
{
    r.pieces.push_back({'o', std::string(p, n), boundary});
    r.numbers.push_back(r.line_number);
    if (boundary)
        r.block_open = true;
}

inline void emit_inside(recorder& r, const char* p, std::size_t n, bool boundary)
{
    r.pieces.push_back({'i', std::string(p, n), boundary});
    r.numbers.push_back(r.line_number);
    if (boundary)
        r.block_open = false;
}

// A readable stream over the bytes: fmemopen (no descriptor, read through
// stdio), or a temporary file (read through its descriptor).
inline FILE* input_stream(const std::string& bytes, bool through_descriptor)
{
    if (!through_descriptor && !bytes.empty())
        return fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
    FILE* f = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), f);
    fflush(f);
    rewind(f);
    return f;
}

struct scan_options {
    bool per_line = true;
    bool through_descriptor = false;
    std::size_t capacity = tagsnip::line_buffer_size;  // a small one splits lines across reads
};

// The selection of settings whose line numbers are given as the scan sees
// them, with nothing left to resolve.
inline tagsnip::line_range lines_of(const tagsnip::run_settings& s)
{
    return tagsnip::line_range{s.from_line, s.to_line};
}

inline recorder scan(const std::string& input, const tagsnip::run_settings& s, scan_options o = {})
{
    recorder r;
    const std::string bytes = input;
    FILE* in = input_stream(bytes, o.through_descriptor);
    tagsnip::line_buffer b;
    b.data = static_cast<char*>(malloc(o.capacity));
    b.capacity = o.capacity;
    const int error = tagsnip::scan_input(in, b, s, lines_of(s), o.per_line, r);
    free(b.data);
    fclose(in);
    if (error != 0)
        r.pieces.push_back({'!', "read error", false});
    return r;
}

// Pieces joined as an action that writes nothing around them sees them:
// neighbours on the same side without a boundary between them run together,
// and empty pieces that carry no mark vanish.
inline std::vector<piece> joined(const std::vector<piece>& pieces)
{
    std::vector<piece> out;
    for (const piece& p : pieces) {
        if (!out.empty() && out.back().side == p.side && !out.back().boundary) {
            out.back().text += p.text;
            out.back().boundary = p.boundary;
        } else if (!p.text.empty() || p.boundary) {
            out.push_back(p);
        }
    }
    return out;
}

// Settings for tag mode, normalised as after the command line, without
// warnings.
inline tagsnip::run_settings tag_settings(const char* begin, const char* end, bool full = false,
                                          bool include = false, tagsnip::action a = tagsnip::action::extract)
{
    tagsnip::run_settings s;
    s.act = a;
    s.warnings = false;
    s.begin_tag = begin;
    s.end_tag = end;
    s.full_tag_lines = full;
    s.include_tags = include;
    tagsnip::normalise_settings(s);
    return s;
}

inline tagsnip::run_settings line_settings(std::int64_t from, std::int64_t to)
{
    tagsnip::run_settings s;
    s.act = tagsnip::action::extract;
    s.from_line = from;
    s.to_line = to;
    return s;
}

}  // namespace scantest
