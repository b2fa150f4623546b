# The window's tests: the refresh cycle's rules, the Qt window on the offscreen platform, and
# the accessors under many threads.
ow_add_test(NAME refresh_cycle_test LABELS unit
  SOURCES refresh_cycle_test.cpp
  LIBS ow_refresh_cycle)

if(NOT WIN32)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

  add_executable(window_exit_probe window_exit_probe.cpp)
  target_link_libraries(window_exit_probe PRIVATE ow_window_qt)

  ow_add_test(NAME main_window_qt_test LABELS gui
    SOURCES main_window_qt_test.cpp gui_test_main.cpp
    LIBS ow_window_qt Qt6::Test)
  target_compile_definitions(main_window_qt_test PRIVATE
    ORDERWATCH_WINDOW_EXIT_PROBE="$<TARGET_FILE:window_exit_probe>")
  add_dependencies(main_window_qt_test window_exit_probe)

  ow_add_test(NAME window_accessors_concurrency_test LABELS gui concurrency
    SOURCES window_accessors_concurrency_test.cpp gui_test_main.cpp
    LIBS ow_window_qt Qt6::Test)
endif()

if(NOT WIN32)
  # Takes the README's pictures under an X server; scripts/screenshots.sh drives it.
  add_executable(orderwatch-screen-grab screen_grab.cpp)
  target_link_libraries(orderwatch-screen-grab PRIVATE Qt6::Widgets Qt6::Test)
endif()
