// SPDX-License-Identifier: BSD-2-Clause
// hostfacts's report writers over random records: the host, uptime, kernel,
// processor, process, user, load, battery, memory, swap and disk sections
// and the network interface section (an interface address list of IPv4,
// IPv6 and link-level entries, collected, sorted, given their indexes and
// written). Records stay within what the platform layer can fill (strings
// ended within their buffers, counts within their tables, one index per
// interface name). Every line must be an assignment of a lowercase key,
// no key may come twice, and the lists must name what was written.
//
// Input: the host name, the five kernel names (NUL-ended fields), then the
// numbers of the sections and the interface entries as raw bytes.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#if defined(__linux__)
#include <linux/if_packet.h>
#elif defined(__FreeBSD__)
#include <net/if_dl.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.hpp"
#include "hostfacts/host_facts.hpp"
#include "hostfacts/interface_report.hpp"
#include "hostfacts/report_sections.hpp"

namespace {

using fuzzinput::expect;
using fuzzinput::shown;

void copy_field(char* to, std::size_t size, const std::string& from)
{
    const std::size_t n = from.size() < size - 1 ? from.size() : size - 1;
    memcpy(to, from.data(), n);
    to[n] = '\0';
}

// One made-up interface address list, owning its entries.
struct address_list {
    struct node {
        ifaddrs item{};
        std::string name;
        sockaddr_storage address{};
        sockaddr_storage netmask{};
        // Room for the longest link-level address the C library stores.
        unsigned char link[sizeof(sockaddr_storage) + 32] = {};
        bool link_level = false;
        bool masked = false;
        bool no_address = false;
    };
    std::vector<node> nodes;

    const ifaddrs* link_up()
    {
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            node& n = nodes[i];
            n.item.ifa_name = n.name.data();
            n.item.ifa_addr = n.no_address ? nullptr
                              : n.link_level ? reinterpret_cast<sockaddr*>(n.link)
                                             : reinterpret_cast<sockaddr*>(&n.address);
            n.item.ifa_netmask = n.masked ? reinterpret_cast<sockaddr*>(&n.netmask) : nullptr;
            n.item.ifa_next = i + 1 < nodes.size() ? &nodes[i + 1].item : nullptr;
        }
        return nodes.empty() ? nullptr : &nodes[0].item;
    }
};

// Names from a small set (so that interfaces have several addresses) or
// from the input; the index is the name's, the same for all its entries.
void add_entry(address_list& list, fuzzinput::reader& in, std::map<std::string, std::uint32_t>& indexes)
{
    static const char* const names[] = {"em0", "em10", "em2", "lo0", "eth0", "eth0:1", "wlan0", ""};
    const auto choice = in.number<std::uint8_t>();
    list.nodes.emplace_back();
    address_list::node& n = list.nodes.back();
    n = address_list::node();
    n.name = choice < 8 ? names[choice] : choice < 16 ? in.field().substr(0, IFNAMSIZ - 1) : "em0";
    if (indexes.find(n.name) == indexes.end())
        indexes.emplace(n.name, static_cast<std::uint32_t>(indexes.size() + 1));
    n.item.ifa_flags = in.number<std::uint32_t>();
    const auto kind = in.number<std::uint8_t>() % 5;
    n.masked = (kind & 1) != 0;
    unsigned char bytes[16];
    for (unsigned char& b : bytes)
        b = in.number<std::uint8_t>();
    if (kind < 2) {
        auto* a = reinterpret_cast<sockaddr_in*>(&n.address);
        a->sin_family = AF_INET;
        memcpy(&a->sin_addr, bytes, 4);
        auto* m = reinterpret_cast<sockaddr_in*>(&n.netmask);
        m->sin_family = AF_INET;
        memcpy(&m->sin_addr, bytes + 4, 4);
    } else if (kind < 4) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&n.address);
        a->sin6_family = AF_INET6;
        memcpy(&a->sin6_addr, bytes, 16);
        auto* m = reinterpret_cast<sockaddr_in6*>(&n.netmask);
        m->sin6_family = AF_INET6;
        memcpy(&m->sin6_addr, bytes + 8, 8);
    } else {
        const std::uint32_t index = bytes[0] & 1 ? indexes[n.name] : 0;  // some carry none
#if defined(__linux__)
        auto* link = reinterpret_cast<sockaddr_ll*>(n.link);
        link->sll_family = AF_PACKET;
        link->sll_ifindex = static_cast<int>(index);
        link->sll_halen = static_cast<unsigned char>(bytes[1] % 25);  // up to 24 bytes are stored
        for (unsigned i = 0; i < link->sll_halen; ++i)
            n.link[offsetof(sockaddr_ll, sll_addr) + i] = static_cast<unsigned char>(bytes[(i + 2) % 16] + i);
#elif defined(__FreeBSD__)
        auto* link = reinterpret_cast<sockaddr_dl*>(n.link);
        link->sdl_len = sizeof(sockaddr_dl);
        link->sdl_family = AF_LINK;
        link->sdl_index = static_cast<u_short>(index);
        link->sdl_nlen = 0;
        link->sdl_alen = static_cast<u_char>(bytes[1] % 21);
        memcpy(LLADDR(link), bytes + 2, link->sdl_alen < 14 ? link->sdl_alen : 14);
#endif
    }
    n.link_level = kind == 4;
    n.no_address = bytes[15] == 0xff;  // an entry without an address
}

const std::map<std::string, std::uint32_t>* name_indexes = nullptr;

std::uint32_t index_of_name(const char* name)
{
    const auto found = name_indexes->find(name);
    return found != name_indexes->end() ? found->second : 0;
}

bool plain_text(const std::string& s)
{
    return s.find('\n') == std::string::npos;
}

// Every line a key of lowercase letters, digits and underscores, "=", and
// a bare word or a quoted text; no key twice.
std::set<std::string> expect_assignments(const std::string& report, std::map<std::string, std::string>& values)
{
    std::set<std::string> keys;
    std::size_t at = 0;
    while (at < report.size()) {
        const std::size_t end = report.find('\n', at);
        expect(end != std::string::npos, "every line ends with a newline", [&] { return shown(report.substr(at)); });
        const std::string line = report.substr(at, end - at);
        const std::size_t eq = line.find('=');
        expect(eq != std::string::npos && eq > 0, "key=value", [&] { return shown(line); });
        const std::string key = line.substr(0, eq);
        expect(key.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos, "a lowercase key",
               [&] { return shown(line); });
        const std::string value = line.substr(eq + 1);
        // Between the quotes a backslash comes before each of \ " $ and the
        // backquote, and before nothing else; none of them stands bare.
        std::string text;
        bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
        for (std::size_t i = 1; quoted && i + 1 < value.size(); ++i) {
            char c = value[i];
            if (c == '\\') {
                c = value[++i];
                quoted = i + 1 < value.size() && c != 0 && strchr("\\\"$`", c) != nullptr;
            } else {
                quoted = strchr("\"$`", c) == nullptr;
            }
            text += c;
        }
        const bool bare = !value.empty() && value.find_first_not_of("0123456789abcdefinx.+-") == std::string::npos;
        expect(quoted || bare, "a bare number or a quoted text", [&] { return shown(line); });
        expect(keys.insert(key).second, "no key twice", [&] { return std::string(key); });
        values[key] = quoted ? text : value;
        at = end + 1;
    }
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzinput::reader in{data, size};
    std::string host = in.field();
    char host_name[hostfacts::host_name_size];
    copy_field(host_name, sizeof host_name, host);
    hostfacts::kernel_facts kernel;
    kernel.known = true;
    std::string kernel_names[5];
    char* fields[] = {kernel.names.sysname, kernel.names.nodename, kernel.names.release, kernel.names.version,
                      kernel.names.machine};
    for (int i = 0; i < 5; ++i) {
        kernel_names[i] = in.field();
        copy_field(fields[i], sizeof kernel.names.sysname, kernel_names[i]);
    }
    const auto sections = in.number<std::uint16_t>();  // which facts are known, and the version
    const std::uint32_t version = (sections & 16) != 0 ? 1 : 0;
    hostfacts::uptime_facts uptime{(sections & 1) != 0, in.number<std::uint64_t>(), in.number<std::uint64_t>()};
    kernel.known = (sections & 2) != 0;
    const auto cores = in.number<std::uint32_t>();
    const auto page_size = in.number<std::uint32_t>();
    const auto processes = in.number<std::uint32_t>();
    const auto users = in.number<std::uint32_t>();
    hostfacts::load_facts load;
    load.known = (sections & 4) != 0;
    for (double& average : load.averages)
        average = in.real();

    hostfacts::battery_facts batteries;
    batteries.count = in.number<std::uint8_t>() % (hostfacts::most_batteries + 1);
    for (unsigned i = 0, number = 0; i < batteries.count; ++i, ++number) {
        hostfacts::battery_unit& unit = batteries.units[i];
        const auto bits = in.number<std::uint8_t>();
        number += bits >> 3;  // units in their order, some numbers unanswered
        unit.number = number;
        unit.cap = in.number<std::int32_t>();
        unit.state = in.number<std::int32_t>();
    }

    hostfacts::memory_facts memory;
    if ((sections & 8) != 0) {
        memory.failed_label = "sysctl(vm.stats.vm.v_free_count)";
        memory.error = in.number<std::uint8_t>();
    }
    // A page size the systems have: 512 bytes to 1 MiB.
    memory.page_size = 1u << (9 + in.number<std::uint8_t>() % 12);
    memory.physical = in.number<std::uint64_t>();
    memory.inactive_pages = in.number<std::uint32_t>();
    memory.free_pages = in.number<std::uint32_t>();
    for (auto devices = in.number<std::uint8_t>(); devices > 0; --devices)
        hostfacts::add_swap_device(memory, in.number<std::int32_t>(), in.number<std::int32_t>());

    memory.available = memory.physical ^ (memory.swap_pages << 12);  // at times above the total

    hostfacts::disk_facts disks[3];
    for (hostfacts::disk_facts& disk : disks) {
        disk.known = in.number<std::uint8_t>() % 2 != 0;
        disk.fragment_size = in.number<std::uint64_t>();
        disk.blocks = in.number<std::uint64_t>();
        disk.free_blocks = in.number<std::uint64_t>();
        disk.available_blocks = in.number<std::uint64_t>();
    }

    // Kept from run to run: fresh memory for a long list each time would
    // cost more than the run itself.
    static address_list list;
    list.nodes.clear();
    std::map<std::string, std::uint32_t> indexes;
    // A long list now and then: past the table's end.
    const auto copies = in.number<std::uint8_t>() == 0xA5 ? 1100u : 0u;
    while (!in.empty() && list.nodes.size() < 64)
        add_entry(list, in, indexes);
    for (unsigned i = 0; i < copies && !list.nodes.empty(); ++i)
        list.nodes.push_back(list.nodes[i % list.nodes.size()]);
    bool texts_plain = plain_text(host);
    for (const std::string& name : kernel_names)
        texts_plain = texts_plain && plain_text(name);
    for (const address_list::node& n : list.nodes)
        texts_plain = texts_plain && plain_text(n.name);

    fuzzinput::memory_output out;
    fuzzinput::memory_output err;
    // Version 1's texts from the same fields: the host name as the
    // operating system and processor model, the first interface's name as
    // the default routes'.
    hostfacts::os_facts os;
    os.known = (sections & 32) != 0;
    os.named = (sections & 64) != 0;
    copy_field(os.name, sizeof os.name, host);
    copy_field(os.version, sizeof os.version, kernel_names[2]);
    hostfacts::processor_facts processor;
    copy_field(processor.model, sizeof processor.model, host);
    hostfacts::route_facts routes;
    routes.ipv4.found = (sections & 128) != 0;
    routes.ipv6.found = (sections & 256) != 0;
    for (hostfacts::default_route* route : {&routes.ipv4, &routes.ipv6}) {
        copy_field(route->name, sizeof route->name, list.nodes.empty() ? std::string() : list.nodes[0].name);
        copy_field(route->gateway, sizeof route->gateway, kernel_names[4]);
    }

    hostfacts::write_compatibility(out.stream, version);
    hostfacts::write_host_names(out.stream, host_name);
    hostfacts::write_uptime(out.stream, uptime);
    hostfacts::write_kernel(out.stream, kernel);
    if (version >= 1)
        hostfacts::write_os_release(out.stream, os, kernel);
    hostfacts::write_processors(out.stream, cores, page_size);
    if (version >= 1)
        hostfacts::write_processor_model(out.stream, err.stream, processor);
    hostfacts::write_processes(out.stream, processes);
    hostfacts::write_users(out.stream, users);
    hostfacts::write_load(out.stream, load, cores);
    hostfacts::write_batteries(out.stream, batteries);
    hostfacts::write_memory(out.stream, err.stream, memory, version);
    for (std::size_t i = 0; i < 3; ++i)
        hostfacts::write_disk(out.stream, hostfacts::disk_places[i].label, disks[i], version);
    hostfacts::write_disk_list(out.stream);
    if (version >= 1)
        hostfacts::write_default_routes(out.stream, err.stream, routes);

    static hostfacts::interface_table table;
    hostfacts::collect_interfaces(list.link_up(), table, err.stream);
    hostfacts::sort_interfaces(table);
    for (std::size_t i = 1; i < table.count; ++i)
        expect(hostfacts::compare_entries(table.entries[i - 1], table.entries[i]) <= 0, "sorted entries");
    name_indexes = &indexes;
    hostfacts::assign_interface_indexes(table, index_of_name);
    const bool written = hostfacts::write_interfaces(out.stream, err.stream, table);
    expect(written, "every address converts to text");

    if (!texts_plain)
        return 0;  // newlines in texts break lines up
    std::map<std::string, std::string> values;
    const std::set<std::string> keys = expect_assignments(out.text(), values);
    // Texts come back exactly once their escapes are taken off.
    expect(values["hostname_long"] == host_name, "the host name comes back",
           [&] { return std::string(values["hostname_long"]); });
    if (kernel.known)
        expect(values["system_release"] == kernel.names.release, "the kernel release comes back",
               [&] { return std::string(values["system_release"]); });
    // The battery list names exactly the units written.
    std::string units;
    for (const std::string& key : keys) {
        unsigned n = 0;
        char rest[32] = {};
        if (sscanf(key.c_str(), "battery_%u_%31s", &n, rest) == 2 && strcmp(rest, "status") == 0)
            units += (units.empty() ? "" : " ") + std::to_string(n);
    }
    expect(keys.count("battery_list") == 1, "the battery list");
    // Version 1 writes the same swap keys with swap and without.
    if (version >= 1 && keys.count("system_mem_total"))
        expect(keys.count("system_swap_used") == 1 && keys.count("system_swap_freepct") == 1, "every swap key");
    std::set<std::string> listed_units;
    for (std::size_t at = 0; at < units.size();) {
        std::size_t end = units.find(' ', at);
        end = end == std::string::npos ? units.size() : end;
        listed_units.insert(units.substr(at, end - at));
        at = end + 1;
    }
    std::set<std::string> in_list;
    const std::string& battery_list = values["battery_list"];
    for (std::size_t at = 0; at < battery_list.size();) {
        std::size_t end = battery_list.find(' ', at);
        end = end == std::string::npos ? battery_list.size() : end;
        in_list.insert(battery_list.substr(at, end - at));
        at = end + 1;
    }
    expect(in_list == listed_units, "the battery list names the units written", [&] { return std::string(battery_list); });
    // The interface list names every interface written, each once.
    std::set<std::string> interfaces;
    for (const std::string& key : keys) {
        unsigned n = 0;
        char rest[32] = {};
        if (sscanf(key.c_str(), "netif_%u_%31s", &n, rest) == 2 && strcmp(rest, "name") == 0)
            interfaces.insert(std::to_string(n));
    }
    std::set<std::string> listed;
    const std::string& netif_list = values["netif_list"];
    std::size_t items = 0;
    for (std::size_t at = 0; at < netif_list.size(); ++items) {
        std::size_t end = netif_list.find(' ', at);
        end = end == std::string::npos ? netif_list.size() : end;
        listed.insert(netif_list.substr(at, end - at));
        at = end + 1;
    }
    expect(listed == interfaces && items == listed.size(), "the interface list names every interface once",
           [&] { return std::string(netif_list); });
    return 0;
}
