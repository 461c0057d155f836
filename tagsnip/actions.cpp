// SPDX-License-Identifier: BSD-2-Clause
#include "tagsnip/actions.hpp"

#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/sendfile.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace tagsnip {
namespace {

constexpr std::size_t insert_piece_size = 65536;
constexpr off_t copy_at_least = 1024 * 1024;

void write_piece(block_actions& a, const char* piece, std::size_t length)
{
    write_output(*a.out, piece, length);
}

[[noreturn]] void fail_read(int error)
{
    frame::die("ERROR: Read error: %s!", strerror(error));
}

// The whole insert file, from its start.
void copy_insert_file(block_actions& a)
{
    if (a.insert < 0)
        return;
    if (lseek(a.insert, 0, SEEK_SET) != 0)
        fail_read(errno);
    char piece[insert_piece_size];
    char last = '\n';  // of an empty insertion: nothing to complete
    for (;;) {
        const ssize_t got = read(a.insert, piece, sizeof piece);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            fail_read(errno);
        }
        if (got == 0)
            break;
        write_piece(a, piece, static_cast<std::size_t>(got));
        last = piece[got - 1];
    }
    if (last != '\n' && a.insert_line_end != nullptr)
        write_text(*a.out, a.insert_line_end);
}

// At the first line: how the prefixes are made. A number that is not
// grouped, in a field of at most 40 bytes, between labels that leave room
// for it, is made here.
void choose_prefix(number_prefix& np, const run_settings& s)
{
    const number_format& f = s.enumerate_format;
    np.label1 = strlen(s.enumerate_label1);
    np.label2 = strlen(s.enumerate_label2);
    const bool fits = f.width <= 40 && np.label1 + np.label2 + 40 <= sizeof np.text;
    np.state = fits && !f.grouping ? number_prefix::here : number_prefix::apart;
}

// Label, number in its field, label, for the number n.
void make_prefix(number_prefix& np, const run_settings& s, unsigned long long n)
{
    const number_format& f = s.enumerate_format;
    char digits[max_decimal_digits];
    const int count = put_decimal_digits(n, digits + sizeof digits);
    const int field = f.width > count ? f.width : count;
    char* t = np.text;
    memcpy(t, s.enumerate_label1, np.label1);
    t += np.label1;
    if (!f.left) {
        memset(t, f.zeros ? '0' : ' ', static_cast<std::size_t>(field - count));
        t += field - count;
    }
    memcpy(t, digits + sizeof digits - count, static_cast<std::size_t>(count));
    t += count;
    if (f.left) {
        memset(t, ' ', static_cast<std::size_t>(field - count));
        t += field - count;
    }
    memcpy(t, s.enumerate_label2, np.label2);
    np.length = static_cast<std::size_t>(t - np.text) + np.label2;
    np.value = n;
    np.count = count;
    np.field = field;
}

// The prefix for n: mostly the last line's number plus one, counted up in
// place (a carry through trailing nines); made anew when the number jumps
// or outgrows its field, or when a left-aligned number gains a digit.
void set_prefix(number_prefix& np, const run_settings& s, unsigned long long n)
{
    if (np.length == 0 || n != np.value + 1) {
        make_prefix(np, s, n);
        return;
    }
    const bool left = s.enumerate_format.left;
    const std::size_t first = np.label1 + (left ? 0 : static_cast<std::size_t>(np.field - np.count));
    std::size_t i = first + static_cast<std::size_t>(np.count);
    while (i > first && np.text[i - 1] == '9')
        np.text[--i] = '0';
    if (i > first) {
        ++np.text[i - 1];
    } else if (!left && np.count < np.field) {
        np.text[first - 1] = '1';
        ++np.count;
    } else {
        make_prefix(np, s, n);
        return;
    }
    np.value = n;
}

void write_enumerated(block_actions& a, const char* piece, std::size_t length)
{
    const run_settings& s = *a.settings;
    number_prefix& np = a.number;
    const auto n = static_cast<unsigned long long>(a.line_number);
    if (np.state == number_prefix::unchosen)
        choose_prefix(np, s);
    if (np.state == number_prefix::here) {
        set_prefix(np, s, n);
        write_output(*a.out, np.text, np.length);
    } else {
        write_text(*a.out, s.enumerate_label1);
        write_number(*a.out, s.enumerate_format, n);
        write_text(*a.out, s.enumerate_label2);
    }
    write_piece(a, piece, length);
}

// A non-empty piece between two labels, then a block's begin or end label
// when there is one.
void wrap(block_actions& a, const char* before, const char* piece, std::size_t length, const char* after,
          const char* boundary_label)
{
    if (length != 0) {
        write_text(*a.out, before);
        write_piece(a, piece, length);
        write_text(*a.out, after);
    }
    if (boundary_label != nullptr)
        write_text(*a.out, boundary_label);
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
        write_enumerated(a, piece, length);
        break;
    case action::highlight:
        wrap(a, s.highlight_unmarked1, piece, length, s.highlight_unmarked2,
             boundary ? s.highlight_begin : nullptr);
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
        wrap(a, s.highlight_marked1, piece, length, s.highlight_marked2, boundary ? s.highlight_end : nullptr);
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

const char* insert_line_end_for(const run_settings& s, bool first_line_crlf)
{
    if (s.begin_tag == nullptr || !s.full_tag_lines)
        return nullptr;
    if (s.act != action::insert_front && s.act != action::insert_back && s.act != action::replace)
        return nullptr;
    return s.ensure_block && first_line_crlf ? "\r\n" : "\n";
}

void append_managed_block(block_actions& a, bool ends_in_newline, bool first_line_crlf)
{
    const run_settings& s = *a.settings;
    const char* line_end = first_line_crlf ? "\r\n" : "\n";
    if (!ends_in_newline)
        write_text(*a.out, line_end);
    write_output(*a.out, s.begin_tag, s.begin_length);
    write_text(*a.out, line_end);
    copy_insert_file(a);
    write_output(*a.out, s.end_tag, s.end_length);
    write_text(*a.out, line_end);
}

void copy_input_unchanged(block_actions& a, FILE* in)
{
    output_stream& out = *a.out;
    // An in-place update still compares its output with the input.
    if (out.same_as >= 0)
        return;
    const int from = fileno(in);
    struct stat input {}, output {};
    // A small input is left to the scan: it would go to the output's buffer
    // whole, and a failed write then shows only when the output is closed.
    if (from < 0 || out.failed || fstat(from, &input) != 0 || !S_ISREG(input.st_mode) ||
        fstat(out.fd, &output) != 0)
        return;
    const off_t at = lseek(from, 0, SEEK_CUR);
    if (at < 0 || input.st_size - at < copy_at_least)
        return;
    // What is buffered goes before the copy.
    if (!flush_output(out))
        fail_output(out, errno);
    constexpr std::size_t piece = std::size_t{1} << 30;
    bool regular = S_ISREG(output.st_mode);
    for (;;) {
        ssize_t copied = -1;
        if (regular) {
            copied = copy_file_range(from, nullptr, out.fd, nullptr, piece, 0);
            // Refused between these two files (an output opened for
            // appending, another file system): the general way, if any.
            regular = copied >= 0 || errno == EINTR;
        }
#if defined(__linux__)
        if (copied < 0 && !regular)
            copied = sendfile(out.fd, from, nullptr, piece);
#else
        if (!regular)
            return;
#endif
        // A short copy goes on from where it stopped; nothing copied is the
        // end of the input.
        if (copied > 0)
            continue;
        if (copied == 0)
            return;
        const int error = errno;
        if (error == EINTR)
            continue;
        // Refused before or after a part was copied: the offsets of both
        // files have moved on together, and the scan writes the rest.
        if (error == EINVAL || error == ENOSYS || error == EXDEV || error == EBADF || error == EOPNOTSUPP ||
            error == ENOTSUP || error == ESPIPE || error == EAGAIN || error == EWOULDBLOCK || error == EPERM)
            return;
        // Which side failed: the input's next byte read the ordinary way.
        char next;
        const off_t now = lseek(from, 0, SEEK_CUR);
        if (now >= 0 && pread(from, &next, 1, now) < 0)
            fail_read(errno);
        fail_output(out, error);
    }
}

bool action_count_within_limits(const run_settings& s, std::int32_t count)
{
    if (s.min_actions >= 0 && count < s.min_actions)
        return false;
    return !(s.max_actions >= 0 && count > s.max_actions);
}

}  // namespace tagsnip
