#include "form_layout.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace talvex::app {

QFont DesignFont(const QString& family, int pointSize) {
  QFont font;
  if (QFontDatabase::families().contains(family, Qt::CaseInsensitive)) {
    font.setFamily(family);
  } else {
    font.setFamily(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPointSize(pointSize);
  return font;
}

double DesignScale(const QFont& windowFont) {
  const int height = QFontMetrics(windowFont).height();
  return height > 0 ? static_cast<double>(height) / kDesignedTextHeight : 1.0;
}

int Scaled(int designed, double scale) {
  return static_cast<int>(std::lround(designed * scale));
}

QSize Scaled(const QSize& designed, double scale) {
  return QSize(Scaled(designed.width(), scale), Scaled(designed.height(), scale));
}

void ApplyPlace(QWidget& parent, const ControlPlace& place, double scale) {
  QWidget* control = parent.findChild<QWidget*>(QString::fromLatin1(place.name));
  if (control == nullptr) {
    throw std::logic_error(std::string("no control named ") + place.name);
  }
  control->setGeometry(Scaled(place.left, scale), Scaled(place.top, scale),
                       Scaled(place.width, scale), Scaled(place.height, scale));
  if (place.sizing == Sizing::Text) {
    FitToText(*control);
  } else if (place.sizing == Sizing::WidenToText) {
    control->resize(std::max(control->width(), control->sizeHint().width()), control->height());
  }
}

void FitToText(QWidget& label) {
  label.resize(label.sizeHint());
}

}  // namespace talvex::app
