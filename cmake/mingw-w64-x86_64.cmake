# Cross build for 64-bit Windows with mingw-w64 (see mingw-w64-common.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELLARO_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
