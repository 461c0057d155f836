// SPDX-License-Identifier: BSD-2-Clause
// Readers of what the platform layers fetch, taking the bytes as data: an
// os-release file, /proc/cpuinfo, the routing tables of /proc/net/route and
// /proc/net/ipv6_route, a sysctl value and a routing socket's answer. They
// are compiled on every system, so that each is tested with made-up input
// wherever the tests run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostfacts/host_facts.hpp"

namespace hostfacts {

// The value of KEY in an os-release text: the last assignment of the key,
// its quotes taken off (within double quotes a backslash keeps the next
// of \ " $ and the backquote; within single quotes nothing is special).
// Copied into `value` (at most size - 1 bytes, always NUL-ended); false
// when the key is not assigned.
bool os_release_value(const char* text, std::size_t length, const char* key, char* value, std::size_t size);

// The processor model of a /proc/cpuinfo text: the first "model name"
// line (x86, most others), else "Processor" (older ARM kernels), "cpu
// model" (MIPS) or "cpu" (POWER). Empty when there is none.
void cpuinfo_model(const char* text, std::size_t length, char* model, std::size_t size);

// Route flag bits, the same in Linux's tables and FreeBSD's messages.
inline constexpr std::uint32_t route_up = 0x1;
inline constexpr std::uint32_t route_gateway = 0x2;
inline constexpr std::uint32_t route_reject = 0x8;       // FreeBSD RTF_REJECT
inline constexpr std::uint32_t linux_route_reject = 0x200;

// The default route of one address family in the text of /proc/net/route
// (IPv4) or /proc/net/ipv6_route (IPv6): among the routes to 0/0 that are
// up and do not reject, the one with the lowest metric (the first of
// equals). Sets found, the interface name and, for a route through a
// gateway, the gateway's numeric text; found stays false without one.
void linux_ipv4_default_route(const char* text, std::size_t length, default_route& route);
void linux_ipv6_default_route(const char* text, std::size_t length, default_route& route);

// FreeBSD's routing message on amd64, as its headers lay it out; the
// FreeBSD layer checks these against the headers when it is compiled.
namespace freebsd_route {
inline constexpr std::size_t header_size = 152;   // sizeof(struct rt_msghdr)
inline constexpr std::size_t length_offset = 0;   // rtm_msglen, u_short
inline constexpr std::size_t version_offset = 2;  // rtm_version, u_char
inline constexpr std::size_t type_offset = 3;     // rtm_type, u_char
inline constexpr std::size_t flags_offset = 8;    // rtm_flags, int
inline constexpr std::size_t addrs_offset = 12;   // rtm_addrs, int
inline constexpr std::size_t pid_offset = 16;     // rtm_pid, pid_t
inline constexpr std::size_t seq_offset = 20;     // rtm_seq, int
inline constexpr std::size_t errno_offset = 24;   // rtm_errno, int
inline constexpr unsigned version = 5;            // RTM_VERSION
inline constexpr unsigned type_get = 4;           // RTM_GET
inline constexpr std::uint32_t has_gateway = 0x2; // RTA_GATEWAY
inline constexpr std::uint32_t has_ifp = 0x10;    // RTA_IFP
inline constexpr unsigned family_inet = 2;        // AF_INET
inline constexpr unsigned family_link = 18;       // AF_LINK
inline constexpr unsigned family_inet6 = 28;      // AF_INET6
inline constexpr std::size_t address_align = 8;   // sizeof(long): SA_SIZE
}  // namespace freebsd_route

// Reads the answer to an RTM_GET that asked for the interface (RTA_IFP):
// the interface's name from its link-level address and, when the route
// goes through a gateway, the gateway's numeric text (a link-local IPv6
// gateway without the scope that the kernel may carry in its address).
// False when the bytes are not such an answer of `length` bytes or more.
bool freebsd_route_reply(const unsigned char* message, std::size_t length, default_route& route);

// A sysctl value as it came back: a text of `length` bytes (up to its
// first NUL, never beyond `length`), copied NUL-ended into `text`; a count
// of 4 or 8 bytes in the host's byte order, false for any other length.
void sysctl_text(const void* buffer, std::size_t length, char* text, std::size_t size);
bool sysctl_count(const void* buffer, std::size_t length, std::uint64_t* count);

}  // namespace hostfacts
