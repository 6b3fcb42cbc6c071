#include "id_edit.h"

#include <QFocusEvent>
#include <QMouseEvent>

namespace talvex::app {

void TIdEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (event->reason() != Qt::MouseFocusReason) selectAll();
}

void TIdEdit::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLineEdit::mousePressEvent(event);
}

void TIdEdit::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QLineEdit::mouseReleaseEvent(event);
  if (click) emit clicked();
}

}  // namespace talvex::app
