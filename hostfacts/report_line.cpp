// SPDX-License-Identifier: BSD-2-Clause
#include "hostfacts/report_line.hpp"

#include <cstdarg>
#include <cstring>

namespace hostfacts {

void begin_quoted(FILE* out, const char* key_format, ...)
{
    va_list args;
    va_start(args, key_format);
    vfprintf(out, key_format, args);
    va_end(args);
    fputs("=\"", out);
}

void write_quoted(FILE* out, const char* text, std::size_t length)
{
    // Runs of ordinary bytes go out in one piece; a byte that needs a
    // backslash starts the next run.
    std::size_t run = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\\' || c == '"' || c == '$' || c == '`') {
            fwrite(text + run, 1, i - run, out);
            fputc('\\', out);
            run = i;
        }
    }
    fwrite(text + run, 1, length - run, out);
}

void write_quoted(FILE* out, const char* text)
{
    write_quoted(out, text, strlen(text));
}

void write_quoted_format(FILE* out, const char* format, ...)
{
    char item[128];
    va_list args;
    va_start(args, format);
    const int length = vsnprintf(item, sizeof item, format, args);
    va_end(args);
    if (length > 0)
        write_quoted(out, item, static_cast<std::size_t>(length) < sizeof item ? static_cast<std::size_t>(length)
                                                                               : sizeof item - 1);
}

void end_quoted(FILE* out)
{
    fputs("\"\n", out);
}

void write_text_line(FILE* out, const char* key, const char* text, std::size_t length)
{
    begin_quoted(out, "%s", key);
    write_quoted(out, text, length);
    end_quoted(out);
}

void write_text_line(FILE* out, const char* key, const char* text)
{
    write_text_line(out, key, text, strlen(text));
}

}  // namespace hostfacts
