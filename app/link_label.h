#pragma once
// TLinkLabel: a one-line text that holds a web address it never displays (no tooltip) and
// reports a mouse click. Drawn as a link when asked: pure blue, underlined, pointing hand.

#include <QLabel>
#include <string>

#include "mouse_click.h"

namespace talvex::app {

class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

  void SetAddress(const std::string& address) { address_ = address; }
  const std::string& Address() const { return address_; }

  void SetLinkStyle();

 signals:
  // Left mouse button pressed and released over the text.
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::string address_;
  TMouseClick click_;
};

}  // namespace talvex::app
