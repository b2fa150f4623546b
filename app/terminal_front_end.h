// The terminal front-end: `--once`, `--watch`, `--help`, `--version`.
#pragma once

namespace ow {

// Runs the front-end when the command line asks for it and answers the process's exit status;
// answers -1 when there are no arguments, so the caller opens the window instead.
int RunTerminalFrontEnd(int argc, char** argv);

}  // namespace ow
