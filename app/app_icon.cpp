#include "app_icon.h"

#include <QImage>
#include <QPainter>
#include <QRadialGradient>

namespace talvex::app {

// A stylised optic disc: a pale disc with a bright cup on a dark red fundus.
QIcon TalvexIcon() {
  QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QRadialGradient fundus(QPointF(24, 24), 23);
  fundus.setColorAt(0.0, QColor(200, 70, 40));
  fundus.setColorAt(1.0, QColor(110, 20, 15));
  painter.setPen(Qt::NoPen);
  painter.setBrush(fundus);
  painter.drawEllipse(QPointF(24, 24), 23, 23);
  painter.setBrush(QColor(245, 200, 140));
  painter.drawEllipse(QPointF(28, 22), 10, 11);
  painter.setBrush(QColor(255, 240, 210));
  painter.drawEllipse(QPointF(29, 21), 4.5, 5);
  painter.end();
  return QIcon(QPixmap::fromImage(image));
}

}  // namespace talvex::app
