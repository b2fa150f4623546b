// A single-line plain-text label. QLabel would break lines at line feeds and, with a buddy,
// treat "&" as a mnemonic; drawing the text directly keeps both out.
#include "app/caption_label_qt.h"

#include <QPainter>

namespace ow {

// Mouse presses are deliberately left unhandled: they go on to the window, which turns them
// into a drag.
CaptionLabel::CaptionLabel(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {}

void CaptionLabel::setText(const QString& text) {
  text_ = text;
  update();
}

void CaptionLabel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(Qt::black);
  // TextSingleLine draws line breaks as spaces; without TextShowMnemonic "&" is drawn as is.
  painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

}  // namespace ow
