# The main window on Win32 and orderwatch.exe: a GUI program with its icon and manifest that
# links only the system's own DLLs. Included from app/window.cmake, so paths are those of app/.
enable_language(RC)

add_library(ow_window_win32 STATIC main_window_win32.cpp)
target_include_directories(ow_window_win32 PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ow_window_win32 PUBLIC ow_refresh_cycle ow_text comctl32 gdi32 user32)

add_executable(orderwatch WIN32 main_win32.cpp win32/orderwatch.rc)
target_link_libraries(orderwatch PRIVATE ow_window_win32 ow_terminal ow_query_system)
# The wide entry point, wWinMain.
target_link_options(orderwatch PRIVATE -municode)
set_property(SOURCE win32/orderwatch.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_CURRENT_SOURCE_DIR}/win32/orderwatch.ico
             ${CMAKE_CURRENT_SOURCE_DIR}/win32/orderwatch.manifest)
install(TARGETS orderwatch)
