// SPDX-License-Identifier: BSD-2-Clause
// hostfacts's readers of what the systems hand it, over random bytes: an
// os-release text, /proc/cpuinfo, /proc/net/route, /proc/net/ipv6_route, a
// FreeBSD routing message and a sysctl value. Each must stay within its
// buffers and end its texts; a gateway found must be a numeric address of
// its family. And a text that the report writes between double quotes, put
// into an os-release file the same way, must read back as itself.
//
// Input: a text (up to the first NUL) for the round trip, then the bytes
// that every reader is given.
#include <arpa/inet.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.hpp"
#include "hostfacts/fact_parsers.hpp"
#include "hostfacts/report_line.hpp"

namespace {

using fuzzinput::expect;
using fuzzinput::shown;

// NUL within the buffer.
bool ended(const char* text, std::size_t size)
{
    return memchr(text, '\0', size) != nullptr;
}

void expect_route(const hostfacts::default_route& route, int family, const char* source)
{
    expect(ended(route.name, sizeof route.name) && ended(route.gateway, sizeof route.gateway), source);
    if (!route.found) {
        expect(route.name[0] == '\0' && route.gateway[0] == '\0', "no route, no texts");
        return;
    }
    if (route.gateway[0] != '\0') {
        unsigned char address[16];
        expect(inet_pton(family, route.gateway, address) == 1, "a numeric gateway of the family",
               [&] { return std::string(route.gateway); });
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzinput::reader in{data, size};
    const std::string text = in.field();
    const std::string bytes = in.rest();

    // The round trip: the report's quoting is the quoting os-release reads.
    if (text.find('\n') == std::string::npos) {
        fuzzinput::memory_output quoted;
        fputs("NAME=\"", quoted.stream);
        hostfacts::write_quoted(quoted.stream, text.data(), text.size());
        fputs("\"\n", quoted.stream);
        const std::string file = "PRETTY_NAME=x\n" + quoted.text() + "VERSION_ID=1\n";
        std::vector<char> value(text.size() + 1);
        expect(hostfacts::os_release_value(file.data(), file.size(), "NAME", value.data(), value.size()),
               "the name is found");
        expect(text == value.data(), "the name reads back as written", [&] { return shown(value.data()); });
    }

    char small[24];
    if (hostfacts::os_release_value(bytes.data(), bytes.size(), "VERSION_ID", small, sizeof small))
        expect(ended(small, sizeof small), "an os-release value is ended");
    hostfacts::cpuinfo_model(bytes.data(), bytes.size(), small, sizeof small);
    expect(ended(small, sizeof small), "a processor model is ended");
    hostfacts::sysctl_text(bytes.data(), bytes.size(), small, sizeof small);
    expect(ended(small, sizeof small), "a sysctl text is ended");
    std::uint64_t count = 0;
    expect(hostfacts::sysctl_count(bytes.data(), bytes.size(), &count) == (bytes.size() == 4 || bytes.size() == 8),
           "counts of 4 or 8 bytes only");

    hostfacts::default_route route;
    hostfacts::linux_ipv4_default_route(bytes.data(), bytes.size(), route);
    expect_route(route, AF_INET, "/proc/net/route");
    route = hostfacts::default_route{};
    hostfacts::linux_ipv6_default_route(bytes.data(), bytes.size(), route);
    expect_route(route, AF_INET6, "/proc/net/ipv6_route");

    // A message in its own buffer of exactly its size, so that reading past
    // its end is caught.
    std::vector<unsigned char> message(bytes.begin(), bytes.end());
    route = hostfacts::default_route{};
    if (hostfacts::freebsd_route_reply(message.data(), message.size(), route)) {
        expect_route(route, route.gateway[0] != '\0' && strchr(route.gateway, ':') ? AF_INET6 : AF_INET,
                     "a routing message");
    }
    return 0;
}
