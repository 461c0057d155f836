# SPDX-License-Identifier: BSD-2-Clause
# suite_program(NAME source... [LIBS lib...])
# One program of the suite: built into bin/, linked with the frame, installed.
add_custom_target(suite_programs)

# The compiler's run-time helpers (128-bit division, popcount) linked in:
# one shared library fewer to load at every start. Only where the compiler
# driver acts on -static-libgcc (GCC, and clang on Linux); clang's FreeBSD
# driver links its own run-time library and reports the flag as unused.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_LINK_OPTIONS -static-libgcc)
check_cxx_source_compiles("int main() { return 0; }" SUITE_DRIVER_USES_STATIC_LIBGCC
                          FAIL_REGEX "unused|unrecogni[sz]ed|unknown|ignored")
unset(CMAKE_REQUIRED_LINK_OPTIONS)

# Only the shared libraries a program uses are recorded as needed. The
# compiler driver names the C++ run-time library (and libm) in every link;
# the programs use neither, and each library the loader maps costs start-up
# time on every call. GCC on Debian passes --as-needed by itself, clang and
# FreeBSD's driver do not.
# A linker that does not know the option fails the link.
set(CMAKE_REQUIRED_LINK_OPTIONS -Wl,--as-needed)
check_cxx_source_compiles("int main() { return 0; }" SUITE_LINKER_AS_NEEDED)
unset(CMAKE_REQUIRED_LINK_OPTIONS)

function(suite_program name)
  cmake_parse_arguments(SP "" "" "LIBS" ${ARGN})
  add_executable(${name} ${SP_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${SP_LIBS} frame catalog_dir_installed)
  if(SUITE_DRIVER_USES_STATIC_LIBGCC AND NOT SUITE_SANITIZE)
    target_link_options(${name} PRIVATE -static-libgcc)
  endif()
  if(SUITE_LINKER_AS_NEEDED AND NOT SUITE_SANITIZE)
    target_link_options(${name} PRIVATE -Wl,--as-needed)
  endif()
  suite_option_parser(${name})
  add_dependencies(suite_programs ${name})
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# suite_catalog_test_build(NAME TARGET source... LIBS lib...)
# A second build of a program that looks its catalogs up in the build tree,
# for the end-to-end tests of the translations: l10n-bin/NAME. Built with the
# tests.
function(suite_catalog_test_build name target)
  cmake_parse_arguments(SC "" "" "LIBS" ${ARGN})
  add_executable(${target} EXCLUDE_FROM_ALL ${SC_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE ${SC_LIBS} frame catalog_dir_build_tree)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name}
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/l10n-bin)
  suite_option_parser(${target})
  add_dependencies(${target} catalogs)
  add_dependencies(suite_tests ${target})
endfunction()

# The bsd-getopt test build links FreeBSD's option parser into every program.
function(suite_option_parser target)
  if(SUITE_BSD_GETOPT)
    target_link_libraries(${target} PRIVATE bsd_getopt)
  endif()
endfunction()
