# The part of the mingw-w64 toolchain files that both targets share. The
# including file sets VELLARO_MINGW_TRIPLET (x86_64-w64-mingw32 or
# i686-w64-mingw32) first.
#
# The "-posix" compilers are chosen by name: the plain names are
# alternatives that may point at the "-win32" thread model, which lacks
# std::thread and std::mutex. Every executable is linked statically, so it
# imports only DLLs that come with Windows.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)  # Windows 7 and later

find_program(CMAKE_C_COMPILER ${VELLARO_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER ${VELLARO_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER ${VELLARO_MINGW_TRIPLET}-windres REQUIRED)

# The sysroot is where the compiler keeps the Windows import libraries.
execute_process(
  COMMAND ${CMAKE_C_COMPILER} -print-file-name=libkernel32.a
  OUTPUT_VARIABLE _vellaro_kernel32 OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(_vellaro_sysroot "${_vellaro_kernel32}/../.." ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH ${_vellaro_sysroot})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Release at -O2, like the Linux build's optimised presets in effect: at -O3
# GCC 12 reports false -Wrestrict overlaps inside libstdc++'s string code.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING
    "Flags of the C compiler for Release builds")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING
    "Flags of the C++ compiler for Release builds")

# Test executables run under Wine ("wine" starts the 64-bit loader and,
# with the 32-bit DLLs on WINEDLLPATH, 32-bit programs too), through a
# script that keeps them off ~/.wine and off the display: the build
# folder's own prefix unless WINEPREFIX names one.
find_program(VELLARO_WINE NAMES wine wine64)
if(VELLARO_WINE)
  get_filename_component(_vellaro_source_dir ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${_vellaro_source_dir}/scripts/windows/wine-run.sh
      ${CMAKE_BINARY_DIR}/wineprefix)
endif()

# GoogleTest is built from the sources that Debian's libgtest-dev installs;
# find_package(GTest) picks up the config file that adds them.
if(NOT DEFINED GTest_DIR)
  set(GTest_DIR ${CMAKE_CURRENT_LIST_DIR}/windows CACHE PATH
      "Folder of the GTestConfig.cmake used for the cross build")
endif()
