# Builds one libFuzzer target in a clang build tree and runs it for SECONDS
# seconds on a scratch copy of its corpus (the corpus in the tree is not changed).
if(NOT EXISTS ${BUILD_DIR}/CMakeCache.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR} -G Ninja
                          -DCMAKE_CXX_COMPILER=${CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
                          -DKV_FUZZ=ON -DKV_DESKTOP=OFF -DKV_WERROR=OFF
                  RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "configuring the clang fuzz build failed")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET} RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "building ${TARGET} failed")
endif()
set(scratch ${BUILD_DIR}/corpus-${TARGET})
file(REMOVE_RECURSE ${scratch})
file(COPY ${CORPUS}/ DESTINATION ${scratch})

file(GLOB_RECURSE candidates ${BUILD_DIR}/*/${TARGET})
list(GET candidates 0 fuzzer)
execute_process(COMMAND ${fuzzer} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
                        ${scratch}
                RESULT_VARIABLE rc)
file(REMOVE_RECURSE ${scratch})
if(rc)
  message(FATAL_ERROR "${TARGET} found a failing input (exit ${rc})")
endif()
