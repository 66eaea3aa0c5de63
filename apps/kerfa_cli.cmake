# kerfa-cli: Kerfa's dialog on the terminal host over the Linux machine.
if(NOT (TARGET format_ui AND TARGET platform_win32_linux AND TARGET platform_dialog_terminal))
  return()
endif()
include(GNUInstallDirs)

add_executable(kerfa_cli kerfa_cli.cpp)
target_link_libraries(kerfa_cli PRIVATE format_ui format_engine platform_dialog_terminal
                      platform_win32_linux)
set_target_properties(kerfa_cli PROPERTIES OUTPUT_NAME kerfa-cli)
install(TARGETS kerfa_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(KV_TESTS AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/CMakeLists.txt)
  add_subdirectory(tests)
endif()
