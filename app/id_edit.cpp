#include "id_edit.h"

#include <QFocusEvent>
#include <QMouseEvent>

namespace talvex::app {

void TIdEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (event->reason() != Qt::MouseFocusReason) selectAll();
}

void TIdEdit::mousePressEvent(QMouseEvent* event) {
  click_.Pressed(*event);
  QLineEdit::mousePressEvent(event);
}

void TIdEdit::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = click_.Released(*event, rect());
  QLineEdit::mouseReleaseEvent(event);
  if (click) emit clicked();
}

}  // namespace talvex::app
