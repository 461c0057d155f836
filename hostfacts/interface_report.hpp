// SPDX-License-Identifier: BSD-2-Clause
// The network interface section: the interface address table, its address
// order, and the name, flags and address list lines of each interface.
#pragma once

#include <ifaddrs.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "hostfacts/host_facts.hpp"

namespace hostfacts {

// Number of set bits in `length` bytes of a netmask.
std::uint32_t count_mask_bits(const unsigned char* bytes, std::size_t length);

// Walks an interface address list in its own order into the table (link-level
// entries with the index they carry, others with none): entries
// without an address are passed over, 127.0.0.1, ::1 and fe80::/10 and other
// families are dropped. A full table writes the truncation warning to `err`
// once and stops.
void collect_interfaces(const ifaddrs* list, interface_table& table, FILE* err);

// Address order: name, then IPv4 / link-level / IPv6, then the address.
int compare_entries(const interface_entry& a, const interface_entry& b);
void sort_interfaces(interface_table& table);

// Gives every entry of a sorted table the index of its interface: the index a
// link-level entry of the same name carries, else index_of_name(name), asked
// once per name.
void assign_interface_indexes(interface_table& table, std::uint32_t (*index_of_name)(const char*));

// The interface lines and the interface list, from a sorted table whose
// entries carry their interface indexes. When an address cannot be converted
// to text, the error line goes to `err` and the result is false; what was
// written to `out` until then stays.
bool write_interfaces(FILE* out, FILE* err, const interface_table& table);

// Version 1, before the interface lines: the interface and the gateway of
// the default route of IPv4 and of IPv6, empty texts where there is none;
// a family whose table could not be read gets the perror message on `err`
// instead of its lines.
void write_default_routes(FILE* out, FILE* err, const route_facts& routes);

}  // namespace hostfacts
