// The main window as start-up sees it. Each platform's backend (main_window_qt.cpp,
// main_window_win32.cpp) provides this one routine.
#pragma once

#include "app/refresh_cycle.h"

namespace ow {

// Creates the main window, shows it and runs the window system's loop until the window is
// closed; every query thread runs `query`. Closing the window ends the process at once, with
// any query still running, so this never returns.
[[noreturn]] void RunMainWindow(int argc, char** argv, QueryRoutine query);

}  // namespace ow
