// SPDX-License-Identifier: BSD-2-Clause
// Host, load, battery, memory, swap and disk sections of the report.
#include "hostfacts/report_sections.hpp"

#include <cstring>

#include "hostfacts/report_line.hpp"

namespace hostfacts {

void write_compatibility(FILE* out, std::uint32_t version)
{
    fprintf(out, "compatibility=%u\n", version);
}

void report_source_failure(FILE* out, FILE* err, const char* label, int error)
{
    fflush(out);
    fprintf(err, "%s: %s\n", label, strerror(error));
}

void write_host_names(FILE* out, const char* name)
{
    // The long name is the whole name; the short one stops before the first dot.
    const char* dot = strchr(name, '.');
    write_text_line(out, "hostname_long", name);
    write_text_line(out, "hostname_short", name, dot ? static_cast<std::size_t>(dot - name) : strlen(name));
}

void write_uptime(FILE* out, const uptime_facts& facts)
{
    if (!facts.known)
        return;
    const std::uint64_t s = facts.seconds;
    fprintf(out, "uptime_total=%1.9f\n",
            static_cast<double>(facts.nanoseconds) / 1e9 + static_cast<double>(s));
    fprintf(out, "uptime_days=%u\n", static_cast<unsigned>(s / 86400));
    fprintf(out, "uptime_hours=%u\n", static_cast<unsigned>((s / 3600) % 24));
    fprintf(out, "uptime_mins=%u\n", static_cast<unsigned>((s / 60) % 60));
    fprintf(out, "uptime_secs=%u\n", static_cast<unsigned>(s % 60));
    fprintf(out, "uptime_nsecs=%llu\n", static_cast<unsigned long long>(facts.nanoseconds));
}

void write_kernel(FILE* out, const kernel_facts& facts)
{
    if (!facts.known)
        return;
    write_text_line(out, "system_sysname", facts.names.sysname);
    write_text_line(out, "system_nodename", facts.names.nodename);
    write_text_line(out, "system_release", facts.names.release);
    write_text_line(out, "system_version", facts.names.version);
    write_text_line(out, "system_machine", facts.names.machine);
}

void write_os_release(FILE* out, const os_facts& os, const kernel_facts& kernel)
{
    if (os.known) {
        write_text_line(out, "system_os_name", os.named ? os.name : kernel.known ? kernel.names.sysname : "");
        write_text_line(out, "system_os_version", os.version);
    } else if (kernel.known) {
        write_text_line(out, "system_os_name", kernel.names.sysname);
        write_text_line(out, "system_os_version", kernel.names.release);
    }
}

void write_processor_model(FILE* out, FILE* err, const processor_facts& facts)
{
    if (facts.failed_label) {
        report_source_failure(out, err, facts.failed_label, facts.error);
        return;
    }
    write_text_line(out, "system_cpu_model", facts.model);
}

void write_processors(FILE* out, std::uint32_t cores, std::uint32_t page_size)
{
    fprintf(out, "system_cores=%u\n", cores);
    fprintf(out, "system_pagesize=%u\n", page_size);
}

void write_processes(FILE* out, std::uint32_t count)
{
    fprintf(out, "system_procs=%u\n", count);
}

void write_users(FILE* out, std::uint32_t count)
{
    fprintf(out, "system_users=%u\n", count);
}

void write_load(FILE* out, const load_facts& facts, std::uint32_t cores)
{
    if (!facts.known)
        return;
    const double m = 100.0 / static_cast<double>(cores);
    fprintf(out, "system_load_avg1min=%1.6f\n", facts.averages[0]);
    fprintf(out, "system_load_avg5min=%1.6f\n", facts.averages[1]);
    fprintf(out, "system_load_avg15min=%1.6f\n", facts.averages[2]);
    fprintf(out, "system_load_avg1minpct=%1.4f\n", facts.averages[0] * m);
    fprintf(out, "system_load_avg5minpct=%1.4f\n", facts.averages[1] * m);
    fprintf(out, "system_load_avg15minpct=%1.4f\n", facts.averages[2] * m);
}

unsigned battery_status_code(int state)
{
    // The first test that holds decides.
    if (state == battery_not_present)
        return 0;
    if (state == 0)
        return 3;
    if (state & battery_charging)
        return 2;
    if (state & battery_discharging)
        return 4;
    return 1;
}

void write_batteries(FILE* out, const battery_facts& facts)
{
    for (unsigned i = 0; i < facts.count; ++i) {
        const battery_unit& unit = facts.units[i];
        fprintf(out, "battery_%u_status=%u\n", unit.number, battery_status_code(unit.state));
        fprintf(out, "battery_%u_capacity=%u\n", unit.number, static_cast<unsigned>(unit.cap));
    }
    begin_quoted(out, "battery_list");
    for (unsigned i = 0; i < facts.count; ++i)
        write_quoted_format(out, i == 0 ? "%u" : " %u", facts.units[i].number);
    end_quoted(out);
}

namespace {

double percent_of(std::uint64_t part, std::uint64_t whole)
{
    return static_cast<double>(part) * 100.0 / static_cast<double>(whole);
}

}  // namespace

void write_memory(FILE* out, FILE* err, const memory_facts& facts, std::uint32_t version)
{
    if (facts.failed_label) {
        report_source_failure(out, err, facts.failed_label, facts.error);
        return;
    }
    if (version >= 1 && facts.available_failed_label)
        report_source_failure(out, err, facts.available_failed_label, facts.available_error);
    const std::uint64_t page = facts.page_size;
    const std::uint64_t t = facts.physical;
    const std::uint64_t b =
        (static_cast<std::uint64_t>(facts.free_pages) + facts.inactive_pages) * page;
    const std::uint64_t used = t < b ? 0 : t - b;
    const std::uint64_t free = t < b ? t : b;

    // Modulo 2^64 the sum of each device's pages times the page size is the
    // sum of the pages times the page size.
    const std::uint64_t swap_total = facts.swap_pages * page;
    const std::uint64_t swap_used = facts.swap_used_pages * page;
    const std::uint64_t swap_free = swap_total - swap_used;

    fprintf(out, "system_mem_total=%llu\n", static_cast<unsigned long long>(t));
    fprintf(out, "system_mem_used=%llu\n", static_cast<unsigned long long>(used));
    fprintf(out, "system_mem_free=%llu\n", static_cast<unsigned long long>(free));
    if (t != 0) {
        fprintf(out, "system_mem_usedpct=%1.1f\n", percent_of(used, t));
        fprintf(out, "system_mem_freepct=%1.1f\n", percent_of(free, t));
    }
    if (version >= 1 && !facts.available_failed_label) {
        // As free memory, never more than the total.
        const std::uint64_t available = facts.available < t ? facts.available : t;
        fprintf(out, "system_mem_available=%llu\n", static_cast<unsigned long long>(available));
        if (t != 0)
            fprintf(out, "system_mem_availablepct=%1.1f\n", percent_of(available, t));
    }
    if (swap_total != 0 || version >= 1) {
        // Without swap, version 1 writes the same keys with zeros.
        const auto percent_of_swap = [&](std::uint64_t part) {
            return swap_total == 0 ? 0.0 : percent_of(part, swap_total);
        };
        fprintf(out, "system_swap_total=%llu\n", static_cast<unsigned long long>(swap_total));
        fprintf(out, "system_swap_used=%llu\n", static_cast<unsigned long long>(swap_used));
        fprintf(out, "system_swap_free=%llu\n", static_cast<unsigned long long>(swap_free));
        fprintf(out, "system_swap_usedpct=%1.1f\n", percent_of_swap(swap_used));
        fprintf(out, "system_swap_freepct=%1.1f\n", percent_of_swap(swap_free));
    } else {
        fputs("system_swap_total=0\n", out);
    }
}

unsigned df_use_percent(const disk_facts& facts)
{
    // In blocks, wide enough for any count times 100.
    __extension__ typedef unsigned __int128 wide;
    const wide used = facts.blocks > facts.free_blocks ? facts.blocks - facts.free_blocks : 0;
    const wide of = used + facts.available_blocks;
    if (of == 0)
        return 0;
    const wide hundredfold = used * 100;
    return static_cast<unsigned>(hundredfold / of + (hundredfold % of != 0 ? 1 : 0));
}

void write_disk(FILE* out, const char* label, const disk_facts& facts, std::uint32_t version)
{
    if (!facts.known)
        return;
    const std::uint64_t r = facts.fragment_size;
    const std::uint64_t total = facts.blocks * r;
    const std::uint64_t used = (facts.blocks - facts.free_blocks) * r;
    const std::uint64_t available = facts.available_blocks * r;
    // The share not available to unprivileged users: reserved blocks count in it.
    const double pct = total == 0 ? 0.0 : percent_of(total - available, total);
    fprintf(out, "disk_%s_total=%llu\n", label, static_cast<unsigned long long>(total));
    fprintf(out, "disk_%s_used=%llu\n", label, static_cast<unsigned long long>(used));
    fprintf(out, "disk_%s_available=%llu\n", label, static_cast<unsigned long long>(available));
    fprintf(out, "disk_%s_pct=%1.3f\n", label, pct);
    if (version >= 1)
        fprintf(out, "disk_%s_usedpct=%u\n", label, df_use_percent(facts));
}

void write_disk_list(FILE* out)
{
    write_text_line(out, "disk_list", "root home tmp");
}

}  // namespace hostfacts
