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
  # Under an emulator (Wine for the Windows builds) the first start of a
  # test program may have to start the emulator or make its prefix first.
  set(discovery_timeout 5)
  if(CMAKE_CROSSCOMPILING)
    set(discovery_timeout 120)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT ${discovery_timeout}
                       PROPERTIES LABELS unit)
endfunction()
