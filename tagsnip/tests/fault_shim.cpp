// SPDX-License-Identifier: BSD-2-Clause
// Preloaded into a program under test: counts its calls of a few system
// functions by kind and fails one of them on request.
//
//   FAULT_CALL=write FAULT_AT=3 FAULT_ERRNO=28   the third write fails with ENOSPC
//   FAULT_COUNTS=path                            the counts per kind, written at exit
//
// Kinds: write, read (read, pread), fsync, close (close, fclose), rename, ftruncate, fchmod,
// fchown, open (open, openat, fopen, tmpfile and their variants), lseek.
// Only calls that reach these functions from outside the C library count;
// the library's own stdio calls do not. A failed close and fclose still
// release the descriptor, as close does on Linux. Built for Linux only.
#if defined(__linux__)
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum kind { k_write, k_read, k_fsync, k_close, k_rename, k_ftruncate, k_fchmod, k_fchown, k_open, k_lseek, kinds };

const char* const kind_names[kinds] = {"write", "read",   "fsync",  "close", "rename",
                                       "ftruncate", "fchmod", "fchown", "open",  "lseek"};

unsigned long counts[kinds];
int failing_kind = -1;
unsigned long failing_at = 0;
int failing_errno = EIO;

__attribute__((constructor)) void read_request()
{
    const char* call = getenv("FAULT_CALL");
    const char* at = getenv("FAULT_AT");
    const char* number = getenv("FAULT_ERRNO");
    if (call == nullptr || at == nullptr)
        return;
    for (int k = 0; k < kinds; ++k) {
        if (strcmp(call, kind_names[k]) == 0)
            failing_kind = k;
    }
    failing_at = strtoul(at, nullptr, 10);
    if (number != nullptr)
        failing_errno = atoi(number);
}

__attribute__((destructor)) void write_counts()
{
    const char* path = getenv("FAULT_COUNTS");
    if (path == nullptr)
        return;
    char text[512];
    int length = 0;
    for (int k = 0; k < kinds; ++k)
        length += snprintf(text + length, sizeof text - static_cast<size_t>(length), "%s %lu\n", kind_names[k],
                           counts[k]);
    using open_fn = int (*)(const char*, int, ...);
    using write_fn = ssize_t (*)(int, const void*, size_t);
    const auto real_open = reinterpret_cast<open_fn>(dlsym(RTLD_NEXT, "open"));
    const auto real_write = reinterpret_cast<write_fn>(dlsym(RTLD_NEXT, "write"));
    const int fd = real_open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        if (real_write(fd, text, static_cast<size_t>(length)) != length)
            abort();
        close(fd);
    }
}

// Counts the call; true when it is the one to fail (errno is then set).
bool fails(kind k)
{
    ++counts[k];
    if (k != failing_kind || counts[k] != failing_at)
        return false;
    errno = failing_errno;
    return true;
}

template <class F>
F next(F, const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

mode_t mode_argument(int flags, va_list args)
{
    const bool has_mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    return has_mode ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

#define REAL(name) static const auto real_##name = next(&name, #name)

extern "C" {

ssize_t write(int fd, const void* bytes, size_t size)
{
    REAL(write);
    return fails(k_write) ? -1 : real_write(fd, bytes, size);
}

ssize_t read(int fd, void* bytes, size_t size)
{
    REAL(read);
    return fails(k_read) ? -1 : real_read(fd, bytes, size);
}

ssize_t pread(int fd, void* bytes, size_t size, off_t at)
{
    REAL(pread);
    return fails(k_read) ? -1 : real_pread(fd, bytes, size, at);
}

ssize_t pread64(int fd, void* bytes, size_t size, off_t at)
{
    REAL(pread64);
    return fails(k_read) ? -1 : real_pread64(fd, bytes, size, at);
}

int fsync(int fd)
{
    REAL(fsync);
    return fails(k_fsync) ? -1 : real_fsync(fd);
}

int close(int fd)
{
    REAL(close);
    const bool failing = fails(k_close);
    const int result = real_close(fd);
    if (failing) {
        errno = failing_errno;
        return -1;
    }
    return result;
}

int fclose(FILE* f)
{
    REAL(fclose);
    const bool failing = fails(k_close);
    const int result = real_fclose(f);
    if (failing) {
        errno = failing_errno;
        return EOF;
    }
    return result;
}

int rename(const char* from, const char* to)
{
    REAL(rename);
    return fails(k_rename) ? -1 : real_rename(from, to);
}

int ftruncate(int fd, off_t length)
{
    REAL(ftruncate);
    return fails(k_ftruncate) ? -1 : real_ftruncate(fd, length);
}

int ftruncate64(int fd, off_t length)
{
    REAL(ftruncate64);
    return fails(k_ftruncate) ? -1 : real_ftruncate64(fd, length);
}

int fchmod(int fd, mode_t mode)
{
    REAL(fchmod);
    return fails(k_fchmod) ? -1 : real_fchmod(fd, mode);
}

int fchown(int fd, uid_t owner, gid_t group)
{
    REAL(fchown);
    return fails(k_fchown) ? -1 : real_fchown(fd, owner, group);
}

off_t lseek(int fd, off_t offset, int whence)
{
    REAL(lseek);
    return fails(k_lseek) ? -1 : real_lseek(fd, offset, whence);
}

off_t lseek64(int fd, off_t offset, int whence)
{
    REAL(lseek64);
    return fails(k_lseek) ? -1 : real_lseek64(fd, offset, whence);
}

int open(const char* path, int flags, ...)
{
    REAL(open);
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    return fails(k_open) ? -1 : real_open(path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    REAL(open64);
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    return fails(k_open) ? -1 : real_open64(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...)
{
    REAL(openat);
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    return fails(k_open) ? -1 : real_openat(dir, path, flags, mode);
}

FILE* fopen(const char* path, const char* mode)
{
    REAL(fopen);
    return fails(k_open) ? nullptr : real_fopen(path, mode);
}

FILE* fopen64(const char* path, const char* mode)
{
    REAL(fopen64);
    return fails(k_open) ? nullptr : real_fopen64(path, mode);
}

FILE* tmpfile()
{
    REAL(tmpfile);
    return fails(k_open) ? nullptr : real_tmpfile();
}

FILE* tmpfile64()
{
    REAL(tmpfile64);
    return fails(k_open) ? nullptr : real_tmpfile64();
}

}  // extern "C"

#endif  // __linux__
