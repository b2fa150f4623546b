// The terminal front-end alone, for tests that must not need a window system.
#include "app/terminal_front_end.h"

int main(int argc, char** argv) {
  const int status = ow::RunTerminalFrontEnd(argc, argv);
  return status == -1 ? 2 : status;
}
