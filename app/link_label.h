#pragma once
// TLinkLabel: a one-line text that reports a mouse click (the address it opens is the layout
// table's, never displayed). Drawn as a link when asked: pure blue, underlined, pointing hand.

#include <QLabel>

#include "mouse_click.h"

namespace talvex::app {

class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

  void SetLinkStyle();

 signals:
  // Left mouse button pressed and released over the text.
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TMouseClick click_;
};

}  // namespace talvex::app
