#include "tagsnip/input.hpp"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tagsnip {
namespace {

// The bus-error guard. Touching a mapped page that lies wholly beyond the
// end of its file raises SIGBUS; that happens only when the file is cut
// while it is mapped. The guard puts zero-filled memory in place of the
// lost part of the current window, notes the loss, and lets the touch go
// on; the input then reports a read error instead of the process dying.
// A bus error anywhere else gets the disposition it had before.
char* volatile guarded_map = nullptr;
volatile std::size_t guarded_length = 0;
int guarded_fd = -1;
off_t guarded_offset = 0;
volatile std::size_t guard_page_size = 4096;
volatile sig_atomic_t mapped_input_cut_short = 0;
struct sigaction bus_action_before;
bool guard_installed = false;

extern "C" void on_bus_error(int, siginfo_t* info, void*)
{
    const auto start = reinterpret_cast<std::uintptr_t>(guarded_map);
    const std::size_t length = guarded_length;
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (start != 0 && at >= start && at - start < length) {
        const std::uintptr_t from = at - at % guard_page_size;
        // mmap is a plain system call here: it takes no lock the
        // interrupted code could hold.
        if (mmap(reinterpret_cast<void*>(from), start + length - from, PROT_READ,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            mapped_input_cut_short = 1;
            return;
        }
    }
    sigaction(SIGBUS, &bus_action_before, nullptr);  // the fault comes again and meets it
}

std::size_t page_size()
{
    static const std::size_t size = [] {
        const long got = sysconf(_SC_PAGESIZE);
        return got > 0 ? static_cast<std::size_t>(got) : std::size_t{4096};
    }();
    return size;
}

bool install_guard()
{
    if (guard_installed)
        return true;
    guard_page_size = page_size();
    struct sigaction action {};
    action.sa_sigaction = on_bus_error;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGBUS, &action, &bus_action_before) != 0)
        return false;
    guard_installed = true;
    return true;
}

void unmap(line_buffer& b)
{
    if (b.map == nullptr)
        return;
    guarded_map = nullptr;
    guarded_length = 0;
    munmap(b.map, b.map_length);
    b.map = nullptr;
    b.map_length = 0;
}

bool map_window(line_buffer& b, off_t offset, std::size_t length)
{
    void* m = mmap(nullptr, length, PROT_READ, MAP_SHARED, b.mapped_fd, offset);
    if (m == MAP_FAILED)
        return false;
    posix_madvise(m, length, POSIX_MADV_SEQUENTIAL);
    b.map = static_cast<char*>(m);
    b.map_length = length;
    b.map_offset = offset;
    guarded_fd = b.mapped_fd;
    guarded_offset = offset;
    guarded_length = length;
    guarded_map = b.map;
    return true;
}

std::size_t window_of(const line_buffer& b)
{
    const std::size_t page = page_size();
    const std::size_t w = b.window < page ? page : b.window;
    return w - w % page;
}

// The size of a regular file the descriptor reads from, when it lies
// beyond the descriptor's offset, else -1: a regular file that claims no
// bytes (as some of /proc) and everything that is no regular file are read.
off_t mappable_size(int fd, off_t& offset)
{
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    offset = lseek(fd, 0, SEEK_CUR);
    if (offset < 0 || st.st_size <= offset)
        return -1;
    return st.st_size;
}

// As many bytes as one read delivers: from the descriptor when the stream
// has one (a pipe then hands on what has arrived instead of waiting for a
// full buffer), else through stdio. -1 with errno on failure, 0 at the end.
long read_some(FILE* in, char* to, std::size_t size)
{
    const int fd = fileno(in);
    if (fd >= 0) {
        for (;;) {
            const ssize_t got = read(fd, to, size);
            if (got >= 0 || errno != EINTR)
                return got;
        }
    }
    errno = 0;
    const std::size_t got = fread(to, 1, size, in);
    if (got == 0 && ferror(in) != 0)
        return -1;
    return static_cast<long>(got);
}

bool grow(line_buffer& b)
{
    const std::size_t wanted = b.capacity * 2;
    char* bigger = static_cast<char*>(realloc(b.data, wanted));
    if (bigger == nullptr) {
        errno = ENOMEM;
        return false;
    }
    b.data = bigger;
    b.capacity = wanted;
    return true;
}

int next_read(FILE* in, line_buffer& b, const char*& p, const char*& q)
{
    b.begin += b.handed;
    b.handed = 0;
    if (b.begin > 0) {
        memmove(b.data, b.data + b.begin, b.end - b.begin);
        b.end -= b.begin;
        b.begin = 0;
    }
    // What is left from the last call is part of one line: no newline in it.
    std::size_t searched = b.end;
    for (;;) {
        if (b.at_end) {
            if (b.end == 0)
                return 0;
            p = b.data;
            q = b.data + b.end;
            b.handed = b.end;
            return 1;
        }
        if (b.end == b.capacity && !grow(b))
            return -1;
        const long got = read_some(in, b.data + b.end, b.capacity - b.end);
        if (got < 0)
            return -1;
        if (got == 0) {
            b.at_end = true;
            continue;
        }
        b.end += static_cast<std::size_t>(got);
        const void* nl = memrchr(b.data + searched, '\n', b.end - searched);
        if (nl != nullptr) {
            p = b.data;
            q = static_cast<const char*>(nl) + 1;
            b.handed = static_cast<std::size_t>(q - p);
            return 1;
        }
        searched = b.end;
    }
}

// The window from the page that holds the first byte not yet handed on up
// to the last newline in it, or to the end of the file as it is now. A
// window without a newline doubles until the line fits (a line longer than
// a window stays one run). The size is taken afresh for every window: a
// file that shrank ends sooner, one that grew goes on, as reading would.
int next_mapped(line_buffer& b, const char*& p, const char*& q)
{
    b.next += static_cast<off_t>(b.handed);
    b.handed = 0;
    unmap(b);
    if (mapped_input_cut_short != 0) {
        errno = EIO;
        return -1;
    }
    struct stat st {};
    if (fstat(b.mapped_fd, &st) != 0)
        return -1;
    if (st.st_size <= b.next) {
        lseek(b.mapped_fd, b.next, SEEK_SET);
        return 0;
    }
    const off_t start = b.next - b.next % static_cast<off_t>(page_size());
    const std::size_t skip = static_cast<std::size_t>(b.next - start);
    const std::size_t left = static_cast<std::size_t>(st.st_size - start);
    std::size_t want = window_of(b);
    std::size_t searched = skip;
    for (;;) {
        const std::size_t length = left < want ? left : want;
        if (length > skip) {
            if (!map_window(b, start, length))
                return -1;
            p = b.map + skip;
            q = b.map + length;
            if (length == left) {
                b.handed = length - skip;
                return 1;
            }
            const void* nl = memrchr(b.map + searched, '\n', length - searched);
            if (nl != nullptr) {
                q = static_cast<const char*>(nl) + 1;
                b.handed = static_cast<std::size_t>(q - p);
                return 1;
            }
            searched = length;
            unmap(b);
        }
        if (want > SIZE_MAX / 2) {
            errno = ENOMEM;
            return -1;
        }
        want *= 2;
    }
}

// The first call: a regular file with bytes beyond the offset is mapped
// when its first window can be; everything else is read.
void choose_source(FILE* in, line_buffer& b)
{
    b.started = true;
    b.mapped_fd = -1;
    if (!b.may_map)
        return;
    const int fd = fileno(in);
    off_t offset = 0;
    const off_t size = mappable_size(fd, offset);
    if (size < 0 || !install_guard())
        return;
    const std::size_t page = page_size();
    const off_t start = offset - offset % static_cast<off_t>(page);
    void* m = mmap(nullptr, page, PROT_READ, MAP_SHARED, fd, start);
    if (m == MAP_FAILED)
        return;
    munmap(m, page);
    b.mapped_fd = fd;
    b.next = offset;
    b.handed = 0;
}

int count_read(FILE* in, line_buffer& b, FILE* copy, std::int64_t& count, bool& copy_failed)
{
    bool ends_in_newline = true;
    for (;;) {
        const long got = read_some(in, b.data, b.capacity);
        if (got < 0)
            return errno != 0 ? errno : EIO;
        if (got == 0)
            break;
        const std::size_t size = static_cast<std::size_t>(got);
        if (copy != nullptr && fwrite(b.data, 1, size, copy) != size) {
            copy_failed = true;
            return errno != 0 ? errno : EIO;
        }
        count += count_newlines(b.data, size);
        ends_in_newline = b.data[size - 1] == '\n';
    }
    if (!ends_in_newline)
        ++count;
    return 0;
}

int count_mapped(line_buffer& b, off_t offset, std::int64_t& count)
{
    const std::size_t window = window_of(b);
    bool ends_in_newline = true;
    int error = 0;
    for (;;) {
        struct stat st {};
        if (fstat(b.mapped_fd, &st) != 0) {
            error = errno;
            break;
        }
        if (st.st_size <= offset)
            break;
        const off_t start = offset - offset % static_cast<off_t>(page_size());
        const std::size_t skip = static_cast<std::size_t>(offset - start);
        const std::size_t left = static_cast<std::size_t>(st.st_size - start);
        const std::size_t length = left < window ? left : window;
        if (!map_window(b, start, length)) {
            error = errno;
            break;
        }
        count += count_newlines(b.map + skip, length - skip);
        ends_in_newline = b.map[length - 1] == '\n';
        unmap(b);
        if (mapped_input_cut_short != 0) {
            error = EIO;
            break;
        }
        offset = start + static_cast<off_t>(length);
    }
    unmap(b);
    if (error == 0) {
        lseek(b.mapped_fd, offset, SEEK_SET);
        if (!ends_in_newline)
            ++count;
    }
    b.mapped_fd = -1;
    return error;
}

}  // namespace

bool allocate_line_buffer(line_buffer& b)
{
    b = line_buffer{};
    b.data = static_cast<char*>(malloc(line_buffer_size));
    if (b.data == nullptr)
        return false;
    b.capacity = line_buffer_size;
    return true;
}

void release_line_buffer(line_buffer& b)
{
    unmap(b);
    free(b.data);
    b = line_buffer{};
}

int next_lines(FILE* in, line_buffer& b, const char*& p, const char*& q)
{
    if (!b.started)
        choose_source(in, b);
    return b.mapped_fd >= 0 ? next_mapped(b, p, q) : next_read(in, b, p, q);
}

int count_lines(FILE* in, line_buffer& b, FILE* copy, std::int64_t& count, bool& copy_failed)
{
    count = 0;
    copy_failed = false;
    unmap(b);
    b.begin = b.end = b.handed = 0;
    b.at_end = false;
    b.started = false;
    b.mapped_fd = -1;
    if (copy == nullptr && b.may_map) {
        choose_source(in, b);
        b.started = false;
        if (b.mapped_fd >= 0)
            return count_mapped(b, b.next, count);
    }
    return count_read(in, b, copy, count, copy_failed);
}

bool input_cut_short()
{
    return mapped_input_cut_short != 0;
}

bool input_cut_short_now()
{
    if (mapped_input_cut_short != 0)
        return true;
    struct stat st {};
    if (guarded_map == nullptr || fstat(guarded_fd, &st) != 0 ||
        st.st_size >= guarded_offset + static_cast<off_t>(guarded_length))
        return false;
    mapped_input_cut_short = 1;
    return true;
}

// Sixteen bytes at a time: a compare gives -1 in every lane that holds a
// newline, and subtracting it counts up that lane; the byte-wide lanes are
// summed before they can overflow.
std::int64_t count_newlines(const char* p, std::size_t size)
{
    typedef unsigned char lanes __attribute__((vector_size(16)));
    const lanes newline = {'\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n',
                           '\n', '\n', '\n', '\n', '\n', '\n', '\n', '\n'};
    std::int64_t count = 0;
    std::size_t i = 0;
    while (size - i >= 64) {
        lanes sum = {};
        const std::size_t rounds = (size - i) / 64 < 63 ? (size - i) / 64 : 63;
        for (std::size_t r = 0; r < rounds; ++r, i += 64) {
            lanes a, b, c, d;
            memcpy(&a, p + i, 16);
            memcpy(&b, p + i + 16, 16);
            memcpy(&c, p + i + 32, 16);
            memcpy(&d, p + i + 48, 16);
            sum -= (lanes)(a == newline) + (lanes)(b == newline) + (lanes)(c == newline) +
                   (lanes)(d == newline);
        }
        for (int k = 0; k < 16; ++k)
            count += sum[k];
    }
    for (; i < size; ++i)
        count += p[i] == '\n';
    return count;
}

}  // namespace tagsnip
