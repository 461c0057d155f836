# suite_test(NAME source... [LIBS lib...])
# One GoogleTest executable, kept out of bin/ and run by CTest; built by the
# target suite_tests, not by all.
function(suite_test name)
  cmake_parse_arguments(ST "" "" "LIBS" ${ARGN})
  add_executable(${name} EXCLUDE_FROM_ALL ${ST_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ST_LIBS} frame catalog_dir_installed test_support GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  # End-to-end tests start the programs from bin/; build them first.
  add_dependencies(${name} suite_programs)
  add_dependencies(suite_tests ${name})
endfunction()
