# The refresh cycle (portable), the main window (one backend per platform) and the
# `orderwatch` executable.
add_library(ow_refresh_cycle STATIC refresh_cycle.cpp)
target_include_directories(ow_refresh_cycle PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ow_refresh_cycle PUBLIC ow_worker_thread ow_text)

if(NOT WIN32)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_library(ow_window_qt STATIC main_window_qt.cpp caption_label_qt.cpp window_thread_calls_qt.cpp)
  target_include_directories(ow_window_qt PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(ow_window_qt PUBLIC ow_refresh_cycle ow_text Qt6::Widgets)

  add_executable(orderwatch main.cpp)
  target_link_libraries(orderwatch PRIVATE ow_window_qt ow_terminal ow_query_system)
  install(TARGETS orderwatch)
endif()

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/win32/window.cmake)
endif()
