// SPDX-License-Identifier: BSD-2-Clause
// The platform layer on FreeBSD: sysctl, the ACPI battery requests on
// /dev/acpi, the swap device records of vm.swap_info, sockaddr_dl and the
// routing socket.
#if defined(__FreeBSD__)

#include <sys/types.h>
#include <sys/ioctl.h>
#include <sys/statvfs.h>
#include <sys/sysctl.h>
#include <sys/time.h>
#include <sys/user.h>
#include <vm/vm_param.h>
#include <dev/acpica/acpiio.h>
#include <fcntl.h>
#include <net/if.h>
#include <net/if_dl.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>
#include <utmpx.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "hostfacts/fact_parsers.hpp"
#include "hostfacts/host_facts.hpp"

namespace hostfacts {

// The routing message reader is compiled everywhere from these numbers.
static_assert(sizeof(rt_msghdr) == freebsd_route::header_size);
static_assert(offsetof(rt_msghdr, rtm_msglen) == freebsd_route::length_offset);
static_assert(offsetof(rt_msghdr, rtm_version) == freebsd_route::version_offset);
static_assert(offsetof(rt_msghdr, rtm_type) == freebsd_route::type_offset);
static_assert(offsetof(rt_msghdr, rtm_flags) == freebsd_route::flags_offset);
static_assert(offsetof(rt_msghdr, rtm_addrs) == freebsd_route::addrs_offset);
static_assert(offsetof(rt_msghdr, rtm_pid) == freebsd_route::pid_offset);
static_assert(offsetof(rt_msghdr, rtm_seq) == freebsd_route::seq_offset);
static_assert(offsetof(rt_msghdr, rtm_errno) == freebsd_route::errno_offset);
static_assert(RTM_VERSION == freebsd_route::version && RTM_GET == freebsd_route::type_get);
static_assert(RTA_GATEWAY == freebsd_route::has_gateway && RTA_IFP == freebsd_route::has_ifp);
static_assert(AF_INET == freebsd_route::family_inet && AF_LINK == freebsd_route::family_link &&
              AF_INET6 == freebsd_route::family_inet6);
static_assert(sizeof(long) == freebsd_route::address_align);
static_assert(RTF_UP == route_up && RTF_GATEWAY == route_gateway && RTF_REJECT == route_reject);
static_assert(offsetof(sockaddr_dl, sdl_nlen) == 5 && offsetof(sockaddr_dl, sdl_data) == 8);

const flag_bits platform_flags = {IFF_UP, 0x1000000, IFF_DRV_RUNNING, IFF_LOOPBACK, IFF_POINTOPOINT};

std::uint32_t count_processes()
{
    // One kinfo_proc record per process; the table may grow between the
    // two queries, hence the room to spare.
    int name[3] = {CTL_KERN, KERN_PROC, KERN_PROC_PROC};
    size_t length = 0;
    if (sysctl(name, 3, nullptr, &length, nullptr, 0) != 0)
        return 0;
    length = static_cast<size_t>(static_cast<std::uint64_t>(length) * 5 / 4);
    void* buffer = malloc(length);
    if (!buffer)
        return 0;
    std::uint64_t count = 0;
    if (sysctl(name, 3, buffer, &length, nullptr, 0) == 0)
        count = length / sizeof(kinfo_proc);
    free(buffer);
    return static_cast<std::uint32_t>(count);
}

battery_facts read_batteries()
{
    battery_facts facts;
    const int fd = open("/dev/acpi", O_RDONLY);
    if (fd < 0)
        return facts;
    int units = 0;
    if (ioctl(fd, ACPIIO_BATT_GET_UNITS, &units) != 0 || units == 0) {
        close(fd);
        return facts;
    }
    // Every unit is asked in turn until two have answered.
    for (unsigned i = 0; i < static_cast<unsigned>(units) && facts.count < most_batteries; ++i) {
        union acpi_battery_ioctl_arg arg;
        memset(&arg, 0, sizeof arg);
        arg.unit = static_cast<int>(i);
        if (ioctl(fd, ACPIIO_BATT_GET_BATTINFO, &arg) != 0)
            continue;
        battery_unit& unit = facts.units[facts.count++];
        unit.number = i;
        unit.cap = arg.battinfo.cap;
        unit.state = arg.battinfo.state;
    }
    close(fd);
    return facts;
}

memory_facts read_memory()
{
    memory_facts facts;
    int page_mib[2] = {CTL_HW, HW_PAGESIZE};
    int page = 0;
    size_t length = sizeof page;
    if (sysctl(page_mib, 2, &page, &length, nullptr, 0) != 0) {
        facts.failed_label = "sysctl(hw.pagesize)";
        facts.error = errno;
        return facts;
    }
    facts.page_size = static_cast<std::uint32_t>(page);
    int physical_mib[2] = {CTL_HW, HW_PHYSMEM};
    length = sizeof facts.physical;
    if (sysctl(physical_mib, 2, &facts.physical, &length, nullptr, 0) != 0) {
        facts.failed_label = "sysctl(hw.physmem)";
        facts.error = errno;
        return facts;
    }
    length = sizeof facts.inactive_pages;
    if (sysctlbyname("vm.stats.vm.v_inactive_count", &facts.inactive_pages, &length, nullptr, 0) != 0) {
        facts.failed_label = "sysctl(vm.stats.vm.v_inactive_count)";
        facts.error = errno;
        return facts;
    }
    length = sizeof facts.free_pages;
    if (sysctlbyname("vm.stats.vm.v_free_count", &facts.free_pages, &length, nullptr, 0) != 0) {
        facts.failed_label = "sysctl(vm.stats.vm.v_free_count)";
        facts.error = errno;
        return facts;
    }
    // Available: the free, inactive and laundry pages (dirty pages waiting
    // to be written back before they are reused), as the kernel's page
    // daemon counts what it can hand out.
    unsigned char laundry[8];
    length = sizeof laundry;
    std::uint64_t laundry_pages = 0;
    const bool laundry_read = sysctlbyname("vm.stats.vm.v_laundry_count", laundry, &length, nullptr, 0) == 0;
    if (!laundry_read || !sysctl_count(laundry, length, &laundry_pages)) {
        facts.available_failed_label = "sysctl(vm.stats.vm.v_laundry_count)";
        facts.available_error = laundry_read ? EINVAL : errno;
    } else {
        facts.available = (static_cast<std::uint64_t>(facts.free_pages) + facts.inactive_pages + laundry_pages) *
                          facts.page_size;
    }
    int swap_mib[17];  // 16 levels and the device number
    size_t levels = 16;
    if (sysctlnametomib("vm.swap_info", swap_mib, &levels) != 0)
        return facts;
    // Device numbers run from 0 up to the first that has no record.
    for (int d = 0;; ++d) {
        swap_mib[levels] = d;
        xswdev record;
        length = sizeof record;
        if (sysctl(swap_mib, static_cast<u_int>(levels + 1), &record, &length, nullptr, 0) != 0 ||
            record.xsw_version != XSWDEV_VERSION)
            break;
        add_swap_device(facts, record.xsw_nblks, record.xsw_used);
    }
    return facts;
}

processor_facts read_processor_model()
{
    processor_facts facts;
    char model[sizeof facts.model];
    size_t length = sizeof model;
    if (sysctlbyname("hw.model", model, &length, nullptr, 0) != 0) {
        facts.failed_label = "sysctl(hw.model)";
        facts.error = errno;
        return facts;
    }
    sysctl_text(model, length, facts.model, sizeof facts.model);
    return facts;
}

namespace {

// Asks the routing socket for the route to 0/0 of one family and reads its
// answer. No such route (ESRCH), or a kernel without the family, is no
// default route; other failures are reported.
void ask_default_route(int s, int family, int sequence, default_route& route)
{
    struct {
        rt_msghdr header;
        unsigned char space[512];
    } message;
    memset(&message, 0, sizeof message);
    unsigned char* at = message.space;
    // Destination and netmask, both all zero: exactly the default route.
    for (int i = 0; i < 2; ++i) {
        if (family == AF_INET) {
            sockaddr_in* a = reinterpret_cast<sockaddr_in*>(at);
            a->sin_len = sizeof *a;
            a->sin_family = AF_INET;
            at += SA_SIZE(a);
        } else {
            sockaddr_in6* a = reinterpret_cast<sockaddr_in6*>(at);
            a->sin6_len = sizeof *a;
            a->sin6_family = AF_INET6;
            at += SA_SIZE(a);
        }
    }
    // An empty link-level address asks for the interface's name.
    sockaddr_dl* link = reinterpret_cast<sockaddr_dl*>(at);
    link->sdl_len = sizeof *link;
    link->sdl_family = AF_LINK;
    at += SA_SIZE(link);

    rt_msghdr& h = message.header;
    h.rtm_msglen = static_cast<u_short>(at - reinterpret_cast<unsigned char*>(&message));
    h.rtm_version = RTM_VERSION;
    h.rtm_type = RTM_GET;
    h.rtm_addrs = RTA_DST | RTA_NETMASK | RTA_IFP;
    h.rtm_flags = RTF_UP | RTF_GATEWAY;
    h.rtm_seq = sequence;
    const pid_t self = getpid();
    h.rtm_pid = self;
    if (write(s, &message, h.rtm_msglen) < 0) {
        if (errno != ESRCH && errno != EAFNOSUPPORT && errno != ENETUNREACH) {
            route.failed_label = "write(PF_ROUTE)";
            route.error = errno;
        }
        return;
    }
    // The socket also carries other processes' messages: ours is the one
    // with our process and sequence number.
    for (;;) {
        const ssize_t got = read(s, &message, sizeof message);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            route.failed_label = "read(PF_ROUTE)";
            route.error = errno;
            return;
        }
        if (static_cast<size_t>(got) >= sizeof(rt_msghdr) && h.rtm_pid == self && h.rtm_seq == sequence &&
            h.rtm_type == RTM_GET) {
            if (h.rtm_errno == 0)
                freebsd_route_reply(reinterpret_cast<const unsigned char*>(&message), static_cast<size_t>(got),
                                    route);
            return;
        }
    }
}

}  // namespace

route_facts read_default_routes()
{
    route_facts facts;
    const int s = socket(PF_ROUTE, SOCK_RAW, 0);
    if (s < 0) {
        for (default_route* route : {&facts.ipv4, &facts.ipv6}) {
            route->failed_label = "socket(PF_ROUTE)";
            route->error = errno;
        }
        return facts;
    }
    // The answer comes at once; a second is room to spare on a busy host
    // before a lost answer counts as a failure.
    const timeval limit = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ask_default_route(s, AF_INET, 1, facts.ipv4);
    ask_default_route(s, AF_INET6, 2, facts.ipv6);
    close(s);
    return facts;
}

bool link_level_address(const sockaddr* address, const unsigned char** bytes, std::uint32_t* length,
                        std::uint32_t* index)
{
    if (address->sa_family != AF_LINK)
        return false;
    const sockaddr_dl* link = reinterpret_cast<const sockaddr_dl*>(address);
    *bytes = reinterpret_cast<const unsigned char*>(LLADDR(link));
    *length = link->sdl_alen;
    *index = link->sdl_index;
    return true;
}

std::size_t interface_name_length(const char* name)
{
    return strlen(name);
}

}  // namespace hostfacts

#endif
