// SPDX-License-Identifier: BSD-2-Clause
#include "frame/tool_frame.hpp"

#include <cerrno>
#include <clocale>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <libintl.h>
#include <unistd.h>

#ifndef SUITE_VERSION
#error "SUITE_VERSION must name the project's version"
#endif

namespace frame {

const char* const version_text = SUITE_VERSION;

namespace {

const tool_frame* current_frame = nullptr;
clean_up_routine clean_up = nullptr;
void* clean_up_held = nullptr;

// The switch of character handling to UTF-8, when start left it for the
// first character to be handled.
bool utf8_switch_pending = false;

// The category is the built-in C locale: nothing to load, and numbers,
// messages and bytes as plain as they get.
bool plain_c_locale(int category)
{
    const char* name = setlocale(category, nullptr);
    return name != nullptr && (strcmp(name, "C") == 0 || strcmp(name, "POSIX") == 0);
}

// Character handling stays as the environment set it only when the locale
// decodes the four bytes of U+1F600 as exactly one character. Any other
// answer (an error in "C", four characters in Latin-1) means the text would
// not be handled as UTF-8.
void require_utf8_characters()
{
    const char grinning_face[] = "\xF0\x9F\x98\x80";
    wchar_t decoded[4];
    if (mbstowcs(decoded, grinning_face, 4) != 1)
        setlocale(LC_CTYPE, fallback_locale);
}

void check_standard_output_at_exit()
{
    check_standard_output();
}

}  // namespace

void occupy_standard_descriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free descriptor, so this one: the lower ones are open.
        const int opened = open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (opened != fd) {
            // Nothing can be opened safely while a standard descriptor is free.
            _exit(1);
        }
    }
}

void start(const tool_frame& tf)
{
    occupy_standard_descriptors();
    current_frame = &tf;
    const bool from_environment = setlocale(LC_ALL, "") != nullptr;
    if (!from_environment)
        setlocale(LC_ALL, fallback_locale);

    switch (tf.extra_step) {
    case locale_step::none:
        break;
    case locale_step::utf8_character_test:
        // In the plain C locale the test always fails, and until a
        // character is decoded nothing depends on the character set: no
        // text is translated, bytes are written as they are. The locale
        // files of C.UTF-8 are loaded only by a run that needs them.
        if (from_environment && plain_c_locale(LC_ALL))
            utf8_switch_pending = true;
        else if (from_environment)
            require_utf8_characters();
        break;
    case locale_step::numeric_c:
        setlocale(LC_NUMERIC, "C");
        break;
    case locale_step::numeric_c_utf8:
        // C.UTF-8 reads and writes numbers exactly as C does; from C there
        // is nothing to change, and nothing needs loading.
        if (!plain_c_locale(LC_NUMERIC))
            setlocale(LC_NUMERIC, fallback_locale);
        break;
    }

    if (tf.domain != nullptr) {
        bindtextdomain(tf.domain, catalog_dir);
        textdomain(tf.domain);
    }
    atexit(check_standard_output_at_exit);
}

void use_utf8_characters()
{
    if (!utf8_switch_pending)
        return;
    utf8_switch_pending = false;
    setlocale(LC_CTYPE, fallback_locale);
}

const char* translate(const char* text)
{
    if (current_frame != nullptr && current_frame->domain == nullptr)
        return text;
    return gettext(text);
}

void print_usage(const tool_frame& tf, const char* program_path, int status)
{
    if (tf.style == usage_style::translated)
        fprintf(stderr, tf.usage_format, translate("Usage:"), program_path);
    else
        fprintf(stderr, tf.usage_format, program_path);
    exit(status);
}

void print_version(const tool_frame& tf)
{
    printf(tf.version_format, version_text);
    exit(0);
}

void common_option(const tool_frame& tf, int value, const char* program_path)
{
    switch (value) {
    case 'h': print_usage(tf, program_path, 0);
    case 'v': print_version(tf);
    case '?': print_usage(tf, program_path, 1);
    default: report_unhandled_option(value);
    }
}

void report_message(const char* text)
{
    fputs(translate(text), stderr);
    fputc('\n', stderr);
}

void report_format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vfprintf(stderr, translate(format), args);
    va_end(args);
    fputc('\n', stderr);
}

void die(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vfprintf(stderr, translate(format), args);
    va_end(args);
    fputc('\n', stderr);
    finish(1);
}

void finish(int status)
{
    if (clean_up != nullptr)
        clean_up(clean_up_held, status);
    exit(status);
}

void set_clean_up(clean_up_routine routine, void* held)
{
    clean_up = routine;
    clean_up_held = held;
}

bool is_printable_byte(int value)
{
    // glibc has no count of single-byte code values; a locale whose longest
    // character is one byte has 256 of them, a multibyte one 128.
    const int limit = MB_CUR_MAX == 1 ? 256 : 128;
    return value >= 0 && value < limit && isprint(value) != 0;
}

void report_unhandled_option(int value)
{
    const int shown = is_printable_byte(value) ? value : ' ';
    fprintf(stderr, "INTERNAL ERROR: Unhandled option c=%c code=%x!\n", shown,
            static_cast<unsigned>(value));
    exit(1);
}

void check_standard_output()
{
    const bool earlier_error = ferror(stdout) != 0;
    errno = 0;
    const bool flush_failed = fflush(stdout) != 0;
    if (!earlier_error && !flush_failed)
        return;
    const int error = errno != 0 ? errno : EIO;
    clearerr(stdout);
    report_format("ERROR: Unable to write to standard output: %s!", strerror(error));
    // Exit handlers may not call exit again.
    _exit(1);
}

}  // namespace frame
