// SPDX-License-Identifier: BSD-2-Clause
#include "hostfacts/fact_parsers.hpp"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cstring>

namespace hostfacts {

namespace {

// One line of a text: [begin, end), end at its newline or the text's end.
struct line_view {
    const char* begin;
    const char* end;
};

// The next line from `at`; false at the end of the text.
bool next_line(const char*& at, const char* text_end, line_view& line)
{
    if (at >= text_end)
        return false;
    const void* newline = memchr(at, '\n', static_cast<std::size_t>(text_end - at));
    line.begin = at;
    line.end = newline ? static_cast<const char*>(newline) : text_end;
    at = line.end + 1;
    return true;
}

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

void copy_text(const char* from, std::size_t length, char* to, std::size_t size)
{
    if (size == 0)
        return;
    const std::size_t n = length < size - 1 ? length : size - 1;
    memcpy(to, from, n);
    to[n] = '\0';
}

// Appends one byte to a NUL-ended text of `size` bytes; drops what does
// not fit.
void append(char* to, std::size_t size, std::size_t& used, char c)
{
    if (used + 1 < size) {
        to[used++] = c;
        to[used] = '\0';
    }
}

// The shell word of an os-release value: quotes taken off, up to the first
// blank outside quotes.
void unquote_value(const char* at, const char* end, char* value, std::size_t size)
{
    std::size_t used = 0;
    value[0] = '\0';
    char quote = 0;
    for (; at < end; ++at) {
        const char c = *at;
        if (quote == '\'') {
            if (c == '\'')
                quote = 0;
            else
                append(value, size, used, c);
        } else if (quote == '"') {
            if (c == '"')
                quote = 0;
            else if (c == '\\' && at + 1 < end && strchr("\\\"$`", at[1]) != nullptr)
                append(value, size, used, *++at);
            else
                append(value, size, used, c);
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '\\' && at + 1 < end) {
            append(value, size, used, *++at);
        } else if (blank(c)) {
            break;
        } else {
            append(value, size, used, c);
        }
    }
}

// A field of blank-separated text on one line: [begin, end).
bool next_field(const char*& at, const char* end, const char** begin, std::size_t* length)
{
    while (at < end && blank(*at))
        ++at;
    *begin = at;
    while (at < end && !blank(*at))
        ++at;
    *length = static_cast<std::size_t>(at - *begin);
    return *length > 0;
}

// The line's first count fields; false when it has fewer.
bool split_fields(const line_view& line, int count, const char** field, std::size_t* size)
{
    const char* f = line.begin;
    for (int i = 0; i < count; ++i) {
        if (!next_field(f, line.end, &field[i], &size[i]))
            return false;
    }
    return true;
}

bool hex_digit(char c, unsigned* value)
{
    if (c >= '0' && c <= '9')
        *value = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
        *value = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
        *value = static_cast<unsigned>(c - 'A' + 10);
    else
        return false;
    return true;
}

// A number of 1 to 16 hexadecimal or 1 to 19 decimal digits.
bool whole_number(const char* text, std::size_t length, unsigned base, std::uint64_t* value)
{
    if (length == 0 || length > (base == 16 ? 16u : 19u))
        return false;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < length; ++i) {
        unsigned digit = 0;
        if (!hex_digit(text[i], &digit) || digit >= base)
            return false;
        v = v * base + digit;
    }
    *value = v;
    return true;
}

bool hex_number(const char* text, std::size_t length, std::uint64_t* value)
{
    return whole_number(text, length, 16, value);
}

// 32 hexadecimal digits: the 16 bytes of an IPv6 address, first byte first.
bool ipv6_field(const char* text, std::size_t length, unsigned char bytes[16])
{
    if (length != 32)
        return false;
    for (std::size_t i = 0; i < 16; ++i) {
        unsigned high = 0, low = 0;
        if (!hex_digit(text[2 * i], &high) || !hex_digit(text[2 * i + 1], &low))
            return false;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return true;
}

bool all_zero(const unsigned char* bytes, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

// Takes a default route over the one found so far when its metric is lower.
void offer_route(default_route& route, std::uint64_t& best_metric, std::uint64_t metric, const char* name,
                 std::size_t name_length, int family, const unsigned char* gateway)
{
    if (route.found && metric >= best_metric)
        return;
    route.found = true;
    best_metric = metric;
    copy_text(name, name_length, route.name, sizeof route.name);
    route.gateway[0] = '\0';
    if (gateway && !inet_ntop(family, gateway, route.gateway, sizeof route.gateway))
        route.gateway[0] = '\0';
}

template <typename T>
T read_at(const unsigned char* bytes, std::size_t offset)
{
    T value;
    memcpy(&value, bytes + offset, sizeof value);
    return value;
}

}  // namespace

bool os_release_value(const char* text, std::size_t length, const char* key, char* value, std::size_t size)
{
    const std::size_t key_length = strlen(key);
    const char* end = text + length;
    bool found = false;
    line_view line;
    for (const char* at = text; next_line(at, end, line);) {
        const char* start = line.begin;
        while (start < line.end && blank(*start))
            ++start;
        if (static_cast<std::size_t>(line.end - start) <= key_length || memcmp(start, key, key_length) != 0 ||
            start[key_length] != '=')
            continue;
        unquote_value(start + key_length + 1, line.end, value, size);
        found = true;  // the last assignment counts, as in a shell
    }
    return found;
}

void cpuinfo_model(const char* text, std::size_t length, char* model, std::size_t size)
{
    static const char* const keys[] = {"model name", "Processor", "cpu model", "cpu"};
    const char* end = text + length;
    model[0] = '\0';
    for (const char* key : keys) {
        const std::size_t key_length = strlen(key);
        line_view line;
        for (const char* at = text; next_line(at, end, line);) {
            const char* colon = static_cast<const char*>(memchr(line.begin, ':', static_cast<std::size_t>(line.end - line.begin)));
            if (!colon)
                continue;
            const char* key_end = colon;
            while (key_end > line.begin && blank(key_end[-1]))
                --key_end;
            if (static_cast<std::size_t>(key_end - line.begin) != key_length || memcmp(line.begin, key, key_length) != 0)
                continue;
            const char* v = colon + 1;
            while (v < line.end && blank(*v))
                ++v;
            const char* v_end = line.end;
            while (v_end > v && blank(v_end[-1]))
                --v_end;
            copy_text(v, static_cast<std::size_t>(v_end - v), model, size);
            return;
        }
    }
}

void linux_ipv4_default_route(const char* text, std::size_t length, default_route& route)
{
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ..., after a
    // heading; addresses as the hexadecimal number of their four bytes in
    // memory order.
    const char* end = text + length;
    std::uint64_t best_metric = 0;
    line_view line;
    const char* at = text;
    next_line(at, end, line);
    while (next_line(at, end, line)) {
        const char* field[8];
        std::size_t size[8];
        const bool complete = split_fields(line, 8, field, size);
        std::uint64_t destination = 0, gateway = 0, flags = 0, metric = 0, mask = 0;
        if (!complete || !hex_number(field[1], size[1], &destination) || !hex_number(field[2], size[2], &gateway) ||
            !hex_number(field[3], size[3], &flags) || !whole_number(field[6], size[6], 10, &metric) ||
            !hex_number(field[7], size[7], &mask))
            continue;
        if (destination != 0 || mask != 0 || !(flags & route_up) || (flags & linux_route_reject))
            continue;
        const std::uint32_t gateway_word = static_cast<std::uint32_t>(gateway);
        unsigned char bytes[4];
        memcpy(bytes, &gateway_word, sizeof bytes);
        offer_route(route, best_metric, metric, field[0], size[0], AF_INET,
                    (flags & route_gateway) && gateway_word != 0 ? bytes : nullptr);
    }
}

void linux_ipv6_default_route(const char* text, std::size_t length, default_route& route)
{
    // Destination, its prefix length, source, its prefix length, next hop,
    // metric, reference count, use, flags, interface; no heading.
    const char* end = text + length;
    std::uint64_t best_metric = 0;
    line_view line;
    for (const char* at = text; next_line(at, end, line);) {
        const char* field[10];
        std::size_t size[10];
        const bool complete = split_fields(line, 10, field, size);
        unsigned char destination[16], next_hop[16];
        std::uint64_t prefix = 0, source_prefix = 0, metric = 0, flags = 0;
        if (!complete || !ipv6_field(field[0], size[0], destination) || !hex_number(field[1], size[1], &prefix) ||
            !hex_number(field[3], size[3], &source_prefix) || !ipv6_field(field[4], size[4], next_hop) ||
            !hex_number(field[5], size[5], &metric) || !hex_number(field[8], size[8], &flags))
            continue;
        // A route for some sources only is not the default of every packet.
        if (!all_zero(destination, 16) || prefix != 0 || source_prefix != 0 || !(flags & route_up) ||
            (flags & linux_route_reject))
            continue;
        offer_route(route, best_metric, metric, field[9], size[9], AF_INET6,
                    (flags & route_gateway) && !all_zero(next_hop, 16) ? next_hop : nullptr);
    }
}

bool freebsd_route_reply(const unsigned char* message, std::size_t length, default_route& route)
{
    namespace m = freebsd_route;
    if (length < m::header_size)
        return false;
    const std::size_t message_length = read_at<std::uint16_t>(message, m::length_offset);
    if (message_length < m::header_size || message_length > length || message[m::version_offset] != m::version ||
        message[m::type_offset] != m::type_get)
        return false;
    const std::uint32_t flags = read_at<std::uint32_t>(message, m::flags_offset);
    const std::uint32_t addresses = read_at<std::uint32_t>(message, m::addrs_offset);
    route = default_route{};
    // The socket addresses of the bits set in rtm_addrs, in bit order, each
    // rounded up to a multiple of a long.
    std::size_t at = m::header_size;
    for (std::uint32_t bit = 1; bit != 0 && bit <= addresses; bit <<= 1) {
        if (!(addresses & bit))
            continue;
        if (at + 2 > message_length)
            return false;
        const std::size_t sa_length = message[at];
        const unsigned family = message[at + 1];
        if (at + sa_length > message_length)
            return false;
        const unsigned char* sa = message + at;
        if (bit == m::has_gateway && (flags & route_gateway)) {
            if (family == m::family_inet && sa_length >= 8) {
                if (!inet_ntop(AF_INET, sa + 4, route.gateway, sizeof route.gateway))
                    route.gateway[0] = '\0';
            } else if (family == m::family_inet6 && sa_length >= 24) {
                unsigned char address[16];
                memcpy(address, sa + 8, 16);
                // fe80::/10 may carry the interface's scope in bytes 2 and 3.
                if (address[0] == 0xfe && (address[1] & 0xc0) == 0x80)
                    address[2] = address[3] = 0;
                if (!inet_ntop(AF_INET6, address, route.gateway, sizeof route.gateway))
                    route.gateway[0] = '\0';
            }
        } else if (bit == m::has_ifp && family == m::family_link && sa_length >= 8) {
            // sockaddr_dl: sdl_nlen at 5, the name at the start of sdl_data (8).
            const std::size_t name_length = sa[5];
            if (8 + name_length <= sa_length)
                copy_text(reinterpret_cast<const char*>(sa + 8), name_length, route.name, sizeof route.name);
        }
        at += sa_length == 0 ? m::address_align : 1 + ((sa_length - 1) | (m::address_align - 1));
    }
    // A route that rejects, or is not up, carries no packet anywhere.
    route.found = (flags & route_up) && !(flags & route_reject);
    if (!route.found)
        route = default_route{};
    return true;
}

void sysctl_text(const void* buffer, std::size_t length, char* text, std::size_t size)
{
    const char* bytes = static_cast<const char*>(buffer);
    const void* nul = memchr(bytes, '\0', length);
    copy_text(bytes, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : length, text, size);
}

bool sysctl_count(const void* buffer, std::size_t length, std::uint64_t* count)
{
    if (length == sizeof(std::uint32_t)) {
        std::uint32_t value;
        memcpy(&value, buffer, sizeof value);
        *count = value;
        return true;
    }
    if (length == sizeof(std::uint64_t)) {
        memcpy(count, buffer, sizeof *count);
        return true;
    }
    return false;
}

}  // namespace hostfacts
