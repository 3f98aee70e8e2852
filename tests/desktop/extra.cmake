# SPDX-License-Identifier: GPL-2.0-or-later
# Window tests run without a display; QTest types and clicks for them.
find_package(Qt6 COMPONENTS Test REQUIRED)
target_link_libraries(test_desktop PRIVATE torvane_desktop Qt6::Test)
set_property(TARGET test_desktop PROPERTY AUTOMOC ON)

# Pictures of the windows for the documentation: window_shots DIRECTORY.
add_executable(window_shots ${CMAKE_CURRENT_SOURCE_DIR}/desktop/shots/window_shots.cpp)
target_link_libraries(window_shots PRIVATE torvane_desktop)
