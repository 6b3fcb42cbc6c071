#include "picture_area.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "talvex/experiment/picture_pixels.h"

namespace talvex::app {

using experiment::BitmapLayout;
using imagestore::Bitmap;

QImage ToQImage(const Bitmap& bitmap) {
  const BitmapLayout layout = experiment::LayoutOf(bitmap);
  if (layout == BitmapLayout::None) return {};
  const int bytesPerPixel = layout == BitmapLayout::Rgb ? 3 : 1;
  const QImage::Format format = layout == BitmapLayout::Rgb    ? QImage::Format_RGB888
                                : layout == BitmapLayout::Gray ? QImage::Format_Grayscale8
                                                               : QImage::Format_Indexed8;
  QImage image(bitmap.width, bitmap.height, format);
  if (image.isNull()) return {};
  // QImage rows are padded to 4 bytes; the decoder's are not.
  const size_t rowBytes = static_cast<size_t>(bitmap.width) * static_cast<size_t>(bytesPerPixel);
  for (int y = 0; y < bitmap.height; ++y) {
    std::copy_n(bitmap.pixels.data() + static_cast<size_t>(y) * rowBytes, rowBytes,
                image.scanLine(y));
  }
  if (layout == BitmapLayout::Indexed) {
    QList<QRgb> colours;
    colours.reserve(256);
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
  const int scale = experiment::DecodeScaleFor(picture, deviceSize.width(), deviceSize.height());
  return Stretch(picture.DecodeScaled(scale), deviceSize);
}

QImage TPictureArea::Stretch(const Bitmap& bitmap, const QSize& deviceSize) {
  if (deviceSize.isEmpty()) return {};
  // A colour picture scaled down, as nearly every picture is, goes from the decoder's bytes to
  // the area's pixels in one pass of the core's averaging.
  QImage scaled(deviceSize, QImage::Format_RGB32);
  if (!scaled.isNull() &&
      experiment::AverageDown(bitmap, deviceSize.width(), deviceSize.height(),
                              reinterpret_cast<uint32_t*>(scaled.bits()),
                              static_cast<size_t>(scaled.bytesPerLine()) / sizeof(uint32_t))) {
    return scaled;
  }
  const QImage decoded = ToQImage(bitmap);
  if (decoded.isNull()) return {};
  // A format the paint engine copies without conversion.
  return decoded.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_RGB32);
}

std::shared_ptr<const experiment::IPreparedPixels> TPicturePreparer::Prepare(
    const imagestore::TJPEGImage& picture) const {
  QImage pixels = TPictureArea::Prepare(picture, deviceSize_);
  pixels.setDevicePixelRatio(pixelRatio_);
  return std::make_shared<const TPreparedPixels>(std::move(pixels));
}

std::shared_ptr<const TPicturePreparer> TPictureArea::Preparer() const {
  return std::make_shared<const TPicturePreparer>(DeviceSize(), devicePixelRatioF());
}

QImage TPictureArea::PrepareHere(const imagestore::TJPEGImage& picture) const {
  QImage pixels = Prepare(picture, DeviceSize());
  pixels.setDevicePixelRatio(devicePixelRatioF());
  return pixels;
}

void TPictureArea::SetPicture(const imagestore::TJPEGImage& picture,
                              const experiment::IPreparedPixels* ahead) {
  const QSize size = DeviceSize();
  const qreal ratio = devicePixelRatioF();
  slots_.Show(
      picture, experiment::PixelsOf<QImage>(ahead),
      [&](const QImage& pixels) {
        return !pixels.isNull() && pixels.size() == size && pixels.devicePixelRatio() == ratio;
      },
      [this](const imagestore::TJPEGImage& p) { return PrepareHere(p); });
  // Painted now rather than once the handler has returned: the picture is on screen before
  // the trial's onset is marked, however long the rest of the handler takes.
  repaint();
}

void TPictureArea::TouchPreviousPicture() const {
  const QImage& previous = slots_.Previous();
  const uchar* pixels = previous.constBits();
  const qsizetype size = previous.sizeInBytes();
  unsigned sum = 0;
  for (qsizetype i = 0; i < size; i += 64) sum += pixels[i];  // one read per cache line
  volatile unsigned keep = sum;
  static_cast<void>(keep);
}

void TPictureArea::RehearsePaint() {
  if (rehearsal_.size() != DeviceSize()) {
    rehearsal_ = QImage(DeviceSize(), QImage::Format_RGB32);
    rehearsal_.setDevicePixelRatio(devicePixelRatioF());
  }
  render(&rehearsal_);
}

QSize TPictureArea::DeviceSize() const {
  const qreal ratio = devicePixelRatioF();
  return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

void TPictureArea::paintEvent(QPaintEvent*) {
  if (slots_.Shown().isNull()) return;
  // The screen's pixel ratio may differ from the one the picture was prepared for.
  if (slots_.Shown().size() != DeviceSize()) {
    slots_.PrepareAgain([this](const imagestore::TJPEGImage& p) { return PrepareHere(p); });
  }
  QPainter painter(this);
  painter.drawImage(QPointF(0, 0), slots_.Shown());
}

void TPictureArea::resizeEvent(QResizeEvent*) {
  if (HasPicture()) {
    slots_.PrepareAgain([this](const imagestore::TJPEGImage& p) { return PrepareHere(p); });
  }
}

void TPictureArea::mousePressEvent(QMouseEvent* event) {
  click_.Pressed(*event);
}

void TPictureArea::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = click_.Released(*event, rect());
  if (click) emit clicked();
}

}  // namespace talvex::app
