# Kerfa and Vocna on the desktop: the programs `kerfa` and `vocna` with the
# desktop host, their desktop entries and icons, and their tests under Xvfb.
# The host lives with the dialog framework; it joins the build from here
# when the framework's folder does not add it itself.
if(NOT TARGET platform_dialog_desktop AND EXISTS ${CMAKE_SOURCE_DIR}/platform/dialog/desktop)
  add_subdirectory(${CMAKE_SOURCE_DIR}/platform/dialog/desktop
                   ${CMAKE_BINARY_DIR}/platform/dialog/desktop)
endif()
if(NOT TARGET platform_dialog_desktop)
  return()
endif()
include(GNUInstallDirs)

set(KV_INSTALL_BINDIR ${CMAKE_INSTALL_FULL_BINDIR})
# Vocna finds its tools in its working directory; its desktop entry starts
# it in the folder they are installed to.
set(KV_VOCNA_TOOLS_DIR ${CMAKE_INSTALL_FULL_LIBEXECDIR}/vocna)

if(TARGET format_ui AND TARGET platform_win32_linux)
  add_library(kerfa_desktop_program STATIC kerfa_desktop_program.cpp)
  kv_embed_svg(kerfa_desktop_program ${CMAKE_SOURCE_DIR}/data/kerfa.svg kKerfaIconSvg)
  target_link_libraries(kerfa_desktop_program PUBLIC platform_dialog_desktop format_ui
    platform_win32_linux)

  add_executable(kerfa_desktop kerfa_desktop.cpp)
  target_link_libraries(kerfa_desktop PRIVATE kerfa_desktop_program)
  set_target_properties(kerfa_desktop PROPERTIES OUTPUT_NAME kerfa)

  configure_file(${CMAKE_SOURCE_DIR}/data/kerfa.desktop.in
                 ${CMAKE_CURRENT_BINARY_DIR}/kerfa.desktop @ONLY)
  install(TARGETS kerfa_desktop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kerfa.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/data/kerfa.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

if(TARGET player_ui AND TARGET platform_win32_linux)
  add_library(vocna_desktop_program STATIC vocna_desktop_program.cpp)
  kv_embed_svg(vocna_desktop_program ${CMAKE_SOURCE_DIR}/data/vocna.svg kVocnaIconSvg)
  target_link_libraries(vocna_desktop_program PUBLIC platform_dialog_desktop player_ui
    platform_win32_linux)

  add_executable(vocna_desktop vocna_desktop.cpp)
  target_link_libraries(vocna_desktop PRIVATE vocna_desktop_program)
  set_target_properties(vocna_desktop PROPERTIES OUTPUT_NAME vocna)

  configure_file(${CMAKE_SOURCE_DIR}/data/vocna.desktop.in
                 ${CMAKE_CURRENT_BINARY_DIR}/vocna.desktop @ONLY)
  install(TARGETS vocna_desktop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vocna.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/data/vocna.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  # The sibling tools go where the entry starts Vocna. They are built in
  # folders that join the build after this one, so look once all are in.
  function(kv_install_vocna_tools)
    foreach(tool IN ITEMS towave decodeA mpegenc)
      if(TARGET ${tool})
        install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vocna)
      endif()
    endforeach()
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL kv_install_vocna_tools)
endif()

if(KV_TESTS AND TARGET kerfa_desktop_program)
  add_subdirectory(desktop_tests)
endif()
