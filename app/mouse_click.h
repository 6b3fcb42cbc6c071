#pragma once
// A mouse click on a control: the left button pressed over it and released over it. The
// picture area, the ID field and the link labels report their clicks through one of these.

#include <QMouseEvent>
#include <QRect>

namespace talvex::app {

class TMouseClick {
 public:
  void Pressed(const QMouseEvent& event) { pressed_ = event.button() == Qt::LeftButton; }
  // True when this release completes a click inside the control's rectangle.
  bool Released(const QMouseEvent& event, const QRect& rect) {
    const bool click =
        pressed_ && event.button() == Qt::LeftButton && rect.contains(event.position().toPoint());
    pressed_ = false;
    return click;
  }

 private:
  bool pressed_ = false;
};

}  // namespace talvex::app
