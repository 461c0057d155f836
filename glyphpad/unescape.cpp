// SPDX-License-Identifier: BSD-2-Clause
#include "glyphpad/unescape.hpp"

#include <langinfo.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frame/tool_frame.hpp"

namespace glyphpad {
namespace {

enum class digit_kind { hexadecimal, octal };

int digit_value(unsigned char c, digit_kind kind)
{
    if (c >= '0' && c <= '7')
        return c - '0';
    if (kind == digit_kind::octal)
        return -1;
    if (c >= '8' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The value of count digits; the first byte that is no digit of the kind
// ends the program.
uint32_t read_digits(const char* digits, int count, digit_kind kind)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char c = static_cast<unsigned char>(digits[i]);
        const int d = digit_value(c, kind);
        if (d < 0) {
            if (kind == digit_kind::hexadecimal)
                frame::die("ERROR: Invalid hexadecimal digit %c!", c);
            frame::die("ERROR: Invalid octal digit %c!", c);
        }
        value = value * (kind == digit_kind::octal ? 8 : 16) + static_cast<uint32_t>(d);
    }
    return value;
}

bool locale_is_utf8()
{
    return strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

// Appends the locale's encoding of code to out; nothing when the locale
// cannot encode it. In UTF-8 only Unicode scalar values are encoded, whatever
// the library would make of surrogates and values beyond U+10FFFF. The
// encoding never takes more than room bytes (the escape's own length), so
// the result stays within the argument's length.
size_t append_character(char* out, uint32_t code, size_t room)
{
    frame::use_utf8_characters();
    if (locale_is_utf8() && (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
        return 0;
    char scratch[MB_LEN_MAX];
    wctomb(nullptr, 0);  // initial shift state
    const int n = wctomb(scratch, static_cast<wchar_t>(code));
    if (n <= 0 || static_cast<size_t>(n) > room)
        return 0;
    memcpy(out, scratch, static_cast<size_t>(n));
    return static_cast<size_t>(n);
}

char control_escape(char c)
{
    switch (c) {
    case '\\': return '\\';
    case 'a': return '\a';
    case 'b': return '\b';
    case 'e':
    case 'E': return '\x1B';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'v': return '\v';
    default: return '\0';
    }
}

struct numeric_escape {
    int digits;
    digit_kind kind;
    bool character;  // a character code for the locale, else a byte value
};

bool numeric_escape_for(char c, numeric_escape& e)
{
    switch (c) {
    case 'x': e = {2, digit_kind::hexadecimal, false}; return true;
    case 'u': e = {4, digit_kind::hexadecimal, true}; return true;
    case 'U': e = {8, digit_kind::hexadecimal, true}; return true;
    case '0': e = {3, digit_kind::octal, false}; return true;
    default: return false;
    }
}

}  // namespace

char* unescape_argument(const char* argument)
{
    const size_t length = strlen(argument);
    char* out = static_cast<char*>(malloc(length + 1));
    if (out == nullptr)
        frame::die("ERROR: malloc() failed: %s!", strerror(errno));

    size_t o = 0;
    size_t i = 0;
    while (i < length) {
        if (argument[i] != '\\' || i + 1 == length) {
            out[o++] = argument[i++];
            continue;
        }
        const char c = argument[i + 1];
        if (const char control = control_escape(c)) {
            out[o++] = control;
            i += 2;
            continue;
        }
        numeric_escape e{};
        if (!numeric_escape_for(c, e)) {
            out[o++] = '\\';
            out[o++] = c;
            i += 2;
            continue;
        }
        i += 2;
        // Too few bytes left for the digits: the backslash and the letter
        // vanish and whatever follows is read as ordinary text.
        if (length - i < static_cast<size_t>(e.digits))
            continue;
        const uint32_t value = read_digits(argument + i, e.digits, e.kind);
        i += static_cast<size_t>(e.digits);
        if (e.character)
            o += append_character(out + o, value, static_cast<size_t>(e.digits) + 2);
        else
            out[o++] = static_cast<char>(value & 0xFF);
    }
    out[o] = '\0';
    return out;
}

}  // namespace glyphpad
