// SPDX-License-Identifier: BSD-2-Clause
// tagsnip's scanner with its actions: random input, tags and settings (from
// a command line), read through stdio or through a descriptor with a line
// buffer from one byte up to the full size, so that reads are tiny or huge
// and lines are split across them. What the action writes, the number of
// blocks and the counting pass must agree with a plain line-by-line model
// of the scanner and the table of the actions.
//
// Input: a control field ("d" reads through a descriptor, "p" hands over
// every line as its own piece, a number is the line buffer's capacity, "h"
// the program's own capacity, else 4096 bytes),
// then the words of the command line, a field holding only 0x1E, the insert
// text up to a NUL, and the input text (any bytes).
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.hpp"
#include "fuzz/tagsnip_model.hpp"
#include "tagsnip/block_check.hpp"
#include "tagsnip/actions.hpp"
#include "tagsnip/command_line.hpp"
#include "tagsnip/input.hpp"
#include "tagsnip/output.hpp"
#include "tagsnip/scanner.hpp"
#include "tagsnip/input_files.hpp"

namespace {

using fuzzinput::expect;
using fuzzinput::shown;
using tagsnip::action;
using tagsnip::run_settings;

// The model: the scanner as it reads the input line by line and searches
// each line with a plain substring search, and the actions' table.
struct model_emitter {
    const run_settings& s;
    const std::string& insert;
    bool insert_given;
    std::string out;
    std::int64_t line_number = 0;
    std::int32_t count = 0;
    bool open = false;

    void write(const char* p, std::size_t n) { out.append(p, n); }
    void wrap(const char* before, const char* p, std::size_t n, const char* after)
    {
        if (n == 0)
            return;
        out += before;
        write(p, n);
        out += after;
    }
    void insert_file()
    {
        if (!insert_given)
            return;
        out += insert;
        // Between full tag lines an insertion stays lines of its own.
        const bool completes = s.begin_tag != nullptr && s.full_tag_lines &&
                               (s.act == action::insert_front || s.act == action::insert_back || s.act == action::replace);
        if (completes && !insert.empty() && insert.back() != '\n')
            out += '\n';
    }

    void outside(const char* p, std::size_t n, bool boundary)
    {
        switch (s.act) {
        case action::cat:
        case action::insert_back:
        case action::replace:
        case action::remove: write(p, n); break;
        case action::discard:
        case action::extract: break;
        case action::enumerate: {
            out += s.enumerate_label1;
            out += tagsnipmodel::printf_number(s.enumerate_format, static_cast<unsigned long long>(line_number));
            out += s.enumerate_label2;
            write(p, n);
            break;
        }
        case action::highlight:
            wrap(s.highlight_unmarked1, p, n, s.highlight_unmarked2);
            if (boundary)
                out += s.highlight_begin;
            break;
        case action::insert_front:
            write(p, n);
            if (boundary)
                insert_file();
            break;
        }
        if (boundary) {
            open = true;
            ++count;
        }
    }

    void inside(const char* p, std::size_t n, bool boundary)
    {
        switch (s.act) {
        case action::cat:
        case action::discard:
        case action::enumerate:
        case action::remove: break;
        case action::highlight:
            wrap(s.highlight_marked1, p, n, s.highlight_marked2);
            if (boundary)
                out += s.highlight_end;
            break;
        case action::extract:
        case action::insert_front: write(p, n); break;
        case action::insert_back:
            write(p, n);
            if (boundary)
                insert_file();
            break;
        case action::replace:
            if (boundary)
                insert_file();
            break;
        }
        if (boundary)
            open = false;
    }
};

// First occurrence of the tag in [from, to), or null.
const char* search(const char* from, const char* to, const char* tag, std::size_t length)
{
    for (const char* p = from; p + length <= to; ++p)
        if (memcmp(p, tag, length) == 0)
            return p;
    return nullptr;
}

// The line itself when it is the tag without its LF or CR LF, else null.
const char* exact_line(const char* line, const char* end, const char* tag, std::size_t length)
{
    std::string text(line, end);
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    }
    return text == std::string(tag, length) ? line : nullptr;
}

struct model_scanner {
    const run_settings& s;
    const tagsnip::line_range& lines;
    model_emitter& e;
    bool looking_for_end = false;

    void line_mode(const char* p, const char* q)
    {
        const std::int64_t n = e.line_number;
        const std::size_t size = static_cast<std::size_t>(q - p);
        if (lines.from < 1 || n < lines.from || (lines.to != 0 && n > lines.to)) {
            e.outside(p, size, false);
            return;
        }
        if (n == lines.from)
            e.outside(p, 0, true);
        e.inside(p, size, false);
        if (n == lines.to)
            e.inside(q, 0, true);
    }

    void tag_mode(const char* line, const char* end)
    {
        const bool identical = s.begin_tag == s.end_tag;
        const bool full = s.full_tag_lines;
        const bool include = s.include_tags;
        // The search ends at the first NUL of the line.
        const void* nul = memchr(line, '\0', static_cast<std::size_t>(end - line));
        const char* limit = nul != nullptr ? static_cast<const char*>(nul) : end;
        const char* pos = line;
        bool found = false;
        for (;;) {
            const char* tag = looking_for_end ? s.end_tag : s.begin_tag;
            const std::size_t length = looking_for_end ? s.end_length : s.begin_length;
            const char* m = s.exact_tag_lines ? exact_line(line, end, tag, length) : search(pos, limit, tag, length);
            if (m == nullptr)
                break;
            found = true;
            const char* after = m + length;
            const auto span = [](const char* a, const char* b) { return static_cast<std::size_t>(b - a); };
            if (!looking_for_end) {
                if (full && include) {
                    e.outside(pos, 0, true);
                    e.inside(pos, span(pos, after), false);
                    pos = after;
                } else if (full) {
                    e.outside(pos, span(pos, after), false);
                    pos = after;
                } else if (include) {
                    e.outside(pos, span(pos, m), true);
                    pos = m;
                } else {
                    e.outside(pos, span(pos, after), true);
                    pos = after;
                }
                if (!full && identical) {
                    if (include) {
                        e.inside(pos, length, true);
                        pos += length;
                    } else {
                        e.inside(pos, 0, true);
                    }
                }
                looking_for_end = !identical;
            } else {
                if (full && include) {
                    e.inside(pos, span(pos, after), false);
                    pos = after;
                } else if (full) {
                    e.inside(pos, 0, true);
                    e.outside(line, span(line, after), false);
                    pos = after;
                } else if (include) {
                    e.inside(pos, span(pos, after), true);
                    pos = after;
                } else {
                    e.inside(pos, span(pos, m), true);
                    pos = m;
                }
                looking_for_end = false;
            }
            if (full)
                break;
        }
        const std::size_t rest = static_cast<std::size_t>(end - pos);
        if (!found || !full) {
            if (looking_for_end)
                e.inside(pos, rest, false);
            else
                e.outside(pos, rest, false);
        } else if (include) {
            e.inside(pos, rest, !looking_for_end);
        } else if (identical) {
            e.outside(pos, rest, true);
            e.inside(end, 0, true);
        } else {
            e.outside(pos, rest, looking_for_end);
        }
    }

    void scan(const std::string& input)
    {
        const char* p = input.data();
        const char* const q = p + input.size();
        while (p < q) {
            const void* nl = memchr(p, '\n', static_cast<std::size_t>(q - p));
            const char* end = nl != nullptr ? static_cast<const char*>(nl) + 1 : q;
            ++e.line_number;
            if (s.begin_tag == nullptr)
                line_mode(p, end);
            else
                tag_mode(p, end);
            p = end;
        }
        open_at_end = e.open;
        if (e.open)
            e.inside(q, 0, true);
    }
    bool open_at_end = false;
};

std::int64_t model_line_count(const std::string& input)
{
    std::int64_t count = 0;
    for (char c : input)
        count += c == '\n';
    return count + (!input.empty() && input.back() != '\n' ? 1 : 0);
}

// A stream over the bytes: fmemopen (no descriptor: read through stdio), or
// through a descriptor (a pipe for what fits in one, else a temporary file).
// A temporary file holding bytes, at its start.
FILE* temporary_file_of(const std::string& bytes)
{
    FILE* f = tmpfile();
    if (f == nullptr)
        return nullptr;
    if (fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fflush(f) != 0 || fseek(f, 0, SEEK_SET) != 0) {
        fclose(f);
        return nullptr;
    }
    return f;
}

// The whole contents of the file open on fd.
std::string contents_of(int fd)
{
    std::string text;
    char piece[65536];
    for (off_t at = 0;;) {
        const ssize_t got = pread(fd, piece, sizeof piece, at);
        if (got <= 0)
            break;
        text.append(piece, static_cast<std::size_t>(got));
        at += got;
    }
    return text;
}

FILE* input_stream(const std::string& bytes, bool through_descriptor)
{
    if (bytes.empty())
        return fopen("/dev/null", "r");
    if (!through_descriptor)
        return fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
    if (bytes.size() <= 4096) {
        int ends[2];
        if (pipe(ends) != 0)
            return nullptr;
        const bool written = write(ends[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        close(ends[1]);
        if (!written) {
            close(ends[0]);
            return nullptr;
        }
        return fdopen(ends[0], "r");
    }
    FILE* f = tmpfile();
    if (f == nullptr)
        return nullptr;
    if (fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fflush(f) != 0 || fseek(f, 0, SEEK_SET) != 0) {
        fclose(f);
        return nullptr;
    }
    return f;
}

struct stream {
    FILE* f;
    explicit stream(FILE* opened) : f(opened)
    {
        if (f == nullptr)
            fuzzinput::fail("cannot make an input stream");
    }
    ~stream() { fclose(f); }
    stream(const stream&) = delete;
    stream& operator=(const stream&) = delete;
};

tagsnip::line_buffer buffer_of(std::size_t capacity)
{
    tagsnip::line_buffer b;
    b.data = static_cast<char*>(malloc(capacity));
    if (b.data == nullptr)
        fuzzinput::fail("no memory for the line buffer");
    b.capacity = capacity;
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzinput::reader in{data, size};
    const std::string control = in.field();
    tagsnipmodel::command_line cl = tagsnipmodel::read_words(in);
    const std::string insert = in.field();
    const std::string input = in.rest();

    const bool through_descriptor = control.find('d') != std::string::npos;
    const bool force_line_pieces = control.find('p') != std::string::npos;
    const std::size_t digits = control.find_first_of("0123456789");
    std::size_t capacity = digits != std::string::npos ? strtoul(control.c_str() + digits, nullptr, 10) : 4096;
    if (capacity == 0 || capacity > tagsnip::line_buffer_size || control.find('h') != std::string::npos)
        capacity = tagsnip::line_buffer_size;

    tagsnipmodel::expected e;
    if (!tagsnipmodel::model_option_loop(cl, e))
        return 0;
    std::vector<char*> argv = cl.argv();
    tagsnipmodel::reset_getopt();
    run_settings s = tagsnip::parse_command_line(cl.argc(), argv.data());
    if (tagsnipmodel::refused_by_checks(s))
        return 0;
    {
        const fuzzinput::quiet_diagnostics quiet;
        tagsnip::normalise_settings(s);
    }
    // Wide number fields take long to print, and the inserted text is
    // written for every block: keep the output within reason.
    if (s.act == action::enumerate && s.enumerate_format.width > 4096)
        return 0;
    if (s.insert_file != nullptr && insert.size() * (input.size() + 1) > (64u << 20))
        return 0;

    // The counting pass, and the line numbers that count from the end.
    tagsnip::line_range lines;
    {
        const stream counted(input_stream(input, through_descriptor));
        tagsnip::line_buffer b = buffer_of(capacity);
        fuzzinput::memory_output copy;
        std::int64_t count = 0;
        bool copy_failed = false;
        const int error = tagsnip::count_lines(counted.f, b, copy.stream, count, copy_failed);
        tagsnip::release_line_buffer(b);
        expect(error == 0 && !copy_failed, "the counting pass reads without error");
        expect(count == model_line_count(input), "the counting pass counts the lines");
        expect(copy.text() == input, "the counting pass copies the input");
        lines.from = tagsnip::resolve_from_line(s.from_line, count);
        lines.to = tagsnip::resolve_to_line(s.to_line, count);
    }

    const bool insert_given = s.insert_file != nullptr;
    model_emitter expected_output{s, insert, insert_given, std::string()};
    model_scanner model{s, lines, expected_output};
    model.scan(input);

    const stream scanned(input_stream(input, through_descriptor));
    // The insert file is a seekable descriptor, the output a descriptor
    // behind the run's buffer: both temporary files here.
    const stream insert_file(insert_given ? temporary_file_of(insert) : fopen("/dev/null", "r"));
    const stream output_file(tmpfile());
    static char output_buffer[4096];
    tagsnip::output_stream out;
    out.fd = fileno(output_file.f);
    out.name = "output";
    out.data = output_buffer;
    out.capacity = sizeof output_buffer;
    tagsnip::block_actions a;
    a.settings = &s;
    a.out = &out;
    a.insert = insert_given ? fileno(insert_file.f) : -1;
    a.insert_line_end = tagsnip::insert_line_end_for(s, false);
    tagsnip::line_buffer b = buffer_of(capacity);
    const bool per_line = force_line_pieces || tagsnip::needs_line_pieces(s.act);
    const int error = tagsnip::scan_input(scanned.f, b, s, lines, per_line, a);
    tagsnip::release_line_buffer(b);
    expect(tagsnip::flush_output(out), "the output is written");
    const std::string written = contents_of(fileno(output_file.f));

    expect(error == 0, "the scan reads without error");
    expect(written == expected_output.out, "what the action writes",
           [&] { return "written:  " + shown(written) + "\nexpected: " + shown(expected_output.out); });
    expect(a.action_count == expected_output.count, "the number of blocks");
    expect(!a.block_open, "no block is left open");

    // The check of --strict-blocks finds the blocks as the scanner does: a
    // block the scan leaves open at the end is a fault, and without a fault
    // it counts the blocks the scan counts.
    if (s.begin_tag != nullptr && s.begin_tag != s.end_tag) {
        const stream surveyed(input_stream(input, through_descriptor));
        tagsnip::line_buffer sb = buffer_of(capacity);
        tagsnip::block_survey sv;
        const int survey_error = tagsnip::survey_input(surveyed.f, sb, s, sv);
        tagsnip::release_line_buffer(sb);
        expect(survey_error == 0, "the survey reads without error");
        if (sv.fault == tagsnip::block_fault::none) {
            expect(!model.open_at_end, "no fault, yet the scan leaves a block open");
            expect(sv.blocks == expected_output.count, "the survey counts the blocks the scan counts");
        }
        if (sv.fault == tagsnip::block_fault::unclosed)
            expect(model.open_at_end, "an unclosed block the scan closes");
        expect(sv.ends_in_newline == (input.empty() || input.back() == '\n'), "the input's last newline");
    }
    return 0;
}
