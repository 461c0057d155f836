// SPDX-License-Identifier: BSD-2-Clause
// The line format of the host report: key, "=", value. Numbers are written
// bare by the sections themselves; everything that goes between double
// quotes goes through here, so that `eval` of the report gives back every
// text byte for byte, whatever it holds.
#pragma once

#include <cstddef>
#include <cstdio>

namespace hostfacts {

// Writes the key (printf of key_format with its arguments), "=" and the
// opening quote.
void begin_quoted(FILE* out, const char* key_format, ...) __attribute__((format(printf, 2, 3)));

// Writes text inside the quotes: a backslash before each of \ " $ and the
// backquote, the bytes that keep a meaning between double quotes in a
// shell; every other byte as it is.
void write_quoted(FILE* out, const char* text, std::size_t length);
void write_quoted(FILE* out, const char* text);

// Writes a short item (a number, a flags word) inside the quotes, formatted
// by printf; at most 127 bytes of it.
void write_quoted_format(FILE* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Writes the closing quote and ends the line.
void end_quoted(FILE* out);

// A whole line key="text".
void write_text_line(FILE* out, const char* key, const char* text, std::size_t length);
void write_text_line(FILE* out, const char* key, const char* text);

}  // namespace hostfacts
