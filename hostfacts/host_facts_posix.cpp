// SPDX-License-Identifier: BSD-2-Clause
// Host facts read through interfaces both supported systems share.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>
#include <utmpx.h>

#include <cerrno>
#include <cstring>

#include "hostfacts/fact_parsers.hpp"
#include "hostfacts/host_facts.hpp"

namespace hostfacts {

namespace {

// The clock that counts from boot, suspended time included.
#if defined(__FreeBSD__)
const clockid_t uptime_clock = CLOCK_UPTIME_PRECISE;
#else
const clockid_t uptime_clock = CLOCK_BOOTTIME;
#endif

// Where the system describes itself, in the order they are looked at.
const char* const os_release_paths[] = {
    "/etc/os-release",
    "/usr/lib/os-release",
#if defined(__FreeBSD__)
    "/var/run/os-release",  // written at boot; /etc/os-release links to it
#endif
};

}  // namespace

long read_file_start(const char* path, char* buffer, std::size_t size)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st{};
    const bool stated = fstat(fd, &st) == 0;
    if (!stated || !S_ISREG(st.st_mode)) {
        const int error = stated ? EINVAL : errno;
        close(fd);
        errno = error;
        return -1;
    }
    std::size_t length = 0;
    while (length + 1 < size) {
        const ssize_t got = read(fd, buffer + length, size - 1 - length);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            close(fd);
            errno = error;
            return -1;
        }
        if (got == 0)
            break;
        length += static_cast<std::size_t>(got);
    }
    close(fd);
    buffer[length] = '\0';
    return static_cast<long>(length);
}

bool read_os_release_file(const char* path, os_facts& facts)
{
    char text[16384];
    const long length = read_file_start(path, text, sizeof text);
    if (length < 0)
        return false;
    const std::size_t n = static_cast<std::size_t>(length);
    facts = os_facts{};
    facts.known = true;
    facts.named = os_release_value(text, n, "NAME", facts.name, sizeof facts.name);
    os_release_value(text, n, "VERSION_ID", facts.version, sizeof facts.version);
    return true;
}

os_facts read_os_release()
{
    os_facts facts;
    for (const char* path : os_release_paths)
        if (read_os_release_file(path, facts))
            break;
    return facts;
}

void read_host_name(char* buffer)
{
    if (gethostname(buffer, host_name_size) != 0)
        strcpy(buffer, "localhost");
    else
        buffer[host_name_size - 1] = '\0';
}

uptime_facts read_uptime()
{
    uptime_facts facts;
    timespec now{};
    if (clock_gettime(uptime_clock, &now) == 0) {
        facts.known = true;
        facts.seconds = static_cast<std::uint64_t>(now.tv_sec);
        facts.nanoseconds = static_cast<std::uint64_t>(now.tv_nsec);
    }
    return facts;
}

kernel_facts read_kernel()
{
    kernel_facts facts;
    facts.known = uname(&facts.names) >= 0;
    return facts;
}

std::uint32_t read_online_processors()
{
    return static_cast<std::uint32_t>(sysconf(_SC_NPROCESSORS_ONLN));
}

std::uint32_t read_page_size()
{
    return static_cast<std::uint32_t>(sysconf(_SC_PAGESIZE));
}

std::uint32_t count_logged_in_users()
{
    std::uint32_t count = 0;
    setutxent();
    while (const utmpx* entry = getutxent())
        if (entry->ut_type == USER_PROCESS)
            ++count;
    endutxent();
    return count;
}

load_facts read_load()
{
    load_facts facts;
    facts.known = getloadavg(facts.averages, 3) == 3;
    return facts;
}

disk_facts read_disk(const char* path)
{
    disk_facts facts;
    struct statvfs fs{};
    if (statvfs(path, &fs) != 0)
        return facts;
    facts.known = true;
    facts.fragment_size = fs.f_frsize;
    facts.blocks = fs.f_blocks;
    facts.free_blocks = fs.f_bfree;
    facts.available_blocks = fs.f_bavail;
    return facts;
}

}  // namespace hostfacts
