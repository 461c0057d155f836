// SPDX-License-Identifier: BSD-2-Clause
// Running the built programs as a user would, for end-to-end tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

// Path of a program built into bin/.
std::string program_path(const std::string& name);

// Whether the programs under test parse their options with FreeBSD's
// getopt_long: on FreeBSD, and in the bsd-getopt test build on Linux.
#if defined(__FreeBSD__) || defined(SUITE_BSD_OPTION_PARSER)
inline constexpr bool bsd_option_parser = true;
#else
inline constexpr bool bsd_option_parser = false;
#endif

// A complaint of the option parser itself, in the words of the parser the
// programs use: glibc's, or FreeBSD's (other quotes, no list of the
// possibilities of an ambiguous abbreviation).
inline std::string parser_words(const std::string& glibc, const std::string& freebsd)
{
    return bsd_option_parser ? freebsd : glibc;
}

struct run_request {
    // Argument vector, argv[0] included. When argv[0] has no slash, the
    // program is taken from bin/ and argv[0] is passed as written.
    std::vector<std::string> argv;
    std::string input;                 // bytes on standard input
    std::vector<std::string> env;      // NAME=value, added to a small fixed base
    std::string cwd;                   // working directory; empty: a fresh temporary one
    std::string stdout_path;           // when set, standard output goes to this file (e.g. /dev/full)
    bool stdout_append = false;        // open stdout_path for appending
    long file_size_limit = -1;         // RLIMIT_FSIZE in bytes; SIGXFSZ is ignored when set
    double timeout_seconds = 30;       // the child is killed after this
};

struct run_result {
    int status = -1;          // exit status, or -1 when killed by a signal
    int signal = 0;           // the signal that ended it, or 0
    std::string out;          // standard output (empty when redirected)
    std::string err;          // standard error
    double seconds = 0;       // wall time from start to end
};

run_result run(const run_request& request);

// The same, with a hook run in the parent once the child has started
// (e.g. to send it a signal). The hook gets the child's process ID.
run_result run_with(const run_request& request, void (*while_running)(pid_t, void*), void* data);

// A temporary directory removed with everything in it when it goes out of scope.
struct temp_dir {
    std::string path;
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);

// Where bash is (Linux, or FreeBSD's port), or "" where the system has none:
// FreeBSD's base system has only /bin/sh. For tests of what needs bash
// itself (its completion, process substitution); they skip without it.
std::string bash_path();

// A directory usable as LOCPATH that holds the locale NAME (for example
// "de_DE.ISO-8859-1") built with localedef from SOURCE and CHARMAP, so tests
// never depend on the locales installed on the machine. Built once per test
// process; returns "" when localedef fails.
std::string built_locale_dir(const std::string& name, const std::string& source,
                             const std::string& charmap);

}  // namespace testsupport
