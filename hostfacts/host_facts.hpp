// SPDX-License-Identifier: BSD-2-Clause
// The raw facts of the host report, as plain records. The platform layer
// (host_facts_linux.cpp, host_facts_freebsd.cpp) fills them from the running
// system; the report writers (report_sections.hpp, interface_report.hpp) turn
// them into lines.
#pragma once

#include <sys/socket.h>
#include <sys/utsname.h>

#include <cstddef>
#include <cstdint>

namespace hostfacts {

// Host name buffer: 256 bytes, the last one always NUL.
inline constexpr std::size_t host_name_size = 256;

struct uptime_facts {
    bool known = false;          // false: the clock could not be read
    std::uint64_t seconds = 0;
    std::uint64_t nanoseconds = 0;
};

struct kernel_facts {
    bool known = false;          // false: uname failed
    utsname names{};
};

// The operating system's name and version, from its os-release file.
inline constexpr std::size_t os_text_size = 256;
struct os_facts {
    bool known = false;          // false: no os-release file could be read
    bool named = false;          // the file assigns NAME
    char name[os_text_size] = {};
    char version[os_text_size] = {};  // VERSION_ID, empty when not assigned
};

struct processor_facts {
    // Set when the source could not be read: the perror label, with errno
    // kept in `error`. The model line is then left out.
    const char* failed_label = nullptr;
    int error = 0;
    char model[256] = {};        // empty when the platform names none
};

struct load_facts {
    bool known = false;          // true only when all three averages came back
    double averages[3] = {0, 0, 0};
};

// One battery unit that answered the battery information request.
struct battery_unit {
    unsigned number = 0;         // unit number, 0, 1, ...
    int cap = 0;                 // remaining capacity in percent
    int state = 0;               // battery state bits (below)
};

inline constexpr int battery_discharging = 1;
inline constexpr int battery_charging = 2;
inline constexpr int battery_critical = 4;
inline constexpr int battery_not_present = 7;
inline constexpr unsigned most_batteries = 2;   // units reported at most

// The first units that answer, in unit order: the units are asked in turn,
// however many there are, until two have answered.
struct battery_facts {
    unsigned count = 0;
    battery_unit units[most_batteries];
};

struct memory_facts {
    // Set when a source could not be read: the perror label, with errno kept
    // in `error`. The section then writes nothing.
    const char* failed_label = nullptr;
    int error = 0;
    std::uint32_t page_size = 0;        // P, bytes
    std::uint64_t physical = 0;         // T, bytes
    std::uint32_t inactive_pages = 0;   // I
    std::uint32_t free_pages = 0;       // F
    // Pages of all swap devices, and pages in use: sums of the devices'
    // signed 32-bit counts, modulo 2^64. Any number of devices.
    std::uint64_t swap_pages = 0;
    std::uint64_t swap_used_pages = 0;
    // Memory available to new work without swapping, in bytes; when it
    // cannot be read, the label and errno as above, and only its lines are
    // left out.
    std::uint64_t available = 0;
    const char* available_failed_label = nullptr;
    int available_error = 0;
};

// Counts one swap device of `blocks` pages with `used` pages in use.
inline void add_swap_device(memory_facts& facts, std::int32_t blocks, std::int32_t used)
{
    facts.swap_pages += static_cast<std::uint64_t>(static_cast<std::int64_t>(blocks));
    facts.swap_used_pages += static_cast<std::uint64_t>(static_cast<std::int64_t>(used));
}

struct disk_facts {
    bool known = false;          // false: statvfs failed
    std::uint64_t fragment_size = 0;
    std::uint64_t blocks = 0;
    std::uint64_t free_blocks = 0;
    std::uint64_t available_blocks = 0;
};

// The default route of one address family.
struct default_route {
    // Set when the routing table could not be read (label and errno, as
    // for memory); the route's lines are then left out.
    const char* failed_label = nullptr;
    int error = 0;
    bool found = false;
    char name[64] = {};          // the interface the route goes out on
    char gateway[64] = {};       // numeric text; empty for a route without one
};

struct route_facts {
    default_route ipv4;
    default_route ipv6;
};

// Address families in the order of the report, whatever the system's numbers.
enum address_kind : std::uint32_t { kind_ipv4 = 1, kind_link = 2, kind_ipv6 = 3 };

// One interface address. The pointers point into the system's interface
// address list, or into a test's made-up data; the entry owns nothing.
struct interface_entry {
    const char* name = nullptr;
    address_kind kind = kind_ipv4;
    const sockaddr* address = nullptr;        // ipv4/ipv6: converted by getnameinfo
    const unsigned char* link_bytes = nullptr; // link: the link-level address
    std::uint32_t link_length = 0;
    std::uint32_t prefix = 0;
    std::uint32_t flags = 0;                  // the platform's own ifa_flags
    std::uint32_t index = 0;                  // interface index, 0: none (yet)
};

inline constexpr std::size_t interface_slots = 1024;

struct interface_table {
    std::size_t count = 0;
    bool truncated = false;
    interface_entry entries[interface_slots];
};

// The platform's own interface flag bits that the flags line shows.
struct flag_bits {
    std::uint32_t up, lower_up, running, loopback, pointopoint;
};
extern const flag_bits platform_flags;

// --- The platform layer: one call per section, each sampled when called. ---

// gethostname into `buffer` (host_name_size bytes), "localhost" on failure.
void read_host_name(char* buffer);
uptime_facts read_uptime();
kernel_facts read_kernel();
std::uint32_t read_online_processors();
std::uint32_t read_page_size();
std::uint32_t count_processes();
std::uint32_t count_logged_in_users();
load_facts read_load();
battery_facts read_batteries();
memory_facts read_memory();
disk_facts read_disk(const char* path);
// Asked for by compatibility version 1 only.
os_facts read_os_release();
processor_facts read_processor_model();
route_facts read_default_routes();

// Reads one os-release file into `facts`; false when it cannot be read or
// is not a regular file.
bool read_os_release_file(const char* path, os_facts& facts);

// Reads at most size - 1 bytes from the start of a regular file, NUL-ended;
// the length, or -1 with errno set (EINVAL for a file that is not regular,
// so that a FIFO or a device in its place is never waited on).
long read_file_start(const char* path, char* buffer, std::size_t size);

// Platform-specific part of collecting the interface table: whether an
// address with this family is link-level, where its bytes are, and the index
// of the interface it belongs to (0 when it carries none).
bool link_level_address(const sockaddr* address, const unsigned char** bytes,
                        std::uint32_t* length, std::uint32_t* index);

// How many leading bytes of an address entry's interface name name the
// interface itself: on Linux an address label ("eth0:1", interface names
// never hold a colon there) belongs to the interface before the colon;
// elsewhere the whole name.
std::size_t interface_name_length(const char* name);

#if defined(__linux__)
// The Linux layer's readers, also of made-up sources: the batteries of a
// power supply directory such as /sys/class/power_supply; the memory of a
// file in the form of /proc/meminfo, whose failures are labelled as those of
// /proc/meminfo whatever the path; and the swap devices of a file in the form
// of /proc/swaps, added to `facts`. Both files' readers need the page size set.
battery_facts read_batteries_in(const char* root);
void read_meminfo_file(const char* path, memory_facts& facts);
void read_swap_file(const char* path, memory_facts& facts);
#endif

}  // namespace hostfacts
