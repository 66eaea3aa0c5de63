# The process table of the Linux host: Windows command lines, the command
# interpreter's part of them, and the child processes. Included by this
# folder's CMakeLists.txt after platform_win32_linux is defined.
set(KV_PROCESSES_DIR ${CMAKE_CURRENT_LIST_DIR})

# The command-line rules alone, for any code that builds or reads a line.
add_library(platform_win32_command_line STATIC
  ${KV_PROCESSES_DIR}/command_interpreter.cpp
  ${KV_PROCESSES_DIR}/command_line.cpp
)
target_include_directories(platform_win32_command_line PUBLIC ${CMAKE_SOURCE_DIR})

find_package(Threads REQUIRED)
add_library(platform_win32_linux_processes STATIC
  ${KV_PROCESSES_DIR}/child_spawn.cpp
  ${KV_PROCESSES_DIR}/linux_processes.cpp
)
target_link_libraries(platform_win32_linux_processes
  PUBLIC platform_win32_api platform_win32_command_line
  PRIVATE Threads::Threads)

if(TARGET platform_win32_linux)
  target_link_libraries(platform_win32_linux PUBLIC platform_win32_linux_processes)
endif()

kv_add_fuzz_target(NAME command_line_fuzz
                   SOURCE ${KV_PROCESSES_DIR}/fuzz/command_line_fuzz.cpp
                   CORPUS ${KV_PROCESSES_DIR}/fuzz/command_line_corpus
                   LIBS platform_win32_command_line)

if(KV_TESTS AND NOT KV_FUZZ)
  # A child that reports what it was given.
  add_executable(linux_processes_probe ${KV_PROCESSES_DIR}/tests/process_probe.cpp)

  add_executable(test_linux_processes
    ${KV_PROCESSES_DIR}/tests/test_command_line.cpp
    ${KV_PROCESSES_DIR}/tests/test_command_interpreter.cpp
    ${KV_PROCESSES_DIR}/tests/test_linux_processes.cpp
  )
  target_link_libraries(test_linux_processes PRIVATE
    platform_win32_linux_processes test_support GTest::gtest_main)
  target_compile_definitions(test_linux_processes PRIVATE
    KV_PROCESS_PROBE="$<TARGET_FILE:linux_processes_probe>")
  add_dependencies(test_linux_processes linux_processes_probe)
  gtest_discover_tests(test_linux_processes)
endif()
