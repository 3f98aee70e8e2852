# Window tests run without a display.
target_link_libraries(test_desktop PRIVATE torvane_desktop)
set_property(TARGET test_desktop PROPERTY AUTOMOC ON)
