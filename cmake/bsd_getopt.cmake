# SPDX-License-Identifier: BSD-2-Clause
# The bsd-getopt test build: the programs parse their options with FreeBSD's
# getopt_long (the file SUITE_BSD_GETOPT names), the end-to-end tests run
# against them. An object library, so that its getopt_long is always linked
# and takes the place of the C library's.
get_filename_component(bsd_getopt_file "${SUITE_BSD_GETOPT}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
if(NOT EXISTS "${bsd_getopt_file}")
  message(FATAL_ERROR "SUITE_BSD_GETOPT: no such file: ${bsd_getopt_file}")
endif()
if(NOT SUITE_TESTS)
  message(FATAL_ERROR "SUITE_BSD_GETOPT is a test build: it needs SUITE_TESTS")
endif()
enable_language(C)
add_library(bsd_getopt OBJECT ${CMAKE_SOURCE_DIR}/tests/support/bsd_getopt.c)
target_compile_definitions(bsd_getopt PRIVATE _GNU_SOURCE SUITE_BSD_GETOPT_FILE="${bsd_getopt_file}")
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/support/bsd_getopt.c PROPERTIES
                            OBJECT_DEPENDS "${bsd_getopt_file}")
# FreeBSD's code as it is, not held to this project's warnings.
target_compile_options(bsd_getopt PRIVATE -w)
