# The desktop program. Every window is a thin Qt face over a plain twin of the
# core: the face is the file NAME_qt.cpp beside its twin in the subsystem
# folder (peers/userform_qt.cpp beside peers/userform.cpp, ...). The faces make
# one library, so the window tests link the same code as the program.
file(GLOB torvane_desktop_sources CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/*/*_qt.cpp ${PROJECT_SOURCE_DIR}/src/*/*_qt.h)
add_library(torvane_desktop STATIC ${torvane_desktop_sources})
target_include_directories(torvane_desktop PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(torvane_desktop PUBLIC torvane_core Qt6::Widgets Qt6::DBus)
# Only the Qt targets run moc and rcc; the core's targets stay plain.
set_target_properties(torvane_desktop PROPERTIES AUTOMOC ON AUTORCC ON)

if(EXISTS ${PROJECT_SOURCE_DIR}/src/app/main.cpp)
  add_executable(torvane ${PROJECT_SOURCE_DIR}/src/app/main.cpp)
  target_link_libraries(torvane PRIVATE torvane_desktop)
  set_target_properties(torvane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  # The program with its menu entry and its icon, where desktops look for
  # them.
  install(TARGETS torvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/data/torvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/torvane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
