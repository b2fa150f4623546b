// The main window on Qt Widgets.
#include "app/main_window_qt.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/caption_label_qt.h"
#include "app/main_window.h"
#include "text/convert.h"

namespace ow {
namespace {

constexpr int kWindowWidth = 354;
constexpr int kWindowHeight = 162;

// The status line's face. Where it is not installed, an installed face that covers Chinese
// stands in for it, so that the line never falls back to a face without the characters.
constexpr const char* kStatusFace = "微软雅黑";
constexpr int kStatusPixelSize = 16;
// The other controls keep the desktop's own GUI face, at the 12-pixel size that the GUI font
// has on the Chinese systems the window was laid out for, so that the labels fit their boxes.
constexpr int kGuiPixelSize = 12;

void MapMissingFaces() {
  QFont::insertSubstitutions(
      QString::fromUtf8(kStatusFace),
      {QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
       QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
       QStringLiteral("Droid Sans Fallback")});
}

QFont GuiFont() {
  QFont font = QApplication::font();
  font.setPixelSize(kGuiPixelSize);
  return font;
}

QFont StatusFont() {
  QFont font(QString::fromUtf8(kStatusFace));
  font.setPixelSize(kStatusPixelSize);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

CaptionLabel* MakeLabel(const QString& text, QRect geometry, const QFont& font, QWidget* parent,
                        const char* name) {
  auto* label = new CaptionLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(geometry);
  label->setFont(font);
  return label;
}

QLineEdit* MakeInputBox(QRect geometry, const QFont& font, QWidget* parent, const char* name) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setGeometry(geometry);
  box->setFont(font);
  box->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  box->setFocusPolicy(Qt::StrongFocus);
  return box;
}

}  // namespace

MainWindow::MainWindow(QueryRoutine query)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowMinimizeButtonHint),
      query_(std::move(query)),
      时钟1_(this) {
  MapMissingFaces();
  setObjectName(QStringLiteral("窗口"));
  setWindowTitle(QString());
  setFixedSize(kWindowWidth, kWindowHeight);

  QPalette background = palette();
  background.setColor(QPalette::Window, background.color(QPalette::Button));
  setPalette(background);
  setAutoFillBackground(true);

  const QFont guiFont = GuiFont();
  时钟1_.setObjectName(QStringLiteral("时钟1"));
  // Ticks must keep the 20-second rhythm rather than drift within a coarse timer's slack.
  时钟1_.setTimerType(Qt::PreciseTimer);
  connect(&时钟1_, &QTimer::timeout, this, [this] { OnRefreshTimer(*this); });

  标签3_ = MakeLabel(QStringLiteral("状态:"), {8, 0, 368, 24}, StatusFont(), this, "标签3");

  按钮1_ = new QPushButton(QStringLiteral("查询"), this);
  按钮1_->setObjectName(QStringLiteral("按钮1"));
  按钮1_->setGeometry(272, 128, 80, 32);
  按钮1_->setFont(guiFont);
  // Enter does not press it: the window has no default button.
  按钮1_->setAutoDefault(false);
  按钮1_->setDefault(false);
  按钮1_->setFocusPolicy(Qt::StrongFocus);
  connect(按钮1_, &QPushButton::clicked, this, [this] { OnQueryButtonClicked(*this); });

  标签2_ = MakeLabel(QStringLiteral("订单绑定邮箱"), {8, 128, 80, 24}, guiFont, this, "标签2");
  标签1_ = MakeLabel(QStringLiteral("订单号"), {8, 72, 80, 24}, guiFont, this, "标签1");
  编辑框2_ = MakeInputBox({96, 120, 160, 40}, guiFont, this, "编辑框2");
  编辑框1_ = MakeInputBox({96, 64, 160, 40}, guiFont, this, "编辑框1");

  setTabOrder(编辑框1_, 编辑框2_);
  setTabOrder(编辑框2_, 按钮1_);
  编辑框1_->setFocus();

  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  move(screen.x() + (screen.width() - kWindowWidth) / 2,
       screen.y() + (screen.height() - kWindowHeight) / 2);
}

void MainWindow::StartQueryThread() {
  ow::StartQueryThread(*this, query_);
}

int MainWindow::TimerPeriod() const {
  return 时钟1_.isActive() ? 时钟1_.interval() : 0;
}

void MainWindow::KillTimer() {
  时钟1_.stop();
}

void MainWindow::SetTimer(int periodMs) {
  时钟1_.start(periodMs);
}

// A fixed-size window ignores resize(), so the fixed size itself changes; a frameless window
// keeps its top-left corner.
void MainWindow::SetWindowHeight(int height) {
  setFixedSize(width(), height);
}

void MainWindow::SetWindowAlpha(int alpha) {
  setWindowOpacity(alpha / 255.0);
}

std::u16string MainWindow::ReadInputBox(const QLineEdit& box) {
  std::u16string text;
  windowThreadCalls_.CarryOut([&] {
    const QString shown = box.text();
    text.assign(reinterpret_cast<const char16_t*>(shown.utf16()),
                static_cast<std::size_t>(shown.size()));
  });
  return text;
}

Text MainWindow::Read编辑框1() {
  return WideToLocalText(ReadInputBox(*编辑框1_));
}

Text MainWindow::Read编辑框2() {
  return WideToLocalText(ReadInputBox(*编辑框2_));
}

void MainWindow::Write标签3(const Text& caption) {
  const std::u16string wide = LocalTextToWide(caption);
  windowThreadCalls_.CarryOut([&] {
    标签3_->setText(QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size())));
  });
}

// A left press on the background, or on a label (labels pass presses on), moves the window as
// a title bar would. The window manager does the move where it can; without one, the window
// follows the pointer until the button is released.
void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  event->accept();
  QWindow* handle = windowHandle();
  if (handle != nullptr && handle->startSystemMove()) return;
  dragGrip_ = event->globalPosition().toPoint() - pos();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!dragGrip_ || !(event->buttons() & Qt::LeftButton)) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  event->accept();
  move(event->globalPosition().toPoint() - *dragGrip_);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && dragGrip_) {
    dragGrip_.reset();
    event->accept();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

void RunUntilClosed(QApplication& application, MainWindow& window) {
  window.show();
  const int status = application.exec();
  // Workers may be inside a request or waiting for an accessor that will never be carried
  // out. Joining them could take minutes, and destroying the widgets under them would pull the
  // ground from under the waiting accessors, so the process ends here as it stands.
  std::fflush(nullptr);
  std::_Exit(status);
}

void RunMainWindow(int argc, char** argv, QueryRoutine query) {
  QApplication application(argc, argv);
  MainWindow window(std::move(query));
  RunUntilClosed(application, window);
}

}  // namespace ow
