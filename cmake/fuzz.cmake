# Fuzz targets. Each target is a file defining LLVMFuzzerTestOneInput.
#
# In the normal build it becomes <name>_replay, a program that feeds every file
# of its corpus to the target, registered as the test <name>_corpus. When
# clang++-14 is present, a second test <name>_fuzz builds the libFuzzer
# version in a clang build tree of its own and runs it for
# KV_FUZZ_SECONDS seconds on a copy of the corpus.
#
# kv_add_fuzz_target(NAME name SOURCE file.cpp CORPUS dir LIBS lib...)

set(KV_FUZZ_SECONDS 20 CACHE STRING "seconds each fuzzer runs under CTest (0: not at all)")
find_program(KV_CLANGXX clang++-14)

function(kv_add_fuzz_target)
  cmake_parse_arguments(F "" "NAME;SOURCE;CORPUS" "LIBS" ${ARGN})
  if(KV_FUZZ)
    add_executable(${F_NAME} ${F_SOURCE})
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    return()
  endif()
  add_executable(${F_NAME}_replay ${F_SOURCE} ${CMAKE_SOURCE_DIR}/cmake/fuzz_replay_main.cpp)
  target_link_libraries(${F_NAME}_replay PRIVATE ${F_LIBS})
  if(KV_TESTS)
    add_test(NAME ${F_NAME}_corpus COMMAND ${F_NAME}_replay ${F_CORPUS})
    if(KV_CLANGXX AND KV_FUZZ_SECONDS GREATER 0)
      add_test(NAME ${F_NAME}_fuzz
               COMMAND ${CMAKE_COMMAND}
                       -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                       -DBUILD_DIR=${CMAKE_BINARY_DIR}/fuzz-clang
                       -DCLANGXX=${KV_CLANGXX}
                       -DTARGET=${F_NAME}
                       -DCORPUS=${F_CORPUS}
                       -DSECONDS=${KV_FUZZ_SECONDS}
                       -P ${CMAKE_SOURCE_DIR}/cmake/run_fuzzer.cmake)
      # One clang build tree serves every fuzzer: build them one at a time.
      set_tests_properties(${F_NAME}_fuzz PROPERTIES RESOURCE_LOCK kv_fuzz_build TIMEOUT 900)
    endif()
  endif()
endfunction()
