# Installation and packaging, kept in one place:
#   bin/vellaro, bin/vellaro-demo     the program and the host stand-in
#   share/man/man1/vellaro.1.gz       the manual page
#   lib/libvellaro_*.a                the message builder and what it needs
#   include/vellaro/                  vellaro.h and the headers it includes
#   lib/cmake/vellaro/                the package: find_package(vellaro)
# and CPack rules for two Debian packages: vellaro (the program) and
# vellaro-dev (the library, headers and package files).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS vellaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT program)
if(TARGET vellaro-demo)
  install(TARGETS vellaro-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          COMPONENT program)
endif()
# The manual page goes in compressed, as man(1) and Debian expect it
# (gzip -n: no name or time inside, so the file is the same on every
# build). Without gzip it goes in as it is.
set(vellaro_manual ${PROJECT_SOURCE_DIR}/docs/vellaro.1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${vellaro_manual})
find_program(VELLARO_GZIP gzip)
if(VELLARO_GZIP)
  execute_process(COMMAND ${VELLARO_GZIP} -9 -n -c ${vellaro_manual}
                  OUTPUT_FILE ${PROJECT_BINARY_DIR}/vellaro.1.gz
                  RESULT_VARIABLE gzip_result)
  if(gzip_result EQUAL 0)
    set(vellaro_manual ${PROJECT_BINARY_DIR}/vellaro.1.gz)
  endif()
endif()
install(FILES ${vellaro_manual}
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)

# The library is for hosts on the systems the package is built for; the
# Windows build ships the program alone.
if(NOT WIN32)
  # The targets as a consumer names them, vellaro::mail and the rest, in the
  # build tree too (for projects that add this one as a subdirectory).
  foreach(module mail encode runtime)
    set_target_properties(vellaro_${module} PROPERTIES EXPORT_NAME ${module})
    add_library(vellaro::${module} ALIAS vellaro_${module})
  endforeach()
  # Linked privately for its warning flags only; exported because the
  # static libraries name it among their link items.
  set_target_properties(vellaro_warnings PROPERTIES EXPORT_NAME warnings)

  # <vellaro/vellaro.h> for consumers; the headers it includes are found
  # through include/vellaro, the runtime's own include folder.
  target_include_directories(vellaro_mail INTERFACE
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_compile_features(vellaro_runtime INTERFACE cxx_std_20)

  install(TARGETS vellaro_mail vellaro_encode vellaro_runtime vellaro_warnings
          EXPORT vellaroTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)

  install(FILES ${PROJECT_SOURCE_DIR}/include/vellaro/vellaro.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vellaro
          COMPONENT development)
  install(FILES
            ${PROJECT_SOURCE_DIR}/src/mail/eml_params.h
            ${PROJECT_SOURCE_DIR}/src/mail/make_eml_file.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vellaro/mail
          COMPONENT development)
  install(FILES
            ${PROJECT_SOURCE_DIR}/src/runtime/app_state.h
            ${PROJECT_SOURCE_DIR}/src/runtime/env.h
            ${PROJECT_SOURCE_DIR}/src/runtime/error_codes.h
            ${PROJECT_SOURCE_DIR}/src/runtime/error_text.h
            ${PROJECT_SOURCE_DIR}/src/runtime/keyed_file.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vellaro/runtime
          COMPONENT development)

  set(vellaro_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/vellaro)
  install(EXPORT vellaroTargets NAMESPACE vellaro::
          DESTINATION ${vellaro_package_dir} COMPONENT development)
  configure_package_config_file(
    ${PROJECT_SOURCE_DIR}/cmake/vellaroConfig.cmake.in
    ${PROJECT_BINARY_DIR}/vellaroConfig.cmake
    INSTALL_DESTINATION ${vellaro_package_dir})
  write_basic_package_version_file(
    ${PROJECT_BINARY_DIR}/vellaroConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/vellaroConfig.cmake
                ${PROJECT_BINARY_DIR}/vellaroConfigVersion.cmake
          DESTINATION ${vellaro_package_dir} COMPONENT development)
endif()

# Debian packages: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME vellaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vellaro maintainers <vellaro@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_COMPONENTS_ALL program development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME vellaro)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "libc6, libstdc++6, libsqlite3-0")
# Each description follows the project's one-line summary.
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION
    "vellaro turns the pages a reporting application prints (one Windows
metafile each) into one MIME message that a mail program opens as an
unsent draft, with every page shown inline and an RTF document of all
pages.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME vellaro-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libsqlite3-dev")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "The message builder as a C++ library: static libraries, headers and a
CMake package; find_package(vellaro) and
target_link_libraries(app vellaro::mail) let a host write the e-mail
draft in-process.")
include(CPack)
