#include "picture_area.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "talvex/experiment/shell.h"
#include "talvex/platform/monotonic_clock.h"

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
  return Stretch(picture.DecodeScaled(DecodeScale(picture, deviceSize)), deviceSize);
}

int TPictureArea::DecodeScale(const imagestore::TJPEGImage& picture, const QSize& deviceSize) {
  return experiment::DecodeScaleFor(picture, deviceSize.width(), deviceSize.height());
}

QImage TPictureArea::Stretch(const Bitmap& bitmap, const QSize& deviceSize) {
  if (deviceSize.isEmpty()) return {};
  QImage decoded;
  const size_t rowBytes = static_cast<size_t>(std::max(bitmap.width, 0)) * 3;
  if (bitmap.format == PixelFormat::Bits24 && bitmap.height > 0 &&
      bitmap.pixels.size() == rowBytes * static_cast<size_t>(bitmap.height)) {
    // Colour pixels are read in place and converted in one pass to the format the smooth
    // scaling works in, instead of being copied first.
    decoded = QImage(bitmap.pixels.data(), bitmap.width, bitmap.height,
                     static_cast<qsizetype>(rowBytes), QImage::Format_RGB888)
                  .convertToFormat(QImage::Format_RGB32);
  } else {
    decoded = ToQImage(bitmap);
  }
  if (decoded.isNull()) return {};
  QImage scaled = decoded.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  // A format the paint engine copies without conversion.
  return scaled.convertToFormat(QImage::Format_RGB32);
}

namespace {

// The same picture: copies of one load share their compressed bytes.
bool SamePicture(const imagestore::TJPEGImage& a, const imagestore::TJPEGImage& b) {
  return !a.Empty() && !b.Empty() && &a.CompressedBytes() == &b.CompressedBytes();
}

}  // namespace

std::shared_ptr<const experiment::IPreparedPicture> TPicturePreparer::Prepare(
    const imagestore::TJPEGImage& picture) const {
  return std::make_shared<const TPreparedPixels>(TPictureArea::Prepare(picture, deviceSize_));
}

std::shared_ptr<const TPicturePreparer> TPictureArea::Preparer() const {
  return std::make_shared<const TPicturePreparer>(DeviceSize());
}

void TPictureArea::SetPicture(const imagestore::TJPEGImage& picture) {
  Show(picture, nullptr);
}

void TPictureArea::SetPicture(const imagestore::TJPEGImage& picture, const QImage& prepared) {
  Show(picture, &prepared);
}

void TPictureArea::Show(const imagestore::TJPEGImage& picture, const QImage* ahead) {
  const QSize size = DeviceSize();
  // The blank picture alternates with the trial images: the picture replaced last is kept
  // prepared, so showing it again costs no decoding and no scaling.
  QImage prepared;
  if (ahead != nullptr && !ahead->isNull() && ahead->size() == size) {
    prepared = *ahead;
  } else if (SamePicture(picture, picture_) && prepared_.size() == size) {
    prepared = prepared_;
  } else if (SamePicture(picture, previousPicture_) && previousPrepared_.size() == size) {
    prepared = previousPrepared_;
  } else {
    // Prepare first: a picture that cannot be decoded leaves the area as it was.
    prepared = Prepare(picture, size);
  }
  if (!SamePicture(picture, picture_)) {
    previousPicture_ = std::move(picture_);
    previousPrepared_ = std::move(prepared_);
  }
  picture_ = picture;
  prepared_ = std::move(prepared);
  prepared_.setDevicePixelRatio(devicePixelRatioF());
  firstPaint_ = PaintStamp();
  // Painted now rather than once the handler has returned: the picture is on screen before
  // the trial's onset is marked, however long the rest of the handler takes.
  repaint();
}

void TPictureArea::TouchPreviousPicture() const {
  const uchar* pixels = previousPrepared_.constBits();
  const qsizetype size = previousPrepared_.sizeInBytes();
  unsigned sum = 0;
  for (qsizetype i = 0; i < size; i += 64) sum += pixels[i];  // one read per cache line
  volatile unsigned keep = sum;
  static_cast<void>(keep);
}

void TPictureArea::Clear() {
  picture_ = imagestore::TJPEGImage();
  prepared_ = QImage();
  previousPicture_ = imagestore::TJPEGImage();
  previousPrepared_ = QImage();
  firstPaint_ = PaintStamp();
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
  const int64_t start = platform::MonotonicNanoseconds();
  if (!prepared_.isNull()) {
    // The screen's pixel ratio may differ from the one the picture was prepared for.
    if (prepared_.size() != DeviceSize()) PrepareAtCurrentSize();
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), prepared_);
  }
  if (firstPaint_.endNs == 0) firstPaint_ = PaintStamp{start, platform::MonotonicNanoseconds()};
}

void TPictureArea::resizeEvent(QResizeEvent*) {
  if (!picture_.Empty()) PrepareAtCurrentSize();
}

void TPictureArea::mousePressEvent(QMouseEvent* event) {
  click_.Pressed(*event);
}

void TPictureArea::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = click_.Released(*event, rect());
  if (click) emit clicked();
}

}  // namespace talvex::app
