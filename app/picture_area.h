#pragma once
// TPictureArea: a picture drawn stretched over the area's whole rectangle (aspect ratio not
// kept). The picture is decoded and scaled when it is set, unless its pixels were prepared
// ahead on a worker thread (TPicturePreparer), and painted at once, so that a paint only copies
// pixels and the picture is on screen when SetPicture returns. It is decoded at the smallest
// reduced DCT scale that still covers the area, then smoothly scaled.

#include <QImage>
#include <QWidget>
#include <memory>

#include "mouse_click.h"
#include "talvex/experiment/main_window.h"
#include "talvex/experiment/picture_slots.h"
#include "talvex/imagestore/jpeg_image.h"

namespace talvex::app {

// The decoded pixels as a QImage: RGB888, 8-bit gray, or 8-bit indexed with the palette.
// An empty or inconsistent bitmap gives a null image.
QImage ToQImage(const imagestore::Bitmap& bitmap);

using TPreparedPixels = experiment::TPreparedPixels<QImage>;

// Prepares pictures for an area of a fixed device-pixel size, on any thread.
class TPicturePreparer : public experiment::IPicturePreparer {
 public:
  TPicturePreparer(const QSize& deviceSize, qreal pixelRatio)
      : deviceSize_(deviceSize), pixelRatio_(pixelRatio) {}
  std::shared_ptr<const experiment::IPreparedPixels> Prepare(
      const imagestore::TJPEGImage& picture) const override;

 private:
  QSize deviceSize_;
  qreal pixelRatio_;
};

class TPictureArea : public QWidget {
  Q_OBJECT

 public:
  explicit TPictureArea(QWidget* parent = nullptr);

  // Keeps its own copy of the picture, prepares its pixels at the area's size and paints them
  // (when the area is visible). An empty picture clears the area. Raises EJPEG when the
  // picture cannot be decoded; the area then keeps what it showed. Pixels prepared ahead by
  // this area's preparer are taken as they are while the area keeps the size they were made
  // for.
  void SetPicture(const imagestore::TJPEGImage& picture,
                  const experiment::IPreparedPixels* ahead = nullptr);

  // A preparer of pictures at the area's present size, for a worker thread.
  std::shared_ptr<const TPicturePreparer> Preparer() const;

  bool HasPicture() const { return !slots_.Picture().Empty(); }
  // The pixels a paint copies: the picture at the area's device-pixel size.
  const QImage& Prepared() const { return slots_.Shown(); }

  // The decode-and-scale step: the picture as pixels of the given device-pixel size.
  static QImage Prepare(const imagestore::TJPEGImage& picture, const QSize& deviceSize);
  // Its second half: the smooth stretch of decoded pixels to that size.
  static QImage Stretch(const imagestore::Bitmap& bitmap, const QSize& deviceSize);

  // Reads through the pixels of the picture replaced last, the one most likely shown next (the
  // blank picture between trials), so that its paint does not wait for memory.
  void TouchPreviousPicture() const;
  // Paints the area as it is into an image of its own, never to the screen: the paint's code
  // and pixels are warm for the paint that ends an exposure, and the display server is sent
  // nothing that paint would have to wait for.
  void RehearsePaint();

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
  QImage PrepareHere(const imagestore::TJPEGImage& picture) const;

  experiment::TPictureSlots<QImage> slots_;
  QImage rehearsal_;  // what RehearsePaint paints into, kept for the next time
  TMouseClick click_;
};

}  // namespace talvex::app
