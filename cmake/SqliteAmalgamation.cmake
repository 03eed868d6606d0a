# SQLite for builds without a system SQLite (the Windows cross build): the
# public-domain amalgamation, compiled into the program.
#
# The two files come from the better-sqlite3 package of the npm registry,
# which ships them under deps/sqlite3/; "npm pack" fetches it into the build
# folder at configure time and the files are checked against their known
# SHA-256 sums. Nothing downloaded is committed. Set
# VELLARO_SQLITE_AMALGAMATION_DIR to a folder that already holds sqlite3.c
# and sqlite3.h to build without the download (no checksum is required of
# those).
#
# Defines SQLite::SQLite3, like CMake's FindSQLite3.

set(VELLARO_SQLITE_PACKAGE better-sqlite3@12.11.1)
set(VELLARO_SQLITE_C_SHA256
    60d2f39a3726cd6b9021da6f4e868608d66fbb6528a9f513dc8ffcc640493422)
set(VELLARO_SQLITE_H_SHA256
    9e69a1353a4288450b0d5239ede11fc7f1f4c8e5eb07491fc8317eacb5b7de7e)
set(VELLARO_SQLITE_AMALGAMATION_DIR "" CACHE PATH
    "Folder with sqlite3.c and sqlite3.h; empty: fetch ${VELLARO_SQLITE_PACKAGE}")

function(_vellaro_sqlite_files_ok dir result)
  set(ok TRUE)
  foreach(pair "sqlite3.c;${VELLARO_SQLITE_C_SHA256}"
               "sqlite3.h;${VELLARO_SQLITE_H_SHA256}")
    list(GET pair 0 name)
    list(GET pair 1 expected)
    if(NOT EXISTS ${dir}/${name})
      set(ok FALSE)
    else()
      file(SHA256 ${dir}/${name} actual)
      if(NOT actual STREQUAL expected)
        set(ok FALSE)
      endif()
    endif()
  endforeach()
  set(${result} ${ok} PARENT_SCOPE)
endfunction()

function(_vellaro_fetch_sqlite dir)
  _vellaro_sqlite_files_ok(${dir} ok)
  if(ok)
    return()
  endif()
  find_program(VELLARO_NPM npm)
  if(NOT VELLARO_NPM)
    message(FATAL_ERROR "SQLite: npm is needed to fetch ${VELLARO_SQLITE_PACKAGE} "
            "(apt-get install npm), or set VELLARO_SQLITE_AMALGAMATION_DIR")
  endif()
  set(download ${dir}/download)
  file(REMOVE_RECURSE ${download})
  file(MAKE_DIRECTORY ${download})
  message(STATUS "SQLite: fetching ${VELLARO_SQLITE_PACKAGE}")
  execute_process(
    COMMAND ${VELLARO_NPM} pack ${VELLARO_SQLITE_PACKAGE}
            --pack-destination ${download} --silent
    WORKING_DIRECTORY ${download}
    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE npm_error
    TIMEOUT 300)
  file(GLOB tarball ${download}/*.tgz)
  if(failed OR NOT tarball)
    message(FATAL_ERROR "SQLite: npm pack ${VELLARO_SQLITE_PACKAGE} failed: ${npm_error}")
  endif()
  file(ARCHIVE_EXTRACT INPUT ${tarball} DESTINATION ${download}
       PATTERNS package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
  foreach(name sqlite3.c sqlite3.h)
    file(COPY_FILE ${download}/package/deps/sqlite3/${name} ${dir}/${name})
  endforeach()
  file(REMOVE_RECURSE ${download})
  _vellaro_sqlite_files_ok(${dir} ok)
  if(NOT ok)
    message(FATAL_ERROR "SQLite: the files of ${VELLARO_SQLITE_PACKAGE} do not "
            "match their known SHA-256 sums")
  endif()
endfunction()

if(VELLARO_SQLITE_AMALGAMATION_DIR)
  set(_vellaro_sqlite_dir ${VELLARO_SQLITE_AMALGAMATION_DIR})
  foreach(name sqlite3.c sqlite3.h)
    if(NOT EXISTS ${_vellaro_sqlite_dir}/${name})
      message(FATAL_ERROR "SQLite: no ${name} in ${_vellaro_sqlite_dir}")
    endif()
  endforeach()
else()
  set(_vellaro_sqlite_dir ${CMAKE_BINARY_DIR}/_deps/sqlite)
  _vellaro_fetch_sqlite(${_vellaro_sqlite_dir})
endif()

enable_language(C)
add_library(vellaro_sqlite3 STATIC ${_vellaro_sqlite_dir}/sqlite3.c)
# One thread uses the library and nothing loads extensions. SQLite's own
# code, so the project's warning set is not applied.
target_compile_definitions(vellaro_sqlite3 PRIVATE SQLITE_THREADSAFE=0
                           SQLITE_OMIT_LOAD_EXTENSION)
target_compile_options(vellaro_sqlite3 PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O2>)
target_include_directories(vellaro_sqlite3 SYSTEM PUBLIC ${_vellaro_sqlite_dir})
add_library(SQLite::SQLite3 ALIAS vellaro_sqlite3)
