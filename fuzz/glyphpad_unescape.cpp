// SPDX-License-Identifier: BSD-2-Clause
// glyphpad's unescaping of string arguments, over any argument (the input
// up to its first NUL), in a UTF-8 locale. The decoded text must be what the
// escape table gives, never longer than the argument; an argument with an
// invalid digit in a numeric escape ends the program, and is left out here
// after the model has said so.
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.hpp"
#include "glyphpad/unescape.hpp"

namespace {

using fuzzinput::expect;
using fuzzinput::shown;

int digit_value(char c, bool octal)
{
    if (c >= '0' && c <= (octal ? '7' : '9'))
        return c - '0';
    if (octal)
        return -1;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The UTF-8 bytes of a Unicode scalar value; nothing for surrogates and
// for codes beyond U+10FFFF.
std::string utf8(std::uint32_t code)
{
    std::string bytes;
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return bytes;
    if (code < 0x80) {
        bytes += static_cast<char>(code);
    } else if (code < 0x800) {
        bytes += static_cast<char>(0xC0 | code >> 6);
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes += static_cast<char>(0xE0 | code >> 12);
        bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | code >> 18);
        bytes += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    }
    return bytes;
}

// The escape table applied to the argument; false when a numeric escape
// has an invalid digit (the program ends then).
bool model_unescape(const std::string& a, std::string& out)
{
    const std::size_t n = a.size();
    std::size_t i = 0;
    while (i < n) {
        if (a[i] != '\\' || i + 1 == n) {
            out += a[i++];
            continue;
        }
        const char c = a[i + 1];
        i += 2;
        const char* controls = "\\\\a\ab\be\x1b" "E\x1b" "f\fn\nr\rt\tv\v";
        const char* found = nullptr;
        for (const char* p = controls; *p != '\0'; p += 2)
            if (*p == c)
                found = p;
        if (found != nullptr) {
            out += found[1];
            continue;
        }
        const int digits = c == 'x' ? 2 : c == 'u' ? 4 : c == 'U' ? 8 : c == '0' ? 3 : 0;
        if (digits == 0) {
            out += '\\';
            out += c;
            continue;
        }
        if (n - i < static_cast<std::size_t>(digits))
            continue;  // too short: backslash and letter vanish
        std::uint32_t value = 0;
        for (int k = 0; k < digits; ++k) {
            const int d = digit_value(a[i + static_cast<std::size_t>(k)], c == '0');
            if (d < 0)
                return false;
            value = value * (c == '0' ? 8 : 16) + static_cast<std::uint32_t>(d);
        }
        i += static_cast<std::size_t>(digits);
        if (c == 'u' || c == 'U')
            out += utf8(value);
        else
            out += static_cast<char>(value & 0xFF);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool utf8_locale = setlocale(LC_ALL, "C.UTF-8") != nullptr;
    expect(utf8_locale, "the C.UTF-8 locale");
    fuzzinput::reader in{data, size};
    const std::string argument = in.field();

    std::string expected;
    if (!model_unescape(argument, expected))
        return 0;
    // A decoded zero ends the text.
    expected.resize(strlen(expected.c_str()));

    char* decoded = glyphpad::unescape_argument(argument.c_str());
    const std::string got = decoded;
    free(decoded);
    expect(got == expected, "the decoded argument",
           [&] { return "argument: " + shown(argument) + "\ndecoded:  " + shown(got) + "\nexpected: " + shown(expected); });
    expect(got.size() <= argument.size(), "never longer than the argument");
    return 0;
}
