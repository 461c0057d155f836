// SPDX-License-Identifier: BSD-2-Clause
#include "hostfacts/report.hpp"

#include <ifaddrs.h>
#include <net/if.h>

#include <cstdio>

#include "hostfacts/host_facts.hpp"
#include "hostfacts/interface_report.hpp"
#include "hostfacts/report_sections.hpp"

namespace hostfacts {

namespace {

std::uint32_t index_of_interface(const char* name)
{
    return if_nametoindex(name);
}

// The last section: its status is the report's.
int write_network(FILE* out, const run_settings& s)
{
    if (s.compatibility >= 1)
        write_default_routes(out, stderr, read_default_routes());
    fflush(out);
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        perror("getifaddrs()");
        return 0;
    }
    // Large and only needed once: kept out of the stack.
    static interface_table table;
    collect_interfaces(list, table, stderr);
    sort_interfaces(table);
    assign_interface_indexes(table, index_of_interface);
    const bool written = write_interfaces(out, stderr, table);
    freeifaddrs(list);
    return written ? 0 : 1;
}

}  // namespace

int write_report(const run_settings& s)
{
    FILE* out = stdout;
    const std::uint32_t version = s.compatibility;
    write_compatibility(out, version);

    char host_name[host_name_size];
    read_host_name(host_name);
    write_host_names(out, host_name);

    write_uptime(out, read_uptime());
    const kernel_facts kernel = read_kernel();
    write_kernel(out, kernel);
    if (version >= 1)
        write_os_release(out, read_os_release(), kernel);

    // The processor count is also the divisor of the load percentages.
    const std::uint32_t cores = read_online_processors();
    write_processors(out, cores, read_page_size());
    if (version >= 1)
        write_processor_model(out, stderr, read_processor_model());
    write_processes(out, count_processes());
    write_users(out, count_logged_in_users());
    write_load(out, read_load(), cores);

    write_batteries(out, read_batteries());
    write_memory(out, stderr, read_memory(), version);
    for (const disk_place& disk : disk_places)
        write_disk(out, disk.label, read_disk(disk.path), version);
    write_disk_list(out);

    return write_network(out, s);
}

}  // namespace hostfacts
