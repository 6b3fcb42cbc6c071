#include "app_icon.h"

#include <QImage>
#include <QPixmap>
#include <vector>

#include "talvex/icon/app_icon.h"

namespace talvex::app {

QIcon TalvexIcon() {
  const std::vector<uint32_t> pixels = icon::AppIconPixels();
  QImage image(icon::kIconSize, icon::kIconSize, QImage::Format_ARGB32);
  for (int y = 0; y < icon::kIconSize; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < icon::kIconSize; ++x) {
      row[x] = pixels[static_cast<size_t>(y) * icon::kIconSize + static_cast<size_t>(x)];
    }
  }
  return QIcon(QPixmap::fromImage(image));
}

}  // namespace talvex::app
