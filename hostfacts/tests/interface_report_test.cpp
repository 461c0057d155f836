// SPDX-License-Identifier: BSD-2-Clause
// The network interface section with made-up interface address lists.
#include "hostfacts/interface_report.hpp"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#if defined(__linux__)
#include <netpacket/packet.h>
#elif defined(__FreeBSD__)
#include <sys/types.h>
#include <net/if_dl.h>
#endif

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/captured_stream.hpp"

namespace {

using namespace hostfacts;

using captured = testsupport::captured_stream;

// A made-up interface address list, linked in the order entries are added.
struct address_list {
    std::deque<ifaddrs> items;
    std::deque<sockaddr_storage> addresses;
    std::deque<std::string> names;

    sockaddr* keep(const sockaddr_storage& address)
    {
        addresses.push_back(address);
        return reinterpret_cast<sockaddr*>(&addresses.back());
    }

    void add(const std::string& name, unsigned flags, sockaddr* address, sockaddr* mask = nullptr)
    {
        names.push_back(name);
        ifaddrs item{};
        item.ifa_name = names.back().data();
        item.ifa_flags = flags;
        item.ifa_addr = address;
        item.ifa_netmask = mask;
        items.push_back(item);
        if (items.size() > 1)
            items[items.size() - 2].ifa_next = &items.back();
    }

    sockaddr* ipv4(const char* text)
    {
        sockaddr_storage s{};
        auto* in = reinterpret_cast<sockaddr_in*>(&s);
        in->sin_family = AF_INET;
        EXPECT_EQ(inet_pton(AF_INET, text, &in->sin_addr), 1) << text;
        return keep(s);
    }

    sockaddr* ipv6(const char* text)
    {
        sockaddr_storage s{};
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&s);
        in6->sin6_family = AF_INET6;
        EXPECT_EQ(inet_pton(AF_INET6, text, &in6->sin6_addr), 1) << text;
        return keep(s);
    }

    // A netmask of `bits` leading ones, in the given family's address field.
    sockaddr* mask(int family, unsigned bits)
    {
        sockaddr_storage s{};
        unsigned char* bytes = family == AF_INET
                                   ? reinterpret_cast<unsigned char*>(&reinterpret_cast<sockaddr_in*>(&s)->sin_addr)
                                   : reinterpret_cast<sockaddr_in6*>(&s)->sin6_addr.s6_addr;
        s.ss_family = static_cast<sa_family_t>(family);
        for (unsigned i = 0; i < bits; ++i)
            bytes[i / 8] |= static_cast<unsigned char>(0x80 >> (i % 8));
        return keep(s);
    }

    sockaddr* link(std::vector<unsigned char> bytes, int index = 0)
    {
        sockaddr_storage s{};
#if defined(__linux__)
        auto* ll = reinterpret_cast<sockaddr_ll*>(&s);
        ll->sll_family = AF_PACKET;
        ll->sll_ifindex = index;
        ll->sll_halen = static_cast<unsigned char>(bytes.size());
        if (!bytes.empty())
            memcpy(ll->sll_addr, bytes.data(), bytes.size());
#elif defined(__FreeBSD__)
        // No interface name in the entry: the address starts the data.
        auto* dl = reinterpret_cast<sockaddr_dl*>(&s);
        dl->sdl_len = sizeof(sockaddr_dl);
        dl->sdl_family = AF_LINK;
        dl->sdl_index = static_cast<unsigned short>(index);
        dl->sdl_alen = static_cast<unsigned char>(bytes.size());
        if (!bytes.empty())
            memcpy(LLADDR(dl), bytes.data(), bytes.size());
#endif
        return keep(s);
    }

    const ifaddrs* head() const { return items.empty() ? nullptr : &items.front(); }
};

// Collect, sort, give each entry the index of its name, and write.
struct section_result {
    std::string out, err;
    bool written;
};

section_result run_section(const address_list& list, const std::map<std::string, unsigned>& indexes)
{
    auto table = std::make_unique<interface_table>();
    captured out, err;
    collect_interfaces(list.head(), *table, err.stream);
    sort_interfaces(*table);
    for (std::size_t i = 0; i < table->count; ++i) {
        const auto found = indexes.find(table->entries[i].name);
        table->entries[i].index = found == indexes.end() ? 0 : found->second;
    }
    const bool written = write_interfaces(out.stream, err.stream, *table);
    return {out.text(), err.text(), written};
}

TEST(Interfaces, EmptyListWritesOnlyTheEmptyInterfaceList)
{
    const section_result r = run_section(address_list{}, {});
    EXPECT_EQ(r.out, "netif_list=\"\"\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.written);
}

TEST(Interfaces, TwoInterfacesWithEveryFamilyInAddressOrder)
{
    address_list l;
    // Given in an order other than the report's.
    l.add("lo0", 0x8049, l.ipv6("fe80::1"), l.mask(AF_INET6, 64));
    l.add("em0", 0x8843, l.ipv6("fe80::211:22ff:fe33:4455"), l.mask(AF_INET6, 64));
    l.add("em0", 0x8843, l.ipv6("2001:db8::10"), l.mask(AF_INET6, 64));
    l.add("lo0", 0x8049, l.link({}));
    l.add("lo0", 0x8049, l.ipv4("127.0.0.1"), l.mask(AF_INET, 8));
    l.add("em0", 0x8843, l.link({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
    l.add("lo0", 0x8049, l.ipv6("::1"), l.mask(AF_INET6, 128));
    l.add("em0", 0x8843, l.ipv4("192.168.1.10"), l.mask(AF_INET, 24));
    const section_result r = run_section(l, {{"em0", 1}, {"lo0", 2}});
    EXPECT_EQ(r.out,
              "netif_1_name=\"em0\"\n"
              "netif_1_flags=\"0x8843: <UP> <RUNNING>\"\n"
              "netif_1_ipv4=\"192.168.1.10/24\"\n"
              "netif_1_mac=\"00:11:22:33:44:55\"\n"
              "netif_1_ipv6=\"2001:db8::10/64\"\n"
              "netif_2_name=\"lo0\"\n"
              "netif_2_flags=\"0x8049: <UP> <RUNNING> <LOOPBACK>\"\n"
              "netif_2_mac=\"\"\n"
              "netif_list=\"1 2\"\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.written);
}

TEST(Interfaces, AddressesOfOneFamilyInNumericOrder)
{
    address_list l;
    l.add("em0", 1, l.ipv4("192.168.1.10"), l.mask(AF_INET, 24));
    l.add("em0", 1, l.ipv4("10.0.0.10"), l.mask(AF_INET, 8));
    l.add("em0", 1, l.ipv4("10.0.0.9"), l.mask(AF_INET, 8));
    l.add("em0", 1, l.ipv6("2001:db8::a"));
    l.add("em0", 1, l.ipv6("2001:db8::9"));
    l.add("em0", 1, l.ipv6("2001:db7:ffff::1"));
    l.add("em0", 1, l.link({1, 2, 3}));
    l.add("em0", 1, l.link({0xff, 0xff}));
    l.add("em0", 1, l.link({0, 2, 3}));
    const section_result r = run_section(l, {{"em0", 7}});
    EXPECT_EQ(r.out,
              "netif_7_name=\"em0\"\n"
              "netif_7_flags=\"0x1: <UP>\"\n"
              "netif_7_ipv4=\"10.0.0.9/8 10.0.0.10/8 192.168.1.10/24\"\n"
              "netif_7_mac=\"ff:ff 00:02:03 01:02:03\"\n"
              "netif_7_ipv6=\"2001:db7:ffff::1/128 2001:db8::9/128 2001:db8::a/128\"\n"
              "netif_list=\"7\"\n");
}

TEST(Interfaces, NamesInByteOrderAndTheListFollowsThem)
{
    address_list l;
    l.add("em2", 0, l.link({2}));
    l.add("em10", 0, l.link({10}));
    l.add("em0", 0, l.link({0}));
    const section_result r = run_section(l, {{"em0", 1}, {"em2", 2}, {"em10", 3}});
    EXPECT_EQ(r.out,
              "netif_1_name=\"em0\"\nnetif_1_flags=\"0x0: <DOWN>\"\nnetif_1_mac=\"00\"\n"
              "netif_3_name=\"em10\"\nnetif_3_flags=\"0x0: <DOWN>\"\nnetif_3_mac=\"0a\"\n"
              "netif_2_name=\"em2\"\nnetif_2_flags=\"0x0: <DOWN>\"\nnetif_2_mac=\"02\"\n"
              "netif_list=\"1 3 2\"\n");
}

TEST(Interfaces, OnlyTheExactLoopbackAddressesAreDropped)
{
    address_list l;
    l.add("lo", 0x49, l.ipv4("127.0.0.1"));
    l.add("lo", 0x49, l.ipv4("127.0.0.2"));
    l.add("lo", 0x49, l.ipv6("::1"));
    l.add("lo", 0x49, l.ipv6("::2"));
    l.add("lo", 0x49, l.ipv6("febf::1"));
    l.add("lo", 0x49, l.ipv6("fec0::1"));
    const section_result r = run_section(l, {{"lo", 1}});
    EXPECT_EQ(r.out,
              "netif_1_name=\"lo\"\nnetif_1_flags=\"0x49: <UP> <RUNNING> <LOOPBACK>\"\n"
              "netif_1_ipv4=\"127.0.0.2/32\"\nnetif_1_ipv6=\"::2/128 fec0::1/128\"\n"
              "netif_list=\"1\"\n");
}

TEST(Interfaces, PrefixIsTheNumberOfMaskBits)
{
    address_list l;
    l.add("em0", 1, l.ipv4("10.1.2.3"), l.mask(AF_INET, 0));
    l.add("em0", 1, l.ipv4("10.1.2.4"), l.mask(AF_INET, 32));
    l.add("em0", 1, l.ipv4("10.1.2.5"), l.mask(AF_INET, 17));
    l.add("em0", 1, l.ipv6("2001:db8::1"), l.mask(AF_INET6, 127));
    const section_result r = run_section(l, {{"em0", 1}});
    EXPECT_NE(r.out.find("netif_1_ipv4=\"10.1.2.3/0 10.1.2.4/32 10.1.2.5/17\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("netif_1_ipv6=\"2001:db8::1/127\"\n"), std::string::npos) << r.out;
    const unsigned char scattered[4] = {0xf0, 0x0f, 0x01, 0x80};
    EXPECT_EQ(count_mask_bits(scattered, 4), 10u);
}

TEST(Interfaces, FlagTextsOfThePlatformBits)
{
    const flag_bits& f = platform_flags;
    address_list l;
    l.add("a", f.up | f.lower_up | f.running | f.loopback | f.pointopoint, l.link({}));
    l.add("b", f.pointopoint | f.lower_up, l.link({}));
    const section_result r = run_section(l, {{"a", 1}, {"b", 2}});
    char expected[512];
    snprintf(expected, sizeof expected,
             "netif_1_name=\"a\"\nnetif_1_flags=\"0x%x: <UP> <LOWER_UP> <RUNNING> <LOOPBACK> <POINTOPOINT>\"\n"
             "netif_1_mac=\"\"\n"
             "netif_2_name=\"b\"\nnetif_2_flags=\"0x%x: <DOWN> <LOWER_UP> <POINTOPOINT>\"\n"
             "netif_2_mac=\"\"\nnetif_list=\"1 2\"\n",
             f.up | f.lower_up | f.running | f.loopback | f.pointopoint, f.pointopoint | f.lower_up);
    EXPECT_EQ(r.out, expected);
}

TEST(Interfaces, FlagsAreThoseOfTheFirstEntryInAddressOrder)
{
    address_list l;
    l.add("em0", 0x40, l.ipv6("2001:db8::1"));
    l.add("em0", 0x1, l.ipv4("10.0.0.1"));
    const section_result r = run_section(l, {{"em0", 1}});
    EXPECT_NE(r.out.find("netif_1_flags=\"0x1: <UP>\"\n"), std::string::npos) << r.out;
}

TEST(Interfaces, EntriesWithoutAddressOrWithOtherFamiliesAreLeftOut)
{
    address_list l;
    l.add("em0", 1, nullptr);
    sockaddr_storage unix_address{};
    unix_address.ss_family = AF_UNIX;
    l.add("em0", 1, l.keep(unix_address));
    l.add("em1", 1, nullptr);
    l.add("em0", 1, l.ipv4("10.0.0.1"), l.mask(AF_INET, 8));
    const section_result r = run_section(l, {{"em0", 1}, {"em1", 2}});
    EXPECT_EQ(r.out, "netif_1_name=\"em0\"\nnetif_1_flags=\"0x1: <UP>\"\nnetif_1_ipv4=\"10.0.0.1/8\"\n"
                     "netif_list=\"1\"\n");
}

TEST(Interfaces, NamesWithoutIndexAreLeftOutOfLinesAndList)
{
    address_list l;
    l.add("gone", 1, l.ipv4("10.0.0.2"));
    l.add("em0", 1, l.ipv4("10.0.0.1"));
    l.add("zz", 1, l.ipv4("10.0.0.3"));
    const section_result r = run_section(l, {{"em0", 4}, {"zz", 4}});
    // Different names with one index continue one interface's lines.
    EXPECT_EQ(r.out,
              "netif_4_name=\"em0\"\nnetif_4_flags=\"0x1: <UP>\"\nnetif_4_ipv4=\"10.0.0.1/32 10.0.0.3/32\"\n"
              "netif_list=\"4\"\n");
}

TEST(Interfaces, NoKeyTwiceWhenNamesShareAnIndex)
{
    address_list l;
    l.add("a", 1, l.ipv4("10.0.0.1"));
    l.add("a", 1, l.ipv6("2001:db8::1"));
    l.add("b", 1, l.ipv4("10.0.0.2"));     // after a's IPv6 list: left out
    l.add("c", 1, l.ipv6("2001:db8::3"));  // continues the open list
    l.add("d", 1, l.ipv4("10.0.0.4"));
    l.add("e", 1, l.link({5}));            // index 5 came before: left out
    const section_result r = run_section(l, {{"a", 5}, {"b", 5}, {"c", 5}, {"d", 6}, {"e", 5}});
    EXPECT_EQ(r.out,
              "netif_5_name=\"a\"\nnetif_5_flags=\"0x1: <UP>\"\nnetif_5_ipv4=\"10.0.0.1/32\"\n"
              "netif_5_ipv6=\"2001:db8::1/128 2001:db8::3/128\"\n"
              "netif_6_name=\"d\"\nnetif_6_flags=\"0x1: <UP>\"\nnetif_6_ipv4=\"10.0.0.4/32\"\n"
              "netif_list=\"5 6\"\n");
}

TEST(Interfaces, AFullTableWarnsOnceAndKeepsItsEntries)
{
    address_list l;
    char name[16];
    for (unsigned i = 0; i < interface_slots; ++i) {
        snprintf(name, sizeof name, "if%04u", i);
        l.add(name, 1, l.link({static_cast<unsigned char>(i)}));
    }
    l.add("lo", 1, nullptr);                 // no address: not counted, no warning
    l.add("lo", 1, l.ipv4("127.0.0.1"));     // would be dropped, but the table is full
    l.add("lo", 1, l.ipv4("10.0.0.1"));
    auto table = std::make_unique<interface_table>();
    captured err;
    collect_interfaces(l.head(), *table, err.stream);
    EXPECT_EQ(table->count, interface_slots);
    EXPECT_TRUE(table->truncated);
    EXPECT_EQ(err.text(), "WARNING: Truncated list of interface addresses!\n");
}

TEST(Interfaces, ExactlyAFullTableIsNoTruncation)
{
    address_list l;
    for (unsigned i = 0; i < interface_slots; ++i)
        l.add("em0", 1, l.link({static_cast<unsigned char>(i >> 8), static_cast<unsigned char>(i)}));
    l.add("em0", 1, nullptr);
    auto table = std::make_unique<interface_table>();
    captured err;
    collect_interfaces(l.head(), *table, err.stream);
    EXPECT_EQ(table->count, interface_slots);
    EXPECT_FALSE(table->truncated);
    EXPECT_EQ(err.text(), "");
    sort_interfaces(*table);
    for (std::size_t i = 1; i < table->count; ++i)
        ASSERT_LT(compare_entries(table->entries[i - 1], table->entries[i]), 0) << i;
}

TEST(Interfaces, AFailedConversionStopsWithTheResolversText)
{
    // An entry whose socket address is of no family getnameinfo converts.
    sockaddr_storage odd{};
    odd.ss_family = AF_UNSPEC;
    auto table = std::make_unique<interface_table>();
    table->count = 2;
    table->entries[0] = interface_entry{"em0", kind_link, nullptr, nullptr, 0, 0, 1, 3};
    table->entries[1] = interface_entry{"em0", kind_ipv6, reinterpret_cast<sockaddr*>(&odd), nullptr, 0, 64, 1, 3};
    captured out, err;
    EXPECT_FALSE(write_interfaces(out.stream, err.stream, *table));
    EXPECT_EQ(out.text(), "netif_3_name=\"em0\"\nnetif_3_flags=\"0x1: <UP>\"\nnetif_3_mac=\"\"\nnetif_3_ipv6=\"");
    EXPECT_EQ(err.text(), std::string("ERROR: getnameinfo() failed: ") + gai_strerror(EAI_FAMILY) + "\n");
}

TEST(Interfaces, CompareEntriesRules)
{
    address_list l;
    const unsigned char six[6] = {1, 2, 3, 4, 5, 6};
    const unsigned char five[5] = {9, 9, 9, 9, 9};
    const interface_entry v4a{"a", kind_ipv4, l.ipv4("9.255.255.255"), nullptr, 0, 0, 0, 0};
    const interface_entry v4b{"a", kind_ipv4, l.ipv4("10.0.0.0"), nullptr, 0, 0, 0, 0};
    const interface_entry mac5{"a", kind_link, nullptr, five, 5, 0, 0, 0};
    const interface_entry mac6{"a", kind_link, nullptr, six, 6, 0, 0, 0};
    const interface_entry v6a{"a", kind_ipv6, l.ipv6("::ffff:ffff:ffff:ffff"), nullptr, 0, 0, 0, 0};
    const interface_entry v6b{"a", kind_ipv6, l.ipv6("0:0:0:1::"), nullptr, 0, 0, 0, 0};
    const interface_entry other{"b", kind_ipv4, l.ipv4("0.0.0.0"), nullptr, 0, 0, 0, 0};
    const interface_entry* order[] = {&v4a, &v4b, &mac5, &mac6, &v6a, &v6b, &other};
    for (std::size_t i = 0; i < std::size(order); ++i)
        for (std::size_t j = 0; j < std::size(order); ++j) {
            const int c = compare_entries(*order[i], *order[j]);
            EXPECT_EQ(c < 0, i < j) << i << " " << j;
            EXPECT_EQ(c == 0, i == j) << i << " " << j;
        }
}

}  // namespace

namespace {

// Index lookups by name for assign_interface_indexes, with a record of the
// names asked for.
std::vector<std::string> asked;
std::uint32_t made_up_index(const char* name)
{
    asked.emplace_back(name);
    static const std::map<std::string, std::uint32_t> known = {{"em0", 7}, {"em0:1", 7}, {"lo0", 1}};
    const auto found = known.find(name);
    return found == known.end() ? 0 : found->second;
}

struct index_case {
    const char* title;
    std::vector<interface_entry> entries;   // sorted, with the indexes collecting gave them
    std::vector<std::uint32_t> expected;    // index of each entry afterwards
    std::vector<std::string> lookups;       // names looked up, in order
};

class AssignIndexes : public ::testing::TestWithParam<index_case> {};

TEST_P(AssignIndexes, LinkEntriesAnswerForTheirNameAndOthersAreLookedUpOnce)
{
    const index_case& c = GetParam();
    auto table = std::make_unique<interface_table>();
    table->count = c.entries.size();
    for (std::size_t i = 0; i < c.entries.size(); ++i)
        table->entries[i] = c.entries[i];
    asked.clear();
    assign_interface_indexes(*table, made_up_index);
    for (std::size_t i = 0; i < c.entries.size(); ++i)
        EXPECT_EQ(table->entries[i].index, c.expected[i]) << c.title << " entry " << i;
    EXPECT_EQ(asked, c.lookups) << c.title;
}

interface_entry entry(const char* name, address_kind kind, std::uint32_t index)
{
    interface_entry e;
    e.name = name;
    e.kind = kind;
    e.index = index;
    return e;
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, AssignIndexes,
    ::testing::Values(
        index_case{"empty table", {}, {}, {}},
        index_case{"link entry gives the index to the addresses around it",
                   {entry("em0", kind_ipv4, 0), entry("em0", kind_link, 3), entry("em0", kind_ipv6, 0)},
                   {3, 3, 3},
                   {}},
        index_case{"the carried index wins over the name's",
                   {entry("em0", kind_link, 2)}, {2}, {}},
        index_case{"a label without link entry is looked up",
                   {entry("em0", kind_link, 7), entry("em0:1", kind_ipv4, 0), entry("em0:1", kind_ipv4, 0)},
                   {7, 7, 7},
                   {"em0:1"}},
        index_case{"a link entry without index is looked up once",
                   {entry("lo0", kind_ipv4, 0), entry("lo0", kind_link, 0), entry("lo0", kind_ipv6, 0)},
                   {1, 1, 1},
                   {"lo0"}},
        index_case{"an unknown name stays without index",
                   {entry("gone0", kind_ipv4, 0), entry("lo0", kind_link, 1)},
                   {0, 1},
                   {"gone0"}}),
    [](const ::testing::TestParamInfo<index_case>& param) { return "Case" + std::to_string(param.index); });

TEST(Interfaces, CollectingKeepsTheIndexALinkEntryCarries)
{
    address_list l;
    l.add("em0", 1, l.ipv4("10.0.0.1"), l.mask(AF_INET, 8));
    l.add("em0", 1, l.link({1, 2}, 5));
    auto table = std::make_unique<interface_table>();
    captured err;
    collect_interfaces(l.head(), *table, err.stream);
    ASSERT_EQ(table->count, 2u);
    EXPECT_EQ(table->entries[0].index, 0u);
    EXPECT_EQ(table->entries[1].kind, kind_link);
    EXPECT_EQ(table->entries[1].index, 5u);
}

#if defined(__linux__)
// Address labels ("em0:1") are a Linux notion.
TEST(Interfaces, AnAddressLabelBelongsToItsInterface)
{
    address_list l;
    l.add("em0", 1, l.ipv4("10.0.0.1"), l.mask(AF_INET, 8));
    l.add("em0", 1, l.link({1, 2}, 5));
    l.add("em0.7", 1, l.link({1, 3}, 6));     // sorts between em0 and em0:1
    l.add("em0", 1, l.ipv6("2001:db8::1"));
    l.add("em0:1", 1, l.ipv4("10.0.0.2"), l.mask(AF_INET, 8));
    l.add("em0:1", 1, l.ipv4("9.0.0.1"), l.mask(AF_INET, 8));
    l.add("gone:1", 1, l.ipv4("10.0.0.3"));   // no entry of its interface: keeps its name
    auto table = std::make_unique<interface_table>();
    captured out, err;
    collect_interfaces(l.head(), *table, err.stream);
    sort_interfaces(*table);
    assign_interface_indexes(*table, [](const char*) -> std::uint32_t { return 0; });
    EXPECT_TRUE(write_interfaces(out.stream, err.stream, *table));
    EXPECT_EQ(out.text(),
              "netif_5_name=\"em0\"\nnetif_5_flags=\"0x1: <UP>\"\n"
              "netif_5_ipv4=\"9.0.0.1/8 10.0.0.1/8 10.0.0.2/8\"\n"
              "netif_5_mac=\"01:02\"\nnetif_5_ipv6=\"2001:db8::1/128\"\n"
              "netif_6_name=\"em0.7\"\nnetif_6_flags=\"0x1: <UP>\"\nnetif_6_mac=\"01:03\"\n"
              "netif_list=\"5 6\"\n");
}
#endif

TEST(DefaultRoutes, BothFamiliesEmptyTextsOrTheMessage)
{
    route_facts routes;
    routes.ipv6.found = true;
    strcpy(routes.ipv6.name, "t$0");
    strcpy(routes.ipv6.gateway, "2001:db8::1");
    captured out, err;
    write_default_routes(out.stream, err.stream, routes);
    EXPECT_EQ(out.text(),
              "netif_default_ipv4_name=\"\"\nnetif_default_ipv4_gateway=\"\"\n"
              "netif_default_ipv6_name=\"t\\$0\"\nnetif_default_ipv6_gateway=\"2001:db8::1\"\n");
    EXPECT_EQ(err.text(), "");

    routes.ipv4.failed_label = "/proc/net/route";
    routes.ipv4.error = EACCES;
    captured only_ipv6, message;
    write_default_routes(only_ipv6.stream, message.stream, routes);
    EXPECT_EQ(only_ipv6.text(), "netif_default_ipv6_name=\"t\\$0\"\nnetif_default_ipv6_gateway=\"2001:db8::1\"\n");
    EXPECT_EQ(message.text(), std::string("/proc/net/route: ") + strerror(EACCES) + "\n");
}

}  // namespace
