// The main window on Qt: its layout, the drag, the refresh timer, and the control accessors
// that queries call from their worker threads.
#pragma once

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <string>

#include "app/refresh_cycle.h"
#include "app/window_thread_calls_qt.h"
#include "query/control_accessors.h"

class QApplication;
class QLineEdit;
class QPushButton;

namespace ow {

class CaptionLabel;

class MainWindow final : public QWidget, public WindowSystem, public ControlAccessors {
 public:
  // Creates the window and its controls, centred on the primary screen, not yet shown. Every
  // query thread it starts runs `query`.
  explicit MainWindow(QueryRoutine query);

  // The refresh cycle's view of the window; called on the window's thread.
  void StartQueryThread() override;
  int TimerPeriod() const override;
  void KillTimer() override;
  void SetTimer(int periodMs) override;
  void SetWindowHeight(int height) override;
  void SetWindowAlpha(int alpha) override;

  // The accessors; callable from any thread. Each returns once the window's thread has carried
  // it out; once the window's loop has ended they wait until the process ends. Texts cross
  // between code page 936 and the window's UTF-16 here, whatever the system's locale.
  Text Read编辑框1() override;
  Text Read编辑框2() override;
  void Write标签3(const Text& caption) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::u16string ReadInputBox(const QLineEdit& box);

  QueryRoutine query_;
  WindowThreadCalls windowThreadCalls_;
  QLineEdit* 编辑框1_;
  QLineEdit* 编辑框2_;
  QPushButton* 按钮1_;
  CaptionLabel* 标签1_;
  CaptionLabel* 标签2_;
  CaptionLabel* 标签3_;
  QTimer 时钟1_;
  // Where the pointer held the window while it is dragged by hand (no window manager help).
  std::optional<QPoint> dragGrip_;
};

// Shows the window and runs the application's loop until the window is closed, then ends the
// process at once: stdio is flushed, but neither the workers nor the widgets they may be
// waiting on are waited for or torn down.
[[noreturn]] void RunUntilClosed(QApplication& application, MainWindow& window);

}  // namespace ow
