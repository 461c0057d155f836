// SPDX-License-Identifier: BSD-2-Clause
// The platform layer on FreeBSD: sysctl, the ACPI battery requests on
// /dev/acpi, the swap device records of vm.swap_info and sockaddr_dl.
#if defined(__FreeBSD__)

#include <sys/types.h>
#include <sys/ioctl.h>
#include <sys/statvfs.h>
#include <sys/sysctl.h>
#include <sys/user.h>
#include <vm/vm_param.h>
#include <dev/acpica/acpiio.h>
#include <fcntl.h>
#include <net/if.h>
#include <net/if_dl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>
#include <utmpx.h>

#include <cerrno>
#include <cstring>

#include "hostfacts/facts.hpp"

namespace hostfacts {

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
