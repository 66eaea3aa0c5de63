# vocna-cli: Vocna's dialog on the terminal host over the Linux machine; its
# media player plays through GStreamer.
if(NOT (TARGET player_ui AND TARGET platform_win32_linux AND TARGET platform_dialog_terminal))
  return()
endif()
include(GNUInstallDirs)
find_package(PkgConfig REQUIRED)
pkg_check_modules(GSTREAMER REQUIRED IMPORTED_TARGET gstreamer-1.0)

add_executable(vocna_cli vocna_cli.cpp media_playback.cpp)
target_link_libraries(vocna_cli PRIVATE player_ui platform_dialog_terminal platform_win32_linux
                      PkgConfig::GSTREAMER)
set_target_properties(vocna_cli PROPERTIES OUTPUT_NAME vocna-cli)
install(TARGETS vocna_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# mpegenc joins the build after this folder; generator expressions and
# dependencies reach it all the same.
if(KV_TESTS AND NOT KV_FUZZ AND TARGET sound_tool_standin)
  add_executable(test_vocna_cli tests/vocna_cli_test.cpp)
  target_link_libraries(test_vocna_cli PRIVATE test_support GTest::gtest_main)
  target_compile_definitions(test_vocna_cli PRIVATE
    VOCNA_CLI="$<TARGET_FILE:vocna_cli>"
    KV_STANDIN_TOOL="$<TARGET_FILE:sound_tool_standin>"
    KV_MPEGENC="$<TARGET_FILE:mpegenc>"
    KV_LSAN_MEDIA_SUPPRESSIONS="${CMAKE_SOURCE_DIR}/cmake/lsan_media_suppressions.txt")
  add_dependencies(test_vocna_cli vocna_cli sound_tool_standin mpegenc)
  gtest_discover_tests(test_vocna_cli PROPERTIES TIMEOUT 300)
endif()
