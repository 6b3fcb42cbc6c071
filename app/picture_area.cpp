#include "picture_area.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace talvex::app {

using imagestore::Bitmap;
using imagestore::PixelFormat;

QImage ToQImage(const Bitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0) return {};
  const size_t pixelCount = static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height);
  int bytesPerPixel = 1;
  QImage::Format format = QImage::Format_Indexed8;
  if (bitmap.format == PixelFormat::Bits24) {
    // A gray picture may come with one byte per pixel.
    const bool gray = bitmap.pixels.size() == pixelCount;
    bytesPerPixel = gray ? 1 : 3;
    format = gray ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
  } else if (bitmap.palette.empty()) {
    return {};
  }
  // Never read past the pixels the decoder delivered.
  if (bitmap.pixels.size() < pixelCount * static_cast<size_t>(bytesPerPixel)) return {};

  QImage image(bitmap.width, bitmap.height, format);
  if (image.isNull()) return {};
  const size_t rowBytes = static_cast<size_t>(bitmap.width) * static_cast<size_t>(bytesPerPixel);
  for (int y = 0; y < bitmap.height; ++y) {
    std::copy_n(bitmap.pixels.data() + static_cast<size_t>(y) * rowBytes, rowBytes,
                image.scanLine(y));
  }
  if (format == QImage::Format_Indexed8) {
    QList<QRgb> colours;
    colours.reserve(static_cast<qsizetype>(bitmap.palette.size()));
    for (const auto& rgb : bitmap.palette) colours.append(qRgb(rgb[0], rgb[1], rgb[2]));
    // Indices beyond the palette show black rather than reading outside the table.
    while (colours.size() < 256) colours.append(qRgb(0, 0, 0));
    image.setColorTable(colours);
  }
  return image;
}

TPictureArea::TPictureArea(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QImage TPictureArea::Prepare(const imagestore::TJPEGImage& picture, const QSize& deviceSize) {
  if (picture.Empty() || deviceSize.isEmpty()) return {};
  const QImage full = ToQImage(picture.Decoded());
  if (full.isNull()) return {};
  QImage scaled = full.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  // A format the paint engine copies without conversion.
  return scaled.convertToFormat(QImage::Format_RGB32);
}

void TPictureArea::SetPicture(const imagestore::TJPEGImage& picture) {
  // Prepare first: a picture that cannot be decoded leaves the area as it was.
  QImage prepared = Prepare(picture, DeviceSize());
  picture_ = picture;
  prepared_ = std::move(prepared);
  prepared_.setDevicePixelRatio(devicePixelRatioF());
  update();
}

void TPictureArea::Clear() {
  picture_ = imagestore::TJPEGImage();
  prepared_ = QImage();
  update();
}

QSize TPictureArea::DeviceSize() const {
  const qreal ratio = devicePixelRatioF();
  return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

void TPictureArea::PrepareAtCurrentSize() {
  // Runs inside paint and resize events, where nothing may escape: the picture was decoded
  // when it was set, so a failure here only leaves the area empty.
  try {
    prepared_ = Prepare(picture_, DeviceSize());
  } catch (const std::exception&) {
    prepared_ = QImage();
  }
  prepared_.setDevicePixelRatio(devicePixelRatioF());
}

void TPictureArea::paintEvent(QPaintEvent*) {
  if (prepared_.isNull()) return;
  // The screen's pixel ratio may differ from the one the picture was prepared for.
  if (prepared_.size() != DeviceSize()) PrepareAtCurrentSize();
  QPainter painter(this);
  painter.drawImage(QPointF(0, 0), prepared_);
}

void TPictureArea::resizeEvent(QResizeEvent*) {
  if (!picture_.Empty()) PrepareAtCurrentSize();
}

void TPictureArea::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
}

void TPictureArea::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) emit clicked();
}

}  // namespace talvex::app
