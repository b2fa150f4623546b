// The Qt main window, shown for real on the offscreen platform (or whatever QT_QPA_PLATFORM
// names): layout, the click and the timer, the drag, and the accessors.
#include "app/main_window_qt.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "window_test_support.h"

namespace ow {
namespace {

using testing::Button;
using testing::CountingWindow;
using testing::InputBox;
using testing::Label;
using testing::RefreshTimer;
using testing::WaitFor;

void ShowAndWait(QWidget& window) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

TEST(MainWindowLayout, CentredFramelessTopmostFixedWindow) {
  CountingWindow counting;
  MainWindow& window = counting.window;
  ShowAndWait(window);

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(window.geometry(), QRect(screen.x() + (screen.width() - 354) / 2,
                                     screen.y() + (screen.height() - 162) / 2, 354, 162));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "a fixed size cannot be maximised";

  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_EQ(window.windowType(), Qt::Window) << "an ordinary window has a taskbar button";
  EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(window.windowTitle().isEmpty());

  EXPECT_TRUE(window.autoFillBackground());
  EXPECT_EQ(window.palette().color(QPalette::Window), window.palette().color(QPalette::Button));
  EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
  EXPECT_EQ(window.TimerPeriod(), 0);
  EXPECT_FALSE(RefreshTimer(window)->isActive());
  EXPECT_EQ(counting.Queries(), 0);
}

TEST(MainWindowLayout, ControlsAtTheirPlacesWithTheirTexts) {
  CountingWindow counting;
  MainWindow& window = counting.window;
  ShowAndWait(window);

  struct LabelCase {
    const char* name;
    QRect geometry;
    const char* text;
  };
  const LabelCase labels[] = {
      {"标签3", {8, 0, 368, 24}, "状态:"},
      {"标签2", {8, 128, 80, 24}, "订单绑定邮箱"},
      {"标签1", {8, 72, 80, 24}, "订单号"},
  };
  for (const LabelCase& c : labels) {
    CaptionLabel* label = Label(window, c.name);
    ASSERT_NE(label, nullptr) << c.name;
    EXPECT_EQ(label->geometry(), c.geometry) << c.name;
    EXPECT_EQ(label->text(), QString::fromUtf8(c.text)) << c.name;
  }
  EXPECT_GT(Label(window, "标签3")->geometry().right(), window.width())
      << "the status line reaches past the right edge and is clipped there";

  for (const auto& [name, geometry] : {std::pair{"编辑框2", QRect(96, 120, 160, 40)},
                                       std::pair{"编辑框1", QRect(96, 64, 160, 40)}}) {
    QLineEdit* box = InputBox(window, name);
    ASSERT_NE(box, nullptr) << name;
    EXPECT_EQ(box->geometry(), geometry) << name;
    EXPECT_TRUE(box->text().isEmpty()) << name;
    EXPECT_EQ(box->echoMode(), QLineEdit::Normal) << name;
    EXPECT_FALSE(box->isReadOnly()) << name;
    EXPECT_TRUE(box->hasFrame()) << name;
  }

  QPushButton* button = Button(window);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->geometry(), QRect(272, 128, 80, 32));
  EXPECT_EQ(button->text(), QStringLiteral("查询"));
  EXPECT_FALSE(button->autoDefault()) << "Enter must not press it";
  EXPECT_FALSE(button->isDefault());
}

TEST(MainWindowLayout, StatusLineFontIsSixteenPixelsRegularAndCoversChinese) {
  CountingWindow counting;
  CaptionLabel* status = Label(counting.window, "标签3");
  const QFont font = status->font();
  EXPECT_EQ(font.family(), QStringLiteral("微软雅黑"));
  EXPECT_EQ(font.pixelSize(), 16);
  EXPECT_EQ(font.weight(), QFont::Normal);
  EXPECT_FALSE(font.italic());
  EXPECT_FALSE(font.underline());
  EXPECT_FALSE(font.strikeOut());

  // Whatever face stands in for the missing one must draw the status line's characters.
  const QFontMetrics metrics(font);
  for (const char32_t character : {U'状', U'态', U'订', U'单', U'已', U'发', U'货'}) {
    EXPECT_TRUE(metrics.inFontUcs4(character))
        << "face " << QFontInfo(font).family().toStdString() << " lacks U+" << std::hex
        << static_cast<unsigned>(character);
  }
}

TEST(MainWindowLabels, AmpersandIsDrawnAndLongTextStaysOnOneClippedLine) {
  CountingWindow counting;
  MainWindow& window = counting.window;
  ShowAndWait(window);
  CaptionLabel* status = Label(window, "标签3");

  const auto inkWidth = [&](const char* text) {
    status->setText(QString::fromUtf8(text));
    return testing::InkWidth(status->grab().toImage());
  };
  // Were "&" taken as a mnemonic marker, "R&D" would draw as "RD" (with an underline).
  EXPECT_GT(inkWidth("R&D"), inkWidth("RD"));
  EXPECT_GT(inkWidth("&"), 0);

  // A line break does not start a second line: both halves are drawn side by side.
  EXPECT_GT(inkWidth("AAAA\nBBBB"), inkWidth("AAAA"));
}

TEST(MainWindowClick, CollapsesToATranslucentStripAndStartsTheTimerAndAQuery) {
  CountingWindow counting;
  MainWindow& window = counting.window;
  ShowAndWait(window);
  const QPoint corner = window.pos();

  QTest::mouseClick(Button(window), Qt::LeftButton);

  EXPECT_TRUE(WaitFor([&] { return counting.Queries() == 1; }));
  EXPECT_TRUE(WaitFor([&] { return window.size() == QSize(354, 24); }));
  EXPECT_EQ(window.pos(), corner);
  EXPECT_NEAR(window.windowOpacity(), 150 / 255.0, 1e-6);
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(window.TimerPeriod(), 20000);
  EXPECT_TRUE(RefreshTimer(window)->isActive());
  EXPECT_EQ(RefreshTimer(window)->interval(), 20000);
}

TEST(MainWindowClick, SecondClickAddsOneQueryAndKeepsTheRunningCountdown) {
  CountingWindow counting;
  MainWindow& window = counting.window;
  ShowAndWait(window);

  QTest::mouseClick(Button(window), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return counting.Queries() == 1; }));
  QTimer* timer = RefreshTimer(window);
  const int timerId = timer->timerId();
  const int remainingBefore = timer->remainingTime();

  QTest::mouseClick(Button(window), Qt::LeftButton);
  EXPECT_TRUE(WaitFor([&] { return counting.Queries() == 2; }));
  EXPECT_EQ(timer->timerId(), timerId) << "a restarted QTimer gets a new id";
  EXPECT_LE(timer->remainingTime(), remainingBefore);
  EXPECT_EQ(window.size(), QSize(354, 24));
  EXPECT_NEAR(window.windowOpacity(), 150 / 255.0, 1e-6);
}

TEST(MainWindowKeys, EnterEscapeAndF1HaveNoSpecialMeaning) {
  CountingWindow counting;
  MainWindow& window = counting.window;
  ShowAndWait(window);

  for (QWidget* target : {static_cast<QWidget*>(InputBox(window, "编辑框1")),
                          static_cast<QWidget*>(InputBox(window, "编辑框2")),
                          static_cast<QWidget*>(Button(window))}) {
    target->setFocus();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_F1}) {
      QTest::keyClick(target, key);
    }
  }
  QTest::qWait(0);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.size(), QSize(354, 162));
  EXPECT_EQ(window.TimerPeriod(), 0);
  EXPECT_EQ(counting.Queries(), 0);
}

TEST(MainWindowTimer, EveryTickStartsAQuery) {
  CountingWindow counting;
  MainWindow& window = counting.window;
  ShowAndWait(window);

  SetTimerPeriod(window, 20);
  EXPECT_TRUE(WaitFor([&] { return counting.Queries() >= 3; }));
  SetTimerPeriod(window, 0);
  EXPECT_FALSE(RefreshTimer(window)->isActive());
}

TEST(MainWindowDrag, LeftPressOnBackgroundOrLabelMovesTheWindowOthersDoNot) {
  struct Case {
    const char* what;
    QPoint press;  // in window coordinates
    bool moves;
  };
  const Case cases[] = {
      {"background", {300, 60}, true},  {"status line", {100, 12}, true},
      {"label 订单号", {20, 84}, true}, {"input box", {150, 84}, false},
      {"button", {312, 144}, false},
  };
  const QPoint step(-37, 21);
  for (const Case& c : cases) {
    CountingWindow counting;
    MainWindow& window = counting.window;
    ShowAndWait(window);
    QWindow* handle = window.windowHandle();
    const QPoint before = window.pos();

    QTest::mousePress(handle, Qt::LeftButton, {}, c.press);
    // The pointer moves by `step` on the screen; the window has not moved yet.
    QTest::mouseMove(handle, c.press + step);
    // The release comes at the same place on the screen, wherever the window is by now.
    QTest::mouseRelease(handle, Qt::LeftButton, {}, c.press + step - (window.pos() - before));

    const QPoint expected = c.moves ? before + step : before;
    EXPECT_TRUE(WaitFor([&] { return window.pos() == expected; }, 2000))
        << c.what << ": at " << window.pos().x() << "," << window.pos().y();
  }
}

// Queries that read both boxes and write the status line from their own threads.
TEST(MainWindowAccessors, WorkersReadTheBoxesAndWriteTheStatusLineInCodePage936) {
  constexpr int kWorkers = 24;
  std::atomic<int> finished = 0;
  std::mutex mutex;
  std::set<std::string> ordersSeen;
  std::set<std::string> emailsSeen;
  std::set<std::thread::id> threads;

  MainWindow window([&](ControlAccessors& controls) {
    const Text order = controls.Read编辑框1();
    const Text email = controls.Read编辑框2();
    {
      const std::lock_guard lock(mutex);
      ordersSeen.insert(std::string(order.View()));
      emailsSeen.insert(std::string(email.View()));
      threads.insert(std::this_thread::get_id());
    }
    controls.Write标签3(ConcatText("\xd7\xb4\xcc\xac R&D ", order));  // "状态 R&D " + order
    ++finished;
  });
  ShowAndWait(window);
  InputBox(window, "编辑框1")->setText(QStringLiteral("订单号123"));
  InputBox(window, "编辑框2")->setText(QStringLiteral("a&b@example.com"));

  for (int i = 0; i < kWorkers; ++i) window.StartQueryThread();
  ASSERT_TRUE(WaitFor([&] { return finished == kWorkers; }));

  const std::string order =
      "\xb6\xa9\xb5\xa5\xba\xc5"
      "123";  // 订单号123 in code page 936
  EXPECT_EQ(ordersSeen, std::set<std::string>{order});
  EXPECT_EQ(emailsSeen, std::set<std::string>{"a&b@example.com"});
  EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
  EXPECT_EQ(Label(window, "标签3")->text(), QStringLiteral("状态 R&D 订单号123"));
}

TEST(MainWindowAccessors, WorkOnTheWindowsOwnThreadWithoutWaitingForItself) {
  CountingWindow counting;
  MainWindow& window = counting.window;
  InputBox(window, "编辑框2")->setText(QStringLiteral("me@example.com"));
  EXPECT_EQ(window.Read编辑框2(), Text("me@example.com"));
  window.Write标签3(Text("\xd2\xd1\xb7\xa2\xbb\xf5"));  // 已发货
  EXPECT_EQ(Label(window, "标签3")->text(), QStringLiteral("已发货"));
}

TEST(MainWindowAccessors, TheQueryThatFinishesLastDecidesTheStatusLine) {
  std::mutex mutex;
  std::condition_variable changed;
  bool releaseFirst = false;
  int finished = 0;

  // The first query to start blocks until the second has written and finished.
  std::atomic<int> started = 0;
  MainWindow window([&](ControlAccessors& controls) {
    const int index = ++started;
    if (index == 1) {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return releaseFirst; });
    }
    controls.Write标签3(index == 1 ? Text("slow query") : Text("quick query"));
    const std::lock_guard lock(mutex);
    ++finished;
    changed.notify_all();
  });
  ShowAndWait(window);

  window.StartQueryThread();
  ASSERT_TRUE(WaitFor([&] { return started == 1; }));
  window.StartQueryThread();
  ASSERT_TRUE(WaitFor([&] {
    const std::lock_guard lock(mutex);
    return finished == 1;
  }));
  EXPECT_EQ(Label(window, "标签3")->text(), QStringLiteral("quick query"));
  {
    const std::lock_guard lock(mutex);
    releaseFirst = true;
    changed.notify_all();
  }
  ASSERT_TRUE(WaitFor([&] {
    const std::lock_guard lock(mutex);
    return finished == 2;
  }));
  EXPECT_EQ(Label(window, "标签3")->text(), QStringLiteral("slow query"));
}

// The program itself, closed while its queries hang in a request and hammer the accessors.
TEST(MainWindowClose, EndsTheProcessAtOnceWhileQueriesAreStillRunning) {
  QProcess probe;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  probe.setProcessEnvironment(environment);
  probe.start(QStringLiteral(ORDERWATCH_WINDOW_EXIT_PROBE), {});
  ASSERT_TRUE(probe.waitForStarted(10000));
  ASSERT_TRUE(probe.waitForFinished(30000)) << "still running after the window was closed";
  EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
  EXPECT_TRUE(probe.readAllStandardOutput().contains("closing")) << "stdio was not flushed";
}

}  // namespace
}  // namespace ow
