// Helpers shared by the window's tests.
#pragma once

#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>

#include "app/caption_label_qt.h"
#include "app/main_window_qt.h"

namespace ow::testing {

// A main window whose queries only count themselves. The counter is shared with the query
// routine, so a query thread that outlives the window still has it.
struct CountingWindow {
  std::shared_ptr<std::atomic<int>> queries = std::make_shared<std::atomic<int>>(0);
  MainWindow window{[queries = queries](ControlAccessors&) { ++*queries; }};

  int Queries() const { return queries->load(); }
};

inline QLineEdit* InputBox(QWidget& window, const char* name) {
  return window.findChild<QLineEdit*>(QString::fromUtf8(name));
}
inline CaptionLabel* Label(QWidget& window, const char* name) {
  return window.findChild<CaptionLabel*>(QString::fromUtf8(name));
}
inline QPushButton* Button(QWidget& window) {
  return window.findChild<QPushButton*>(QStringLiteral("按钮1"));
}
inline QTimer* RefreshTimer(QWidget& window) {
  return window.findChild<QTimer*>(QStringLiteral("时钟1"));
}

// Waits, handling events, until the condition holds; false if it never did.
template <class Condition>
bool WaitFor(Condition condition, int timeoutMs = 10000) {
  return QTest::qWaitFor(condition, timeoutMs);
}

// The number of columns, from the left, up to and including the last one in which some pixel
// differs from the top-left pixel: how far drawn text reaches.
inline int InkWidth(const QImage& image) {
  const QRgb background = image.pixel(0, 0);
  for (int x = image.width() - 1; x >= 0; --x) {
    for (int y = 0; y < image.height(); ++y) {
      if (image.pixel(x, y) != background) return x + 1;
    }
  }
  return 0;
}

}  // namespace ow::testing
