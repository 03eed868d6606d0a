# GoogleTest for the Windows cross build: compiled from the sources of
# Debian's libgtest-dev (GoogleMock left out) instead of a prebuilt library,
# which does not exist for the target.

set(VELLARO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest sources for the cross build")

if(NOT TARGET gtest)
  if(NOT EXISTS ${VELLARO_GTEST_SOURCE_DIR}/CMakeLists.txt)
    set(GTest_FOUND FALSE)
    set(GTest_NOT_FOUND_MESSAGE
        "no GoogleTest sources in ${VELLARO_GTEST_SOURCE_DIR} (apt-get install libgtest-dev)")
    return()
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VELLARO_GTEST_SOURCE_DIR}
                   ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
  # Its headers are someone else's code: no warnings from them, so that the
  # project's -Werror judges only the project.
  foreach(lib gtest gtest_main)
    get_target_property(_dirs ${lib} INTERFACE_INCLUDE_DIRECTORIES)
    set_target_properties(${lib} PROPERTIES
                          INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${_dirs}")
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
endif()
set(GTest_FOUND TRUE)
