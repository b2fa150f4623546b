// Many queries at once against the real window: each reads the boxes and writes the status
// line again and again from its own thread while the window's thread keeps changing the boxes.
// Built with ThreadSanitizer, this is where a data race in the accessors would show.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "app/main_window_qt.h"
#include "window_test_support.h"

namespace ow {
namespace {

TEST(WindowAccessorsConcurrency, ManyWorkersWriteTheStatusLineAndTheLastFinisherStays) {
  constexpr int kStormWorkers = 32;
  constexpr int kRoundsEach = 20;

  std::mutex mutex;
  std::condition_variable lastMayGo;
  bool releaseLast = false;
  std::atomic<int> started = 0;
  std::atomic<int> stormFinished = 0;
  std::atomic<int> lastFinished = 0;
  std::atomic<int> unexpectedReads = 0;

  MainWindow window([&](ControlAccessors& controls) {
    const int index = ++started;
    if (index > kStormWorkers) {
      // The last query waits until every other one has finished, then writes once.
      std::unique_lock lock(mutex);
      lastMayGo.wait(lock, [&] { return releaseLast; });
      lock.unlock();
      controls.Write标签3(ConcatText("last ", controls.Read编辑框2()));
      ++lastFinished;
      return;
    }
    for (int round = 0; round < kRoundsEach; ++round) {
      const Text order = controls.Read编辑框1();
      // The window's thread only ever puts "A" or "BB" into the box.
      if (!(order == Text("A") || order == Text("BB"))) ++unexpectedReads;
      controls.Write标签3(ConcatText("worker ", Text(std::to_string(index)), " ", order));
    }
    ++stormFinished;
  });
  window.show();
  QLineEdit* orderBox = testing::InputBox(window, "编辑框1");
  orderBox->setText(QStringLiteral("A"));
  testing::InputBox(window, "编辑框2")->setText(QStringLiteral("final"));

  for (int i = 0; i < kStormWorkers + 1; ++i) window.StartQueryThread();

  // The window's thread stays busy with its own work on the boxes while the storm goes on.
  bool flip = false;
  ASSERT_TRUE(testing::WaitFor(
      [&] {
        orderBox->setText(flip ? QStringLiteral("A") : QStringLiteral("BB"));
        flip = !flip;
        return stormFinished == kStormWorkers;
      },
      60000));
  EXPECT_EQ(unexpectedReads, 0);
  EXPECT_TRUE(testing::Label(window, "标签3")->text().startsWith(QStringLiteral("worker ")));

  {
    const std::lock_guard lock(mutex);
    releaseLast = true;
  }
  lastMayGo.notify_all();
  ASSERT_TRUE(testing::WaitFor([&] { return lastFinished == 1; }, 60000));
  EXPECT_EQ(testing::Label(window, "标签3")->text(), QStringLiteral("last final"));
}

}  // namespace
}  // namespace ow
