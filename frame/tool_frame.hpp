// SPDX-License-Identifier: BSD-2-Clause
// The frame every program of the suite shares: locale and catalog set-up,
// the usage and version lines, the form of diagnostics and the exit statuses.
#pragma once

#include <getopt.h>

namespace frame {

// The suite's version, the build's project version: "-v" prints it.
extern const char* const version_text;
inline constexpr const char* fallback_locale = "C.UTF-8";

// The options every program has, at the end of its tables: the last entries
// of its long options (--help, --version and the end of the table, a null
// name: getopt_long is given no length) and the end of its short options.
#define FRAME_COMMON_LONG_OPTIONS \
    {"help", no_argument, nullptr, 'h'}, {"version", no_argument, nullptr, 'v'}, {}
#define FRAME_COMMON_SHORT_OPTIONS "hv"

// Where the message catalogs are looked up: a build setting, defined by the
// library that a program links beside the frame (catalog_dir_installed, or
// catalog_dir_build_tree for tests of the catalogs themselves).
extern const char* const catalog_dir;

// The one locale step a program may add after the environment's locale.
enum class locale_step {
    none,
    utf8_character_test,  // character handling must be UTF-8 (glyphpad)
    numeric_c,            // numbers with a full stop, "C"
    numeric_c_utf8,       // numbers with a full stop, "C.UTF-8"
};

enum class usage_style {
    translated,  // format "%s %s ..." filled with the translated "Usage:" and argv[0]
    fixed,       // format "Usage: %s ..." filled with argv[0], never translated
};

// The constant description of one program.
struct tool_frame {
    const char* name;
    const char* domain;  // gettext text domain, or nullptr: translate nothing
    locale_step extra_step;
    const char* short_options;
    const option* long_options;
    usage_style style;
    const char* usage_format;  // the whole usage line, ending in "\n"
    const char* version_format;
};

// Makes sure descriptors 0, 1 and 2 are open, so that no file a program
// opens lands on one of them. A closed one gets /dev/null opened the wrong
// way round (write-only for 0, read-only for 1 and 2), so that using it
// still fails with EBADF as a closed descriptor would. Ends the process
// with status 1 when that cannot be done. The first thing start does.
void occupy_standard_descriptors();

// The start of every program: occupies the standard descriptors, registers
// the program's description (for translate), sets the locale from the
// environment (falling back to "C.UTF-8") with the program's extra step,
// binds its message catalog, and arranges for standard output to be flushed
// and checked when the process exits normally: a failed write becomes
// "ERROR: Unable to write to standard output: %s!" and status 1.
void start(const tool_frame& tf);

// For the UTF-8 character test: makes character handling UTF-8 where start
// left that for later (the environment's locale was the plain C locale).
// Called before the locale's character functions are first used; does
// nothing otherwise.
void use_utf8_characters();

// The translated text of a message id (the id itself for untranslated programs).
const char* translate(const char* text);

[[noreturn]] void print_usage(const tool_frame& tf, const char* program_path, int status);
[[noreturn]] void print_version(const tool_frame& tf);

// The common end of every option loop, for a value of getopt_long that the
// program's own options do not take: 'h' the usage on standard error with
// status 0, 'v' the version line, '?' (an unknown option, a missing
// argument: getopt_long has said which) the usage with status 1, anything
// else report_unhandled_option.
[[noreturn]] void common_option(const tool_frame& tf, int value, const char* program_path);

// A diagnostic line: the translated text on standard error, then "\n" as a
// write of its own. The one-argument form never treats the text as a format.
void report_message(const char* text);
void report_format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// report_format, then finish(1).
[[noreturn]] void die(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The end with the status, after whatever was to be said: through the
// clean-up the program has set (set_clean_up), else exit(status).
[[noreturn]] void finish(int status);

// The clean-up die and finish end through once a program holds what must
// be released or completed at its end (tagsnip's files): called as
// routine(held, status), it must not return. A null routine sets none
// again.
using clean_up_routine = void (*)(void* held, int status);
void set_clean_up(clean_up_routine routine, void* held);

// "INTERNAL ERROR: Unhandled option c=%c code=%x!\n", then exit status 1:
// getopt_long returned a value the program's option loop has no case for.
[[noreturn]] void report_unhandled_option(int value);

// A printable single-byte value of the current locale: below 128 in a
// multibyte locale, below 256 in a single-byte one.
bool is_printable_byte(int value);

// Flushes standard output and checks it; on failure writes the error line and
// ends the process with status 1. Called at exit by the hook start installs.
void check_standard_output();

}  // namespace frame
