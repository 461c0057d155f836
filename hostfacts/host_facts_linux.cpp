// SPDX-License-Identifier: BSD-2-Clause
// The platform layer on Linux: processes from /proc, batteries from /sys,
// memory and swap from /proc/meminfo and /proc/swaps, the processor model
// from /proc/cpuinfo, default routes from /proc/net, link-level addresses.
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
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "hostfacts/fact_parsers.hpp"
#include "hostfacts/host_facts.hpp"

namespace hostfacts {

// IFF_LOWER_UP lives in <linux/if.h>, which clashes with <net/if.h>.
const flag_bits platform_flags = {IFF_UP, 0x10000, IFF_RUNNING, IFF_LOOPBACK, IFF_POINTOPOINT};

namespace {

// Reads a file whole into a NUL-terminated heap buffer that the caller
// frees; nullptr with errno set when it cannot. Files of /proc tell no size,
// so the buffer doubles until a read finds the end.
char* read_whole_file(const char* path)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::size_t size = 8192;
    std::size_t length = 0;
    char* text = static_cast<char*>(malloc(size));
    while (text) {
        if (length + 1 == size) {
            char* larger = size <= SIZE_MAX / 2 ? static_cast<char*>(realloc(text, size * 2)) : nullptr;
            if (!larger) {
                free(text);
                text = nullptr;
                errno = ENOMEM;
                break;
            }
            text = larger;
            size *= 2;
        }
        const ssize_t got = read(fd, text + length, size - 1 - length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            free(text);
            text = nullptr;
            errno = error;
            break;
        }
        if (got == 0) {
            text[length] = '\0';
            break;
        }
        length += static_cast<std::size_t>(got);
    }
    const int error = errno;
    close(fd);
    errno = error;
    return text;
}

// The first line of a file of a power supply, without its newline; false
// when unreadable.
bool read_attribute(const char* root, const char* directory, const char* name, char* buffer, std::size_t size)
{
    char path[PATH_MAX];
    const int length = snprintf(path, sizeof path, "%s/%s/%s", root, directory, name);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path || read_file_start(path, buffer, size) < 0)
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
int battery_state(const char* root, const char* directory)
{
    char text[64];
    if (read_attribute(root, directory, "present", text, sizeof text) && strcmp(text, "0") == 0)
        return battery_not_present;
    int state = 0;
    if (read_attribute(root, directory, "status", text, sizeof text)) {
        if (strcmp(text, "Discharging") == 0)
            state = battery_discharging;
        else if (strcmp(text, "Charging") == 0)
            state = battery_charging;
    }
    if (read_attribute(root, directory, "capacity_level", text, sizeof text) && strcmp(text, "Critical") == 0)
        state |= battery_critical;
    return state;
}

int compare_names(const dirent** a, const dirent** b)
{
    return strcmp((*a)->d_name, (*b)->d_name);
}

// Past `count` fields separated by blanks; nullptr at the end of the line.
const char* skip_fields(const char* text, int count)
{
    for (int i = 0; i < count; ++i) {
        text += strspn(text, " \t");
        const std::size_t field = strcspn(text, " \t\n");
        if (field == 0)
            return nullptr;
        text += field;
    }
    return text;
}

// A decimal number after blanks on the same line.
bool read_count(const char*& text, unsigned long long* value)
{
    text += strspn(text, " \t");
    if (*text < '0' || *text > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    *value = strtoull(text, &end, 10);
    text = end;
    return errno == 0;
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

battery_facts read_batteries_in(const char* root)
{
    battery_facts facts;
    // The power supplies in name order; the batteries among them are the
    // units, numbered from 0 in that order.
    dirent** entries = nullptr;
    const int count = scandir(root, &entries, nullptr, compare_names);
    if (count < 0)
        return facts;
    unsigned number = 0;
    for (int i = 0; i < count; ++i) {
        const char* name = entries[i]->d_name;
        char text[64];
        if (facts.count < most_batteries && name[0] != '.' &&
            read_attribute(root, name, "type", text, sizeof text) && strcmp(text, "Battery") == 0) {
            // A battery without a readable capacity does not answer.
            if (read_attribute(root, name, "capacity", text, sizeof text)) {
                battery_unit& unit = facts.units[facts.count++];
                unit.number = number;
                unit.cap = atoi(text);
                unit.state = battery_state(root, name);
            }
            ++number;
        }
        free(entries[i]);
    }
    free(entries);
    return facts;
}

battery_facts read_batteries()
{
    return read_batteries_in("/sys/class/power_supply");
}

void read_swap_file(const char* path, memory_facts& facts)
{
    // Without the file the kernel has no swap: no devices, as on a host
    // where the swap device records cannot be found.
    char* text = read_whole_file(path);
    if (!text)
        return;
    // A heading, then one line per device: name, type, size and used in
    // KiB, priority. Names have their blanks written as octal escapes.
    const unsigned long long p = facts.page_size;
    const char* line = strchr(text, '\n');
    while (line && line[1]) {
        const char* field = skip_fields(line + 1, 2);
        unsigned long long size = 0, used = 0;
        if (!field || !read_count(field, &size) || !read_count(field, &used))
            break;
        add_swap_device(facts, static_cast<std::int32_t>(size * 1024 / p), static_cast<std::int32_t>(used * 1024 / p));
        line = strchr(field, '\n');
    }
    free(text);
}

void read_meminfo_file(const char* path, memory_facts& facts)
{
    char* text = read_whole_file(path);
    if (!text) {
        fail(facts, "/proc/meminfo", errno);
        return;
    }
    unsigned long long total = 0, inactive = 0, free_kib = 0;
    const char* missing = !meminfo_value(text, "MemTotal", &total)    ? "/proc/meminfo MemTotal"
                          : !meminfo_value(text, "Inactive", &inactive) ? "/proc/meminfo Inactive"
                          : !meminfo_value(text, "MemFree", &free_kib)  ? "/proc/meminfo MemFree"
                                                                        : nullptr;
    // Since Linux 3.14: the kernel's estimate, reclaimable cache included.
    unsigned long long available = 0;
    if (meminfo_value(text, "MemAvailable", &available)) {
        facts.available = available * 1024;
    } else {
        facts.available_failed_label = "/proc/meminfo MemAvailable";
        facts.available_error = ENODATA;
    }
    free(text);
    if (missing) {
        fail(facts, missing, ENODATA);
        return;
    }
    const unsigned long long p = facts.page_size;
    facts.physical = total * 1024;
    facts.inactive_pages = static_cast<std::uint32_t>(inactive * 1024 / p);
    facts.free_pages = static_cast<std::uint32_t>(free_kib * 1024 / p);
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
    read_meminfo_file("/proc/meminfo", facts);
    if (!facts.failed_label)
        read_swap_file("/proc/swaps", facts);
    return facts;
}

processor_facts read_processor_model()
{
    // The first processor's lines come first; the rest of the file (one
    // block per processor) is not asked for.
    processor_facts facts;
    char text[4096];
    const long length = read_file_start("/proc/cpuinfo", text, sizeof text);
    if (length < 0) {
        facts.failed_label = "/proc/cpuinfo";
        facts.error = errno;
        return facts;
    }
    cpuinfo_model(text, static_cast<std::size_t>(length), facts.model, sizeof facts.model);
    return facts;
}

namespace {

// A kernel without IPv6 has no /proc/net/ipv6_route: no default route then.
void read_route_file(const char* path, void (*parse)(const char*, std::size_t, default_route&), default_route& route)
{
    char* text = read_whole_file(path);
    if (!text) {
        if (errno != ENOENT) {
            route.failed_label = path;
            route.error = errno;
        }
        return;
    }
    parse(text, strlen(text), route);
    free(text);
}

}  // namespace

route_facts read_default_routes()
{
    route_facts facts;
    read_route_file("/proc/net/route", linux_ipv4_default_route, facts.ipv4);
    read_route_file("/proc/net/ipv6_route", linux_ipv6_default_route, facts.ipv6);
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

std::size_t interface_name_length(const char* name)
{
    return strcspn(name, ":");
}

}  // namespace hostfacts

#endif
