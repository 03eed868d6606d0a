# Installs the build into a staging prefix, then configures, builds and runs
# tests/install_consumer against it alone, the way a host project would use
# an installed Vellaro.
#
# cmake -DBUILD_DIR=<build> -DSTAGE=<prefix> -DCONSUMER_SOURCE=<dir>
#       -DCONSUMER_BUILD=<dir> -DGENERATOR=<generator> -DCXX=<compiler>
#       [-DMAKE_PROGRAM=<path>] [-DFLAGS=<flags>] -P install_consumer_test.cmake

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${command}\n${out}${err}")
  endif()
  message("${out}")
endfunction()

file(REMOVE_RECURSE ${STAGE} ${CONSUMER_BUILD})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE})

foreach(file bin/vellaro share/man/man1/vellaro.1.gz include/vellaro/vellaro.h
             include/vellaro/mail/eml_params.h)
  if(NOT EXISTS ${STAGE}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

set(configure ${CMAKE_COMMAND} -S ${CONSUMER_SOURCE} -B ${CONSUMER_BUILD}
    -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${STAGE}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_CXX_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
if(MAKE_PROGRAM)
  list(APPEND configure -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM})
endif()
run(${configure})
run(${CMAKE_COMMAND} --build ${CONSUMER_BUILD})
run(${CONSUMER_BUILD}/consumer ${CONSUMER_BUILD}/work)
