# Tests of the system-formatter path on the simulated machine.
add_executable(test_system_formatter ${CMAKE_CURRENT_LIST_DIR}/system_formatter_test.cpp)
target_link_libraries(test_system_formatter PRIVATE format_ui platform_win32_sim GTest::gtest_main)
gtest_discover_tests(test_system_formatter)
