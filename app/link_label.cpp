#include "link_label.h"

#include <QMouseEvent>

namespace talvex::app {

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setTextFormat(Qt::PlainText);
}

void TLinkLabel::SetLinkStyle() {
  QFont linkFont = font();
  linkFont.setUnderline(true);
  setFont(linkFont);
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
  setPalette(colours);
  setCursor(Qt::PointingHandCursor);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
  click_.Pressed(*event);
  QLabel::mousePressEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = click_.Released(*event, rect());
  QLabel::mouseReleaseEvent(event);
  if (click) emit clicked();
}

}  // namespace talvex::app
