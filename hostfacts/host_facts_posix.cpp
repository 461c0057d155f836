// SPDX-License-Identifier: BSD-2-Clause
// Host facts read through interfaces both supported systems share.
#include <stdlib.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>
#include <utmpx.h>

#include <cstring>

#include "hostfacts/facts.hpp"

namespace hostfacts {

namespace {

// The clock that counts from boot, suspended time included.
#if defined(__FreeBSD__)
const clockid_t uptime_clock = CLOCK_UPTIME_PRECISE;
#else
const clockid_t uptime_clock = CLOCK_BOOTTIME;
#endif

}  // namespace

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
