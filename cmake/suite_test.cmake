# SPDX-License-Identifier: BSD-2-Clause
# suite_test(NAME source... [END_TO_END source...] [LIBS lib...] [ARGS arg...])
# One GoogleTest executable, kept out of bin/ and run by CTest (with ARGS,
# e.g. a --gtest_filter); built by the target suite_tests, not by all.
# End-to-end sources run the built programs: those named *_e2e_test.cpp and
# those listed after END_TO_END. The bsd-getopt test build (SUITE_BSD_GETOPT)
# builds only them; a test left without sources is not built there.
function(suite_test name)
  cmake_parse_arguments(ST "" "" "LIBS;END_TO_END;ARGS" ${ARGN})
  set(sources ${ST_UNPARSED_ARGUMENTS})
  if(SUITE_BSD_GETOPT)
    list(FILTER sources INCLUDE REGEX "_e2e_test\\.cpp$")
  endif()
  list(APPEND sources ${ST_END_TO_END})
  if(NOT sources)
    return()
  endif()
  add_executable(${name} EXCLUDE_FROM_ALL ${sources})
  target_link_libraries(${name} PRIVATE ${ST_LIBS} frame catalog_dir_installed test_support GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The version the programs print, for the tests of -v.
  target_compile_definitions(${name} PRIVATE SUITE_VERSION="${PROJECT_VERSION}")
  add_test(NAME ${name} COMMAND ${name} ${ST_ARGS})
  # End-to-end tests start the programs from bin/; build them first.
  add_dependencies(${name} suite_programs)
  add_dependencies(suite_tests ${name})
endfunction()
