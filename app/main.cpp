// orderwatch: with arguments, the terminal front-end; without, the window.
#include "app/main_window.h"
#include "app/terminal_front_end.h"
#include "query/order_status_query.h"

int main(int argc, char** argv) {
  const int status = ow::RunTerminalFrontEnd(argc, argv);
  if (status != -1) return status;
  ow::RunMainWindow(argc, argv,
                    [](ow::ControlAccessors& controls) { ow::QueryOrderStatus(controls); });
}
