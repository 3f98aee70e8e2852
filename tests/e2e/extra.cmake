# SPDX-License-Identifier: GPL-2.0-or-later
# The desktop program's whole-program tests preload a probe into the real
# torvane to look at its windows and use them.
if(TARGET torvane)
  add_library(torvane_probe SHARED ${CMAKE_CURRENT_SOURCE_DIR}/e2e/desktop_probe/probe.cpp)
  target_link_libraries(torvane_probe PRIVATE Qt6::Widgets)
  set_target_properties(torvane_probe PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  add_dependencies(test_e2e torvane torvane_probe)
  target_compile_definitions(test_e2e PRIVATE TORVANE_DESKTOP_BUILT=1)
endif()

# Whole programs on a private LAN: a search window is two seconds, several
# tests run a few searches one after another, and two copies may need a few
# searches to meet.
set(test_timeout 60)
