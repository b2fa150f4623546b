# Cross-compiles the Windows build with mingw-w64 (x86-64, posix thread model: GoogleTest and
# std::thread need it). The programs link libgcc and libstdc++ statically, so orderwatch.exe and
# the test programs run with nothing beside them but the system's DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ow_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ow_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ow_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${ow_mingw_prefix}-windres)
set(CMAKE_AR ${ow_mingw_prefix}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${ow_mingw_prefix}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${ow_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The wide entry points, no min/max macros, and the Windows 7 API level.
set(CMAKE_C_FLAGS_INIT "-DUNICODE -D_UNICODE -DNOMINMAX -D_WIN32_WINNT=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE -DNOMINMAX -D_WIN32_WINNT=0x0601")

# CTest runs the test programs through Wine, in a prefix kept under the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
