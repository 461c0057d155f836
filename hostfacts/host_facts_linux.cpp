// The platform layer on Linux: processes from /proc, batteries from /sys,
// memory and swap from /proc/meminfo and /proc/swaps, link-level addresses.
#if defined(__linux__)

#include <dirent.h>
#include <fcntl.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <stdlib.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>
#include <utmpx.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "hostfacts/facts.hpp"

namespace hostfacts {

// IFF_LOWER_UP lives in <linux/if.h>, which clashes with <net/if.h>.
const flag_bits platform_flags = {IFF_UP, 0x10000, IFF_RUNNING, IFF_LOOPBACK, IFF_POINTOPOINT};

namespace {

// Reads a small file whole, NUL-terminated; the length, or -1 with errno set.
ssize_t read_small_file(const char* path, char* buffer, std::size_t size)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
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
    return static_cast<ssize_t>(length);
}

// The first line of a file in /sys, without its newline; false when unreadable.
bool read_attribute(const char* directory, const char* name, char* buffer, std::size_t size)
{
    char path[512];
    const int length = snprintf(path, sizeof path, "/sys/class/power_supply/%s/%s", directory, name);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path || read_small_file(path, buffer, size) < 0)
        return false;
    buffer[strcspn(buffer, "\n")] = '\0';
    return true;
}

bool all_digits(const char* text)
{
    if (*text == '\0')
        return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9')
            return false;
    return true;
}

// The value of "key:" at the start of a line of /proc/meminfo, in kB.
bool meminfo_value(const char* text, const char* key, unsigned long long* value)
{
    const std::size_t key_length = strlen(key);
    for (const char* line = text; *line;) {
        if (strncmp(line, key, key_length) == 0 && line[key_length] == ':') {
            char* end = nullptr;
            *value = strtoull(line + key_length + 1, &end, 10);
            return end != line + key_length + 1;
        }
        const char* next = strchr(line, '\n');
        if (!next)
            break;
        line = next + 1;
    }
    return false;
}

void fail(memory_facts& facts, const char* label, int error)
{
    facts.failed_label = label;
    facts.error = error;
}

// The Linux battery status as the ACPI state bits of the report.
int battery_state(const char* directory)
{
    char text[64];
    if (read_attribute(directory, "present", text, sizeof text) && strcmp(text, "0") == 0)
        return battery_not_present;
    int state = 0;
    if (read_attribute(directory, "status", text, sizeof text)) {
        if (strcmp(text, "Discharging") == 0)
            state = battery_discharging;
        else if (strcmp(text, "Charging") == 0)
            state = battery_charging;
    }
    if (read_attribute(directory, "capacity_level", text, sizeof text) && strcmp(text, "Critical") == 0)
        state |= battery_critical;
    return state;
}

int compare_names(const void* a, const void* b)
{
    return strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

}  // namespace

std::uint32_t count_processes()
{
    // Each process has a numeric entry in /proc; its threads do not.
    DIR* proc = opendir("/proc");
    if (!proc)
        return 0;
    std::uint32_t count = 0;
    while (const dirent* entry = readdir(proc))
        if (all_digits(entry->d_name))
            ++count;
    closedir(proc);
    return count;
}

battery_facts read_batteries()
{
    battery_facts facts;
    DIR* supplies = opendir("/sys/class/power_supply");
    if (!supplies)
        return facts;
    // The batteries in name order, numbered from 0 in that order.
    static char names[64][NAME_MAX + 1];
    unsigned count = 0;
    while (const dirent* entry = readdir(supplies)) {
        char type[64];
        if (entry->d_name[0] == '.' || count == 64 ||
            !read_attribute(entry->d_name, "type", type, sizeof type) || strcmp(type, "Battery") != 0)
            continue;
        snprintf(names[count++], sizeof names[0], "%s", entry->d_name);
    }
    closedir(supplies);
    qsort(names, count, sizeof names[0], compare_names);

    unsigned answered = 0;
    for (unsigned i = 0; i < count && facts.count < battery_slots && answered < most_batteries; ++i) {
        battery_unit& unit = facts.units[facts.count++];
        unit.number = i;
        char text[64];
        if (!read_attribute(names[i], "capacity", text, sizeof text))
            continue;
        unit.answered = true;
        unit.cap = atoi(text);
        unit.state = battery_state(names[i]);
        ++answered;
    }
    return facts;
}

memory_facts read_memory()
{
    memory_facts facts;
    errno = 0;
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) {
        fail(facts, "sysconf(_SC_PAGESIZE)", errno ? errno : EINVAL);
        return facts;
    }
    facts.page_size = static_cast<std::uint32_t>(page);

    char text[8192];
    if (read_small_file("/proc/meminfo", text, sizeof text) < 0) {
        fail(facts, "/proc/meminfo", errno);
        return facts;
    }
    unsigned long long total = 0, inactive = 0, free = 0;
    if (!meminfo_value(text, "MemTotal", &total)) {
        fail(facts, "/proc/meminfo MemTotal", ENODATA);
        return facts;
    }
    if (!meminfo_value(text, "Inactive", &inactive)) {
        fail(facts, "/proc/meminfo Inactive", ENODATA);
        return facts;
    }
    if (!meminfo_value(text, "MemFree", &free)) {
        fail(facts, "/proc/meminfo MemFree", ENODATA);
        return facts;
    }
    const unsigned long long p = facts.page_size;
    facts.physical = total * 1024;
    facts.inactive_pages = static_cast<std::uint32_t>(inactive * 1024 / p);
    facts.free_pages = static_cast<std::uint32_t>(free * 1024 / p);

    // Without /proc/swaps the kernel has no swap: no devices, as on a host
    // where the swap device records cannot be found.
    char swaps[4096];
    if (read_small_file("/proc/swaps", swaps, sizeof swaps) < 0)
        return facts;
    const char* line = strchr(swaps, '\n');  // past the heading
    while (line && line[1] && facts.swap_count < swap_slots) {
        ++line;
        unsigned long long size = 0, used = 0;
        if (sscanf(line, "%*s %*s %llu %llu", &size, &used) != 2)
            break;
        swap_device& device = facts.swaps[facts.swap_count++];
        device.blocks = static_cast<std::int32_t>(size * 1024 / p);
        device.used = static_cast<std::int32_t>(used * 1024 / p);
        line = strchr(line, '\n');
    }
    return facts;
}

bool link_level_address(const sockaddr* address, const unsigned char** bytes, std::uint32_t* length,
                        std::uint32_t* index)
{
    if (address->sa_family != AF_PACKET)
        return false;
    const sockaddr_ll* link = reinterpret_cast<const sockaddr_ll*>(address);
    *bytes = link->sll_addr;
    *length = link->sll_halen;
    *index = link->sll_ifindex > 0 ? static_cast<std::uint32_t>(link->sll_ifindex) : 0;
    return true;
}

}  // namespace hostfacts

#endif
