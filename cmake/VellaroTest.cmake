# vellaro_unit_test(<name> SOURCES <files...> LIBS <targets...>)
#
# One GoogleTest executable per module; its cases are registered with CTest
# one by one so that a failure names the case.
function(vellaro_unit_test name)
  if(NOT VELLARO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vellaro_testing
                        GTest::gtest GTest::gtest_main vellaro_warnings)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES LABELS unit)
endfunction()
