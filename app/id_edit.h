#pragma once
// TIdEdit: the one-line ID field. It reports a mouse click, and selects its whole text when
// it receives the focus other than by a mouse click (Tab, window activation, the program).

#include <QLineEdit>

#include "mouse_click.h"

namespace talvex::app {

class TIdEdit : public QLineEdit {
  Q_OBJECT

 public:
  using QLineEdit::QLineEdit;

 signals:
  // Left mouse button pressed and released over the field.
  void clicked();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TMouseClick click_;
};

}  // namespace talvex::app
