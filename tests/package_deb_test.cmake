# Builds the Debian packages with CPack and checks what each one holds.
#
# cmake -DCPACK=<cpack> -DCONFIG=<build>/CPackConfig.cmake -DOUT=<dir>
#       -P package_deb_test.cmake

file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CPACK} -G DEB --config ${CONFIG} -B ${OUT}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed (${rc}):\n${out}${err}")
endif()

# Package name pattern, then files it must hold.
set(expected
  "vellaro_*.deb" "./usr/bin/vellaro" "./usr/share/man/man1/vellaro.1.gz"
  "vellaro-dev_*.deb" "./usr/include/vellaro/vellaro.h"
                      "./usr/lib/cmake/vellaro/vellaroConfig.cmake")
set(contents "")
foreach(item IN LISTS expected)
  if(item MATCHES "\\.deb$")
    file(GLOB package ${OUT}/${item})
    list(LENGTH package count)
    if(NOT count EQUAL 1)
      message(FATAL_ERROR "expected one ${item} in ${OUT}, found ${count}")
    endif()
    execute_process(COMMAND dpkg-deb --contents ${package}
                    OUTPUT_VARIABLE contents RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "dpkg-deb cannot read ${package}")
    endif()
    message("${package}")
  elseif(NOT contents MATCHES " ${item}\n")
    message(FATAL_ERROR "${item} missing from the package:\n${contents}")
  endif()
endforeach()
