// SPDX-License-Identifier: BSD-2-Clause
// The readers of os-release, /proc/cpuinfo, Linux's routing tables, FreeBSD's
// routing messages and sysctl values, with made-up input on any system.
#include "hostfacts/fact_parsers.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace hostfacts;

struct text_case {
    std::string text;
    const char* expected;  // nullptr: not found
};

class OsRelease : public testing::TestWithParam<text_case> {};

TEST_P(OsRelease, NameAsTheShellReadsIt)
{
    char value[32];
    memset(value, 'x', sizeof value);
    const bool found = os_release_value(GetParam().text.data(), GetParam().text.size(), "NAME", value, sizeof value);
    ASSERT_EQ(found, GetParam().expected != nullptr) << GetParam().text;
    if (found) {
        EXPECT_STREQ(value, GetParam().expected) << GetParam().text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, OsRelease,
    testing::Values(text_case{"PRETTY_NAME=\"Debian 12\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n",
                              "Debian GNU/Linux"},
                    text_case{"NAME=\"a \\\"q\\\" \\$HOME \\\\ \\`x\\` \\n\"", "a \"q\" $HOME \\ `x` \\n"},
                    text_case{"NAME='single $x \\'", "single $x \\"},
                    text_case{"NAME=Fedora # comment\n", "Fedora"},
                    text_case{"NAME=un\\ quoted\" and \"'joined'\r\n", "un quoted and joined"},
                    text_case{"#NAME=no\n  NAME=indented\nNAME=\nNAME=last\n", "last"},
                    text_case{"NAME=\"unterminated", "unterminated"},
                    text_case{"NAME=\"" + std::string(100, 'y') + "\"", "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy"},
                    text_case{"NAMES=x\nMY_NAME=y\nNAME\n", nullptr},
                    text_case{"", nullptr}));

class CpuinfoModel : public testing::TestWithParam<text_case> {};

TEST_P(CpuinfoModel, FirstNamingLine)
{
    char model[64];
    cpuinfo_model(GetParam().text.data(), GetParam().text.size(), model, sizeof model);
    EXPECT_STREQ(model, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CpuinfoModel,
    testing::Values(text_case{"processor\t: 0\nvendor_id\t: AuthenticAMD\ncpu family\t: 25\nmodel\t\t: 1\n"
                              "model name\t: AMD EPYC 7763 64-Core Processor  \nprocessor\t: 1\n"
                              "model name\t: second\n",
                              "AMD EPYC 7763 64-Core Processor"},
                    text_case{"Processor\t: ARMv7 Processor rev 4 (v7l)\nprocessor\t: 0\n", "ARMv7 Processor rev 4 (v7l)"},
                    text_case{"processor\t: 0\ncpu\t\t: POWER9 (raw), altivec supported\n",
                              "POWER9 (raw), altivec supported"},
                    text_case{"system type\t: x\ncpu model\t: MIPS 24Kc V7.4\n", "MIPS 24Kc V7.4"},
                    text_case{"processor\t: 0\nBogoMIPS\t: 48.00\nCPU implementer\t: 0x41\ncpu family\t: 6\n", ""},
                    text_case{"model name\t:", ""}, text_case{"", ""}));

// A /proc/net/route line for a route to 0/0 as the kernel writes it: the
// gateway's four bytes as one hexadecimal number in memory order.
std::string ipv4_route(const char* name, const unsigned char gateway[4], unsigned flags, unsigned metric,
                       const char* destination = "00000000")
{
    std::uint32_t word;
    memcpy(&word, gateway, 4);
    char line[160];
    snprintf(line, sizeof line, "%s\t%s\t%08X\t%04X\t0\t0\t%u\t00000000\t0\t0\t0\n", name, destination, word,
             flags, metric);
    return line;
}

const std::string ipv4_heading = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
const unsigned char gw1[4] = {192, 0, 2, 1};
const unsigned char gw2[4] = {10, 0, 0, 1};
const unsigned char none[4] = {0, 0, 0, 0};

// A routing table and the reader of its family.
struct route_case {
    void (*read)(const char* text, std::size_t length, default_route& route);
    std::string text;
    const char* name;  // nullptr: no default route
    const char* gateway;
};

std::string found(const default_route& r)
{
    return r.found ? std::string(r.name) + " via '" + r.gateway + "'" : "none";
}

std::string expected(const route_case& c)
{
    return c.name ? std::string(c.name) + " via '" + c.gateway + "'" : "none";
}

constexpr auto read_v4 = linux_ipv4_default_route;
constexpr auto read_v6 = linux_ipv6_default_route;

class LinuxRoutes : public testing::TestWithParam<route_case> {};

TEST_P(LinuxRoutes, LowestMetricThatIsUp)
{
    default_route route;
    GetParam().read(GetParam().text.data(), GetParam().text.size(), route);
    EXPECT_EQ(found(route), expected(GetParam())) << GetParam().text;
}

// /proc/net/route, after a heading.
INSTANTIATE_TEST_SUITE_P(
    Ipv4, LinuxRoutes,
    testing::Values(route_case{read_v4, ipv4_heading + ipv4_route("eth0", gw1, 3, 0), "eth0", "192.0.2.1"},
                    route_case{read_v4, ipv4_heading + ipv4_route("wlan0", gw2, 3, 600) + ipv4_route("eth0", gw1, 3, 100) +
                                   ipv4_route("eth1", gw2, 3, 100),
                               "eth0", "192.0.2.1"},
                    route_case{read_v4, ipv4_heading + ipv4_route("ppp0", none, 1, 0), "ppp0", ""},
                    route_case{read_v4, ipv4_heading + ipv4_route("*", none, 0x201, 0) + ipv4_route("eth0", gw1, 2, 0),
                               nullptr, ""},
                    route_case{read_v4, ipv4_heading + ipv4_route("eth0", gw1, 1, 0, "000200C0"), nullptr, ""},
                    route_case{read_v4, ipv4_heading + "eth0\t00000000\tzz\t0003\t0\t0\t0\t00000000\n" +
                                   ipv4_route("eth9", gw2, 3, 5),
                               "eth9", "10.0.0.1"},
                    route_case{read_v4, ipv4_heading, nullptr, ""}, route_case{read_v4, "", nullptr, ""}));

const std::string zero = "00000000000000000000000000000000";

std::string ipv6_route(const std::string& next_hop, const char* metric, const char* flags, const char* name,
                       const char* source_prefix = "00")
{
    return zero + " 00 " + zero + " " + source_prefix + " " + next_hop + " " + metric + " 00000001 00000000 " +
           flags + "     " + name + "\n";
}

// /proc/net/ipv6_route, without one.
INSTANTIATE_TEST_SUITE_P(
    Ipv6, LinuxRoutes,
    testing::Values(
        route_case{read_v6, "fd000000000000000000000000000000 40 " + zero + " 00 " + zero + " 00000100 00000001 00000000 00000001 eth0\n" +
                       ipv6_route("fd000000000000000000000000000001", "00000400", "00000003", "eth0") +
                       ipv6_route(zero, "ffffffff", "00200200", "lo"),
                   "eth0", "fd00::1"},
        route_case{read_v6, ipv6_route("fe800000000000000000000000000001", "00000400", "00000003", "wlan0") +
                       ipv6_route("fe80000000000000021122fffe334455", "00000100", "00040003", "eth0"),
                   "eth0", "fe80::211:22ff:fe33:4455"},
        route_case{read_v6, ipv6_route(zero, "00000400", "00000001", "tun0"), "tun0", ""},
        route_case{read_v6, ipv6_route("fd000000000000000000000000000001", "00000400", "00000003", "eth0", "30"),
                   nullptr, ""},
        route_case{read_v6, ipv6_route(zero, "ffffffff", "00200200", "lo"), nullptr, ""},
        route_case{read_v6, "", nullptr, ""}));

// A routing message as FreeBSD's kernel writes it, built byte by byte.
struct message {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(freebsd_route::header_size, 0);

    template <typename T>
    void put(std::size_t offset, T value)
    {
        memcpy(bytes.data() + offset, &value, sizeof value);
    }
    // One socket address: its length, family and the bytes after them,
    // padded to a multiple of 8 (a length of 0 takes 8 bytes).
    void address(unsigned length, unsigned family, std::vector<unsigned char> rest)
    {
        const std::size_t at = bytes.size();
        bytes.resize(at + (length == 0 ? 8 : (length + 7) / 8 * 8), 0);
        bytes[at] = static_cast<unsigned char>(length);
        bytes[at + 1] = static_cast<unsigned char>(family);
        std::copy(rest.begin(), rest.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at) + 2);
    }
    std::vector<unsigned char> done(std::uint32_t flags, std::uint32_t addrs)
    {
        put<std::uint16_t>(freebsd_route::length_offset, static_cast<std::uint16_t>(bytes.size()));
        bytes[freebsd_route::version_offset] = freebsd_route::version;
        bytes[freebsd_route::type_offset] = freebsd_route::type_get;
        put<std::uint32_t>(freebsd_route::flags_offset, flags);
        put<std::uint32_t>(freebsd_route::addrs_offset, addrs);
        return bytes;
    }
};

// sockaddr_dl after length and family: index, type, name length, address
// length, selector length, then the name.
std::vector<unsigned char> link_named(const char* name)
{
    std::vector<unsigned char> rest = {3, 0, 6, static_cast<unsigned char>(strlen(name)), 0, 0};
    for (const char* c = name; *c; ++c)
        rest.push_back(static_cast<unsigned char>(*c));
    return rest;
}

TEST(FreebsdRouteReply, InterfaceAndGatewayOfEachFamily)
{
    constexpr std::uint32_t dst = 0x1, gateway = 0x2, netmask = 0x4, ifp = 0x10, ifa = 0x20;
    message v4;
    v4.address(16, 2, {});
    v4.address(16, 2, {0, 0, 192, 0, 2, 1});
    v4.address(0, 0, {});  // the kernel's empty netmask of the default route
    v4.address(20, 18, link_named("igb0"));
    v4.address(16, 2, {0, 0, 192, 0, 2, 9});
    std::vector<unsigned char> bytes = v4.done(route_up | route_gateway, dst | gateway | netmask | ifp | ifa);
    default_route route;
    ASSERT_TRUE(freebsd_route_reply(bytes.data(), bytes.size(), route));
    EXPECT_EQ(found(route), "igb0 via '192.0.2.1'");

    // IPv6 through a link-local router whose scope the kernel put in the address.
    message v6;
    v6.address(28, 28, {});
    v6.address(28, 28, {0, 0, 0, 0, 0, 0, 0xfe, 0x80, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    v6.address(28, 28, {});
    v6.address(20, 18, link_named("em0"));
    bytes = v6.done(route_up | route_gateway, dst | gateway | netmask | ifp);
    ASSERT_TRUE(freebsd_route_reply(bytes.data(), bytes.size(), route));
    EXPECT_EQ(found(route), "em0 via 'fe80::1'");

    // A route straight onto an interface has a link-level gateway: no address.
    message direct;
    direct.address(16, 2, {});
    direct.address(20, 18, link_named("tun0"));
    direct.address(20, 18, link_named("tun0"));
    bytes = direct.done(route_up, dst | gateway | ifp);
    ASSERT_TRUE(freebsd_route_reply(bytes.data(), bytes.size(), route));
    EXPECT_EQ(found(route), "tun0 via ''");

    // A rejecting route carries nothing anywhere.
    bytes = direct.done(route_up | route_reject, dst | gateway | ifp);
    ASSERT_TRUE(freebsd_route_reply(bytes.data(), bytes.size(), route));
    EXPECT_EQ(found(route), "none");
}

TEST(FreebsdRouteReply, BrokenMessagesAreRefused)
{
    message m;
    m.address(16, 2, {});
    m.address(20, 18, link_named("igb0"));
    const std::vector<unsigned char> good = m.done(route_up, 0x1 | 0x10);
    default_route route;
    ASSERT_TRUE(freebsd_route_reply(good.data(), good.size(), route));
    EXPECT_FALSE(freebsd_route_reply(good.data(), good.size() - 1, route)) << "shorter than it says";
    for (const auto& [offset, byte] : {std::pair<std::size_t, unsigned char>{freebsd_route::version_offset, 4},
                                       {freebsd_route::header_size + 16, 200},      // past the end
                                       {freebsd_route::addrs_offset, 0x1 | 0x10 | 0x20}}) {  // one too many
        std::vector<unsigned char> bad = good;
        bad[offset] = byte;
        EXPECT_FALSE(freebsd_route_reply(bad.data(), bad.size(), route)) << offset;
    }
}

TEST(SysctlValues, TextsAndCountsOfEitherWidth)
{
    char text[8];
    sysctl_text("Ryzen\0junk", 10, text, sizeof text);
    EXPECT_STREQ(text, "Ryzen");
    sysctl_text("no NUL at all", 13, text, sizeof text);
    EXPECT_STREQ(text, "no NUL ");
    std::uint64_t count = 0;
    const std::uint64_t wide = 1ULL << 40;
    const std::uint32_t narrow = 4000000000u;
    EXPECT_TRUE(sysctl_count(&wide, sizeof wide, &count) && count == wide);
    EXPECT_TRUE(sysctl_count(&narrow, sizeof narrow, &count) && count == narrow);
    EXPECT_FALSE(sysctl_count(&wide, 2, &count));
}

}  // namespace
