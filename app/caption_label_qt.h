// A label drawn the way the window's labels must look: one line of plain text, left-aligned
// and vertically centred, cut off at the label's edge, "&" shown as itself, over the
// background of whatever lies beneath it.
#pragma once

#include <QString>
#include <QWidget>

namespace ow {

class CaptionLabel final : public QWidget {
 public:
  CaptionLabel(const QString& text, QWidget* parent);

  const QString& text() const { return text_; }
  // Replaces the text and schedules a repaint.
  void setText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

}  // namespace ow
