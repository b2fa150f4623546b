// orderwatch-screen-grab: helps take the README's pictures on an X server.
//
//   orderwatch-screen-grab backdrop
//       Covers the screen with a desktop-like picture until it is stopped, so that a
//       translucent window has something to show through it.
//   orderwatch-screen-grab wait-ink X Y WIDTH HEIGHT MIN_INK_WIDTH
//       Waits, for up to 30 seconds, until that part of the screen holds drawing at least
//       MIN_INK_WIDTH pixels from its left edge (in colours other than its top-left pixel's):
//       the status line has its text.
//   orderwatch-screen-grab grab X Y WIDTH HEIGHT FILE
//       Saves that part of the screen as it is shown, window contents and compositing
//       included, to FILE (PNG).
#include <QApplication>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

class Backdrop final : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QLinearGradient sky(0, 0, width(), height());
    sky.setColorAt(0, QColor(0x2b, 0x5d, 0x8a));
    sky.setColorAt(1, QColor(0x7f, 0xb2, 0xd6));
    painter.fillRect(rect(), sky);
    painter.setPen(QColor(255, 255, 255, 90));
    for (int x = 0; x < width(); x += 40) painter.drawLine(x, 0, x, height());
    for (int y = 0; y < height(); y += 40) painter.drawLine(0, y, width(), y);
  }
};

// How far from the left the image holds anything but the colour of its first pixel.
int InkWidth(const QImage& image) {
  const QRgb background = image.pixel(0, 0);
  for (int x = image.width() - 1; x >= 0; --x) {
    for (int y = 0; y < image.height(); ++y) {
      if (image.pixel(x, y) != background) return x + 1;
    }
  }
  return 0;
}

QPixmap GrabScreen(char** area) {
  return QGuiApplication::primaryScreen()->grabWindow(0, std::atoi(area[0]), std::atoi(area[1]),
                                                      std::atoi(area[2]), std::atoi(area[3]));
}

int WaitForInk(char** area, int minInk) {
  QElapsedTimer waited;
  waited.start();
  while (InkWidth(GrabScreen(area).toImage()) < minInk) {
    if (waited.elapsed() > 30000) {
      std::fprintf(stderr, "screen-grab: nothing was drawn that far in time\n");
      return 1;
    }
    QTest::qWait(100);
  }
  return 0;
}

int Grab(char** area, const char* file) {
  if (!GrabScreen(area).save(QString::fromLocal8Bit(file), "PNG")) {
    std::fprintf(stderr, "screen-grab: cannot write %s\n", file);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "backdrop") {
    Backdrop backdrop;
    backdrop.setGeometry(QGuiApplication::primaryScreen()->geometry());
    backdrop.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    backdrop.show();
    return application.exec();
  }
  if (command == "wait-ink" && argc == 7) return WaitForInk(argv + 2, std::atoi(argv[6]));
  if (command == "grab" && argc == 7) return Grab(argv + 2, argv[6]);
  std::fprintf(stderr,
               "usage: orderwatch-screen-grab backdrop\n"
               "       orderwatch-screen-grab wait-ink X Y WIDTH HEIGHT MIN_INK_WIDTH\n"
               "       orderwatch-screen-grab grab X Y WIDTH HEIGHT FILE\n");
  return 2;
}
