#pragma once
// TPictureArea: a picture drawn stretched over the area's whole rectangle (aspect ratio not
// kept). The picture is decoded and scaled when it is set, and painted at once, so that a
// paint only copies pixels and an image is on screen when SetPicture returns. It is decoded
// at the smallest reduced DCT scale that still covers the area, then smoothly scaled.

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "mouse_click.h"
#include "talvex/experiment/main_window.h"
#include "talvex/imagestore/jpeg_image.h"

namespace talvex::app {

// The decoded pixels as a QImage: RGB888, 8-bit gray, or 8-bit indexed with the palette.
// An empty or inconsistent bitmap gives a null image.
QImage ToQImage(const imagestore::Bitmap& bitmap);

// A picture's pixels prepared for the area ahead of its showing.
struct TPreparedPixels : experiment::IPreparedPicture {
  explicit TPreparedPixels(QImage image) : pixels(std::move(image)) {}
  QImage pixels;
};

// Prepares pictures for an area of a fixed device-pixel size, on any thread.
class TPicturePreparer : public experiment::IPicturePreparer {
 public:
  explicit TPicturePreparer(const QSize& deviceSize) : deviceSize_(deviceSize) {}
  std::shared_ptr<const experiment::IPreparedPicture> Prepare(
      const imagestore::TJPEGImage& picture) const override;

 private:
  QSize deviceSize_;
};

class TPictureArea : public QWidget {
  Q_OBJECT

 public:
  explicit TPictureArea(QWidget* parent = nullptr);

  // Keeps its own copy of the picture, prepares its pixels at the area's size and paints them
  // (when the area is visible). An empty picture clears the area. Raises EJPEG when the
  // picture cannot be decoded.
  void SetPicture(const imagestore::TJPEGImage& picture);
  // The same with its pixels prepared ahead; pixels of another size are prepared again.
  void SetPicture(const imagestore::TJPEGImage& picture, const QImage& prepared);
  void Clear();

  // A preparer of pictures at the area's present size, for a worker thread.
  std::shared_ptr<const TPicturePreparer> Preparer() const;

  bool HasPicture() const { return !picture_.Empty(); }
  // The pixels a paint copies: the picture at the area's device-pixel size.
  const QImage& Prepared() const { return prepared_; }

  // The decode-and-scale step: the picture as pixels of the given device-pixel size.
  static QImage Prepare(const imagestore::TJPEGImage& picture, const QSize& deviceSize);
  // Its two halves: the DCT scale 1/n at which the picture is decoded for that size, and the
  // smooth stretch of the decoded pixels to it.
  static int DecodeScale(const imagestore::TJPEGImage& picture, const QSize& deviceSize);
  static QImage Stretch(const imagestore::Bitmap& bitmap, const QSize& deviceSize);

  // Monotonic-clock nanoseconds at the start and the end of the first paint since the current
  // picture was set; zero until it has been painted. Tells when a picture reached the screen.
  struct PaintStamp {
    int64_t startNs = 0;
    int64_t endNs = 0;
  };
  const PaintStamp& FirstPaint() const { return firstPaint_; }

  // Reads through the pixels of the picture replaced last, the one most likely shown next (the
  // blank picture between trials), so that its paint does not wait for memory.
  void TouchPreviousPicture() const;

 signals:
  // Mouse button pressed and released over the area.
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QSize DeviceSize() const;
  void PrepareAtCurrentSize();
  void Show(const imagestore::TJPEGImage& picture, const QImage* prepared);

  imagestore::TJPEGImage picture_;
  QImage prepared_;
  imagestore::TJPEGImage previousPicture_;  // the picture replaced last, still prepared
  QImage previousPrepared_;
  PaintStamp firstPaint_;
  TMouseClick click_;
};

}  // namespace talvex::app
