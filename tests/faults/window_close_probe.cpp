// The program's window with the real query, pointed at the store given as the only argument:
// it presses its own button, starts nine more queries at once, and closes the window when it
// receives SIGUSR1. window_close_test sends that signal once all ten queries hang in the store
// and expects the process to end at once.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>

#include "app/main_window_qt.h"
#include "query/order_status_query.h"

namespace {

std::atomic<bool> closeRequested = false;

void RequestClose(int) {
  closeRequested = true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_close_probe STORE-HOST:PORT\n");
    return 2;
  }
  const std::string store = argv[1];
  std::signal(SIGUSR1, RequestClose);

  QApplication application(argc, argv);
  ow::MainWindow window([store](ow::ControlAccessors& controls) {
    ow::QueryOrderStatus(ow::QueryEnvironment{.controls = controls,
                                              .storeHost = ow::Text(store),
                                              .requestPlatform = ow::SystemRequestPlatform(),
                                              .internet = ow::SystemInternetApi()});
  });

  QTimer::singleShot(0, &window, [&window] {
    window.findChild<QPushButton*>(QStringLiteral("按钮1"))->click();
    for (int i = 0; i < 9; ++i) window.StartQueryThread();
    std::printf("started\n");
    std::fflush(stdout);
  });
  // A signal handler may only set a flag; the window's thread looks at it.
  auto* watcher = new QTimer(&window);
  QObject::connect(watcher, &QTimer::timeout, &window, [&window] {
    if (closeRequested) window.close();
  });
  watcher->start(5);
  ow::RunUntilClosed(application, window);
}
