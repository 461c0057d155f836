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
#include "tagsnip/streams.hpp"

namespace tagsnip {
namespace {

constexpr std::size_t insert_piece_size = 65536;
constexpr off_t copy_at_least = 1024 * 1024;

[[noreturn]] void fail_write(block_actions& a, int error)
{
    frame::report_format("ERROR: Unable to write to output file %s: %s!", a.out_name, strerror(error));
    // The output is broken; what is still buffered would only fail again.
    discard_pending_output(a.out);
    finish_run(1);
}

void write_piece(block_actions& a, const char* piece, std::size_t length)
{
    if (length == 0)
        return;
    errno = 0;
    if (fwrite(piece, 1, length, a.out) != length)
        fail_write(a, errno != 0 ? errno : EIO);
}

// What the actions write goes through the gathering buffer: the labelled
// actions write three or four short texts for every line, and one stdio
// call for many of them instead of one for each is most of their speed.
// A text too long to be worth gathering goes out on its own, after what
// was gathered before it.
void send_gathered(block_actions& a)
{
    write_piece(a, a.gathered_bytes, a.gathered);
    a.gathered = 0;
}

void put_long(block_actions& a, const char* text, std::size_t length)
{
    if (a.gather) {
        send_gathered(a);
        if (length <= sizeof a.gathered_bytes / 4) {
            memcpy(a.gathered_bytes, text, length);
            a.gathered = length;
            return;
        }
    }
    write_piece(a, text, length);
}

// A copy of the short texts that make up most lines, in moves of fixed
// size (which the compiler does inline) that overlap where they meet.
inline void copy_text(char* to, const char* from, std::size_t n)
{
    if (n >= 16 && n <= 64) {
        char x[64];
        memcpy(x, from, 16);
        memcpy(x + 16, from + n - 16, 16);
        if (n > 32) {
            memcpy(x + 32, from + 16, 16);
            memcpy(x + 48, from + n - 32, 16);
            memcpy(to + 16, x + 32, 16);
            memcpy(to + n - 32, x + 48, 16);
        }
        memcpy(to, x, 16);
        memcpy(to + n - 16, x + 16, 16);
    } else if (n >= 8 && n < 16) {
        std::uint64_t x, y;
        memcpy(&x, from, 8);
        memcpy(&y, from + n - 8, 8);
        memcpy(to, &x, 8);
        memcpy(to + n - 8, &y, 8);
    } else if (n < 8) {
        for (std::size_t i = 0; i < n; ++i)
            to[i] = from[i];
    } else {
        memcpy(to, from, n);
    }
}

inline void put(block_actions& a, const char* text, std::size_t length)
{
    if (a.gather && length <= sizeof a.gathered_bytes - a.gathered) {
        copy_text(a.gathered_bytes + a.gathered, text, length);
        a.gathered += length;
        return;
    }
    put_long(a, text, length);
}

void put(block_actions& a, const char* text)
{
    put(a, text, strlen(text));
}

// Whether a failed copy inside the kernel means that the system does not
// copy between these two files so, rather than that a read or write failed.
bool refused(int error)
{
    return error == EINVAL || error == ENOSYS || error == EXDEV || error == EBADF || error == EOPNOTSUPP ||
           error == ENOTSUP || error == ESPIPE || error == EAGAIN || error == EWOULDBLOCK || error == EPERM;
}

// The whole insert file, then back to its start for the next block.
void copy_insert_file(block_actions& a)
{
    if (a.insert == nullptr)
        return;
    send_gathered(a);
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

// Reads enumerate_format once and makes the first prefix. A plain
// conversion ("%", the flags 0 and -, a width of at most 40, "llu") is done
// here; any other (the grouping flag ', odd orders of flags and width), and
// labels too long for the prefix, are left to printf line by line.
void read_number_format(number_prefix& np, const run_settings& s)
{
    np.state = number_prefix::by_printf;
    const char* f = s.enumerate_format + 1;  // after the "%"
    for (;; ++f) {
        if (*f == '-')
            np.left = true;
        else if (*f == '0')
            np.pad = '0';
        else
            break;
    }
    if (np.left)
        np.pad = ' ';
    for (; *f >= '0' && *f <= '9'; ++f) {
        np.width = np.width * 10 + (*f - '0');
        if (np.width > 40)
            return;
    }
    np.label1 = strlen(s.enumerate_label1);
    np.label2 = strlen(s.enumerate_label2);
    if (strcmp(f, "llu") == 0 && np.label1 + np.label2 + 40 <= sizeof np.text)
        np.state = number_prefix::here;
}

// Label, number in its field, label, for the number n.
void make_prefix(number_prefix& np, const run_settings& s, unsigned long long n)
{
    char digits[20];
    int count = 0;
    unsigned long long rest = n;
    do {
        digits[sizeof digits - 1 - count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    const int field = np.width > count ? np.width : count;
    char* t = np.text;
    memcpy(t, s.enumerate_label1, np.label1);
    t += np.label1;
    if (!np.left) {
        memset(t, np.pad, static_cast<std::size_t>(field - count));
        t += field - count;
    }
    memcpy(t, digits + sizeof digits - count, static_cast<std::size_t>(count));
    t += count;
    if (np.left) {
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
    const std::size_t first = np.label1 + (np.left ? 0 : static_cast<std::size_t>(np.field - np.count));
    std::size_t i = first + static_cast<std::size_t>(np.count);
    while (i > first && np.text[i - 1] == '9')
        np.text[--i] = '0';
    if (i > first) {
        ++np.text[i - 1];
    } else if (!np.left && np.count < np.field) {
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
    if (np.state == number_prefix::unread)
        read_number_format(np, s);
    if (np.state == number_prefix::here) {
        set_prefix(np, s, n);
        put(a, np.text, np.length);
    } else {
        put(a, s.enumerate_label1);
        send_gathered(a);
        fprintf(a.out, s.enumerate_format, n);
        put(a, s.enumerate_label2);
    }
    put(a, piece, length);
}

// A non-empty piece between two labels, then a block's begin or end label
// when there is one.
void wrap(block_actions& a, const char* before, const char* piece, std::size_t length, const char* after,
          const char* boundary_label)
{
    if (length != 0) {
        put(a, before);
        put(a, piece, length);
        put(a, after);
    }
    if (boundary_label != nullptr)
        put(a, boundary_label);
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
        put(a, piece, length);
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
        put(a, piece, length);
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
        put(a, piece, length);
        break;
    case action::insert_back:
        put(a, piece, length);
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

void copy_input_unchanged(block_actions& a, FILE* in)
{
    const int from = fileno(in);
    const int to = fileno(a.out);
    struct stat input {}, output {};
    send_gathered(a);
    // A small input is left to the scan: it would go to the output's buffer
    // whole, and a failed write then shows only when the output is closed.
    if (from < 0 || to < 0 || fstat(from, &input) != 0 || !S_ISREG(input.st_mode) ||
        input.st_size - lseek(from, 0, SEEK_CUR) < copy_at_least || fstat(to, &output) != 0 ||
        fflush(a.out) != 0)
        return;
    bool file_to_file = S_ISREG(output.st_mode);
#if !defined(__linux__)
    if (!file_to_file)
        return;
#endif
    constexpr std::size_t piece = std::size_t{1} << 30;
    for (;;) {
#if defined(__linux__)
        const ssize_t copied = file_to_file ? copy_file_range(from, nullptr, to, nullptr, piece, 0)
                                            : sendfile(to, from, nullptr, piece);
#else
        const ssize_t copied = copy_file_range(from, nullptr, to, nullptr, piece, 0);
#endif
        if (copied > 0)
            continue;
        if (copied == 0)
            return;
        const int error = errno;
        if (error == EINTR)
            continue;
        if (refused(error)) {
#if defined(__linux__)
            // Not between these two files (an output opened for appending,
            // another file system): sendfile may still take it.
            if (file_to_file) {
                file_to_file = false;
                continue;
            }
#endif
            return;
        }
        // Which side failed: the input's next byte read the ordinary way.
        char next;
        const off_t at = lseek(from, 0, SEEK_CUR);
        if (at >= 0 && pread(from, &next, 1, at) < 0) {
            frame::report_format("ERROR: Read error: %s!", strerror(errno));
            finish_run(1);
        }
        fail_write(a, error);
    }
}

void flush_actions(block_actions& a)
{
    send_gathered(a);
}

bool action_count_within_limits(const run_settings& s, std::int32_t count)
{
    if (s.min_actions >= 0 && count < s.min_actions)
        return false;
    return !(s.max_actions >= 0 && count > s.max_actions);
}

}  // namespace tagsnip
