// A stand-in for the program: it clicks its own button, lets its queries hang in a "request"
// or call the accessors without pause, then closes the window while they do, and must end at
// once with status 0.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "app/main_window_qt.h"

namespace {

std::atomic<int> hangingQueries = 0;
std::atomic<int> busyQueries = 0;

void HangForever() {
  std::mutex mutex;
  std::condition_variable never;
  std::unique_lock lock(mutex);
  never.wait(lock, [] { return false; });
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  std::atomic<int> started = 0;
  ow::MainWindow window([&started](ow::ControlAccessors& controls) {
    if (++started % 2 == 1) {
      ++hangingQueries;
      HangForever();
    }
    ++busyQueries;
    for (;;) controls.Write标签3(controls.Read编辑框1());
  });

  QTimer::singleShot(0, &window, [&window] {
    window.findChild<QPushButton*>(QStringLiteral("按钮1"))->click();
    for (int i = 0; i < 7; ++i) window.StartQueryThread();
  });
  auto* watcher = new QTimer(&window);
  QObject::connect(watcher, &QTimer::timeout, &window, [&window] {
    if (hangingQueries == 4 && busyQueries == 4) {
      std::printf("closing\n");  // left in the buffer: ending the process must flush it
      window.close();
    }
  });
  watcher->start(5);
  ow::RunUntilClosed(application, window);
}
