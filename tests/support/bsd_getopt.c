// SPDX-License-Identifier: BSD-2-Clause
/* The option parser of the bsd-getopt test build: FreeBSD's own
 * getopt_long and getopt_long_only, compiled from the file that the CMake
 * setting SUITE_BSD_GETOPT names and linked into the programs in place of
 * the C library's, so that the end-to-end tests see the parser a FreeBSD
 * user has. optind, optarg, opterr and optopt stay the C library's (the
 * file leaves them to FreeBSD's getopt.c); only optreset, which glibc lacks,
 * is defined here. */
int optreset;
#include SUITE_BSD_GETOPT_FILE
