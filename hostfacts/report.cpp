// SPDX-License-Identifier: BSD-2-Clause
#include "hostfacts/report.hpp"

#include <ifaddrs.h>
#include <net/if.h>

#include <cstdio>
#include <cstdlib>

#include "hostfacts/facts.hpp"
#include "hostfacts/interface_report.hpp"
#include "hostfacts/report_sections.hpp"

namespace hostfacts {

namespace {

std::uint32_t index_of_interface(const char* name)
{
    return if_nametoindex(name);
}

void write_network(FILE* out)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        perror("getifaddrs()");
        exit(0);
    }
    // Large and only needed once: kept out of the stack.
    static interface_table table;
    collect_interfaces(list, table, stderr);
    sort_interfaces(table);
    assign_interface_indexes(table, index_of_interface);
    const bool written = write_interfaces(out, stderr, table);
    freeifaddrs(list);
    if (!written)
        exit(1);
}

}  // namespace

void write_report()
{
    FILE* out = stdout;
    write_compatibility(out);

    char host_name[host_name_size];
    read_host_name(host_name);
    write_host_names(out, host_name);

    write_uptime(out, read_uptime());
    write_kernel(out, read_kernel());

    // The processor count is also the divisor of the load percentages.
    const std::uint32_t cores = read_online_processors();
    write_processors(out, cores, read_page_size());
    write_processes(out, count_processes());
    write_users(out, count_logged_in_users());
    write_load(out, read_load(), cores);

    write_batteries(out, read_batteries());
    write_memory(out, stderr, read_memory());
    for (const disk_place& disk : disk_places)
        write_disk(out, disk.label, read_disk(disk.path));
    write_disk_list(out);

    fflush(out);
    write_network(out);
}

}  // namespace hostfacts
