// SPDX-License-Identifier: BSD-2-Clause
#include "hostfacts/interface_report.hpp"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstdlib>
#include <cstring>

#include "hostfacts/report_line.hpp"
#include "hostfacts/report_sections.hpp"

namespace hostfacts {

std::uint32_t count_mask_bits(const unsigned char* bytes, std::size_t length)
{
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < length; ++i)
        bits += static_cast<std::uint32_t>(__builtin_popcount(bytes[i]));
    return bits;
}

namespace {

const unsigned char* ipv4_bytes(const sockaddr* address)
{
    return reinterpret_cast<const unsigned char*>(
        &reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
}

const unsigned char* ipv6_bytes(const sockaddr* address)
{
    return reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr.s6_addr;
}

std::uint64_t big_endian_64(const unsigned char* bytes)
{
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = value << 8 | bytes[i];
    return value;
}

std::uint32_t big_endian_32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

// The name of the interface an entry's address belongs to. An address label
// gives way to the list's own entry for the interface, so that all its
// addresses come under one name; a label whose interface is not in the list
// stays as it is.
const char* interface_name(const ifaddrs* list, const char* name)
{
    const std::size_t length = interface_name_length(name);
    if (name[length] == '\0')
        return name;
    for (const ifaddrs* item = list; item; item = item->ifa_next)
        if (strncmp(item->ifa_name, name, length) == 0 && item->ifa_name[length] == '\0')
            return item->ifa_name;
    return name;
}

// Fills everything but the index; false for an entry the report leaves out.
bool keep_entry(const ifaddrs* list, const ifaddrs* item, interface_entry& entry)
{
    const sockaddr* address = item->ifa_addr;
    entry.name = interface_name(list, item->ifa_name);
    entry.address = address;
    entry.flags = item->ifa_flags;
    if (address->sa_family == AF_INET) {
        const unsigned char* a = ipv4_bytes(address);
        if (a[0] == 127 && a[1] == 0 && a[2] == 0 && a[3] == 1)
            return false;
        entry.kind = kind_ipv4;
        entry.prefix = item->ifa_netmask ? count_mask_bits(ipv4_bytes(item->ifa_netmask), 4) : 32;
        return true;
    }
    if (address->sa_family == AF_INET6) {
        const unsigned char* a = ipv6_bytes(address);
        static const unsigned char loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        if ((a[0] == 0xfe && (a[1] & 0xc0) == 0x80) || memcmp(a, loopback, 16) == 0)
            return false;
        entry.kind = kind_ipv6;
        entry.prefix = item->ifa_netmask ? count_mask_bits(ipv6_bytes(item->ifa_netmask), 16) : 128;
        return true;
    }
    if (link_level_address(address, &entry.link_bytes, &entry.link_length, &entry.index)) {
        entry.kind = kind_link;
        entry.prefix = 0;
        return true;
    }
    return false;
}

template <typename T>
int order_of(T a, T b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

int compare_for_sort(const void* a, const void* b)
{
    return compare_entries(*static_cast<const interface_entry*>(a),
                           *static_cast<const interface_entry*>(b));
}

const char* list_key(address_kind kind)
{
    switch (kind) {
    case kind_ipv4: return "ipv4";
    case kind_link: return "mac";
    case kind_ipv6: return "ipv6";
    }
    return "";
}

void write_flags(FILE* out, std::uint32_t index, std::uint32_t flags)
{
    const flag_bits& f = platform_flags;
    begin_quoted(out, "netif_%u_flags", index);
    write_quoted_format(out, "0x%x: <%s>", flags, (flags & f.up) ? "UP" : "DOWN");
    if (flags & f.lower_up)
        write_quoted(out, " <LOWER_UP>");
    if (flags & f.running)
        write_quoted(out, " <RUNNING>");
    if (flags & f.loopback)
        write_quoted(out, " <LOOPBACK>");
    if (flags & f.pointopoint)
        write_quoted(out, " <POINTOPOINT>");
    end_quoted(out);
}

bool write_item(FILE* out, FILE* err, const interface_entry& entry)
{
    if (entry.kind == kind_link) {
        for (std::uint32_t i = 0; i < entry.link_length; ++i)
            write_quoted_format(out, i == 0 ? "%02x" : ":%02x", entry.link_bytes[i]);
        return true;
    }
    char host[NI_MAXHOST];
    const socklen_t length = entry.kind == kind_ipv4 ? 16 : 28;
    const int status = getnameinfo(entry.address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST);
    if (status != 0) {
        fprintf(err, "ERROR: getnameinfo() failed: %s\n", gai_strerror(status));
        return false;
    }
    write_quoted(out, host);
    write_quoted_format(out, "/%u", entry.prefix);
    return true;
}

}  // namespace

void collect_interfaces(const ifaddrs* list, interface_table& table, FILE* err)
{
    table.count = 0;
    table.truncated = false;
    for (const ifaddrs* item = list; item; item = item->ifa_next) {
        if (!item->ifa_addr)
            continue;
        // The capacity test comes before the family filter: any further
        // entry with an address means the table is short.
        if (table.count == interface_slots) {
            fputs("WARNING: Truncated list of interface addresses!\n", err);
            table.truncated = true;
            break;
        }
        interface_entry entry;
        if (keep_entry(list, item, entry))
            table.entries[table.count++] = entry;
    }
}

int compare_entries(const interface_entry& a, const interface_entry& b)
{
    if (const int names = strcmp(a.name, b.name))
        return names < 0 ? -1 : 1;
    if (a.kind != b.kind)
        return order_of(a.kind, b.kind);
    switch (a.kind) {
    case kind_ipv4:
        return order_of(big_endian_32(ipv4_bytes(a.address)), big_endian_32(ipv4_bytes(b.address)));
    case kind_link:
        if (a.link_length != b.link_length)
            return order_of(a.link_length, b.link_length);
        if (a.link_length == 0)
            return 0;
        return memcmp(a.link_bytes, b.link_bytes, a.link_length);
    case kind_ipv6: {
        const unsigned char* x = ipv6_bytes(a.address);
        const unsigned char* y = ipv6_bytes(b.address);
        if (const int high = order_of(big_endian_64(x), big_endian_64(y)))
            return high;
        return order_of(big_endian_64(x + 8), big_endian_64(y + 8));
    }
    }
    return 0;
}

void sort_interfaces(interface_table& table)
{
    if (table.count > 1)
        qsort(table.entries, table.count, sizeof table.entries[0], compare_for_sort);
}

void assign_interface_indexes(interface_table& table, std::uint32_t (*index_of_name)(const char*))
{
    for (std::size_t first = 0; first < table.count;) {
        const char* name = table.entries[first].name;
        std::size_t end = first + 1;
        while (end < table.count && strcmp(table.entries[end].name, name) == 0)
            ++end;
        // A link-level entry knows its interface's index; only a name without
        // one (an address label, a system whose link entries carry none)
        // costs a lookup.
        std::uint32_t index = 0;
        for (std::size_t i = first; i < end && index == 0; ++i)
            index = table.entries[i].index;
        if (index == 0)
            index = index_of_name(name);
        for (std::size_t i = first; i < end; ++i)
            table.entries[i].index = index;
        first = end;
    }
}

namespace {

// Whether an entry before the i-th carries this index. Its interface's lines
// are written then: a second name with the index (an address label that
// kept its own name, a name whose index changed while the report was made)
// must not write its keys again.
bool index_taken_before(const interface_table& table, std::size_t i, std::uint32_t index)
{
    for (std::size_t j = 0; j < i; ++j)
        if (table.entries[j].index == index)
            return true;
    return false;
}

}  // namespace

bool write_interfaces(FILE* out, FILE* err, const interface_table& table)
{
    std::uint32_t current_index = 0;
    std::uint32_t current_kind = 0;
    for (std::size_t i = 0; i < table.count; ++i) {
        const interface_entry& entry = table.entries[i];
        if (entry.index == 0)
            continue;
        if (entry.index != current_index) {
            if (index_taken_before(table, i, entry.index))
                continue;
            if (current_index != 0)
                end_quoted(out);
            begin_quoted(out, "netif_%u_name", entry.index);
            write_quoted(out, entry.name);
            end_quoted(out);
            // The flags shown are those of the interface's first entry.
            write_flags(out, entry.index, entry.flags);
            current_kind = 0;
        } else if (entry.kind < current_kind) {
            continue;  // another name with this index: its list of this kind is closed
        }
        if (entry.kind == current_kind) {
            write_quoted(out, " ");
        } else {
            if (current_kind != 0)
                end_quoted(out);
            begin_quoted(out, "netif_%u_%s", entry.index, list_key(entry.kind));
        }
        if (!write_item(out, err, entry))
            return false;
        current_index = entry.index;
        current_kind = entry.kind;
    }
    if (current_index != 0)
        end_quoted(out);

    begin_quoted(out, "netif_list");
    std::uint32_t last = 0;
    for (std::size_t i = 0; i < table.count; ++i) {
        const std::uint32_t index = table.entries[i].index;
        if (index == 0 || index == last || index_taken_before(table, i, index))
            continue;
        write_quoted_format(out, last == 0 ? "%u" : " %u", index);
        last = index;
    }
    end_quoted(out);
    return true;
}

void write_default_routes(FILE* out, FILE* err, const route_facts& routes)
{
    const struct {
        const char* family;
        const default_route& route;
    } families[] = {{"ipv4", routes.ipv4}, {"ipv6", routes.ipv6}};
    for (const auto& [family, route] : families) {
        if (route.failed_label) {
            report_source_failure(out, err, route.failed_label, route.error);
            continue;
        }
        begin_quoted(out, "netif_default_%s_name", family);
        write_quoted(out, route.found ? route.name : "");
        end_quoted(out);
        begin_quoted(out, "netif_default_%s_gateway", family);
        write_quoted(out, route.found ? route.gateway : "");
        end_quoted(out);
    }
}

}  // namespace hostfacts
