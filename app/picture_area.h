#pragma once
// TPictureArea: a picture drawn stretched over the area's whole rectangle (aspect ratio not
// kept). The picture is decoded and scaled when it is set, so that a paint only copies
// pixels and an image appears on screen as soon as it is set.

#include <QImage>
#include <QWidget>

#include "talvex/imagestore/jpeg_image.h"

namespace talvex::app {

// The decoded pixels as a QImage: RGB888, 8-bit gray, or 8-bit indexed with the palette.
// An empty or inconsistent bitmap gives a null image.
QImage ToQImage(const imagestore::Bitmap& bitmap);

class TPictureArea : public QWidget {
  Q_OBJECT

 public:
  explicit TPictureArea(QWidget* parent = nullptr);

  // Keeps its own copy of the picture and prepares its pixels at the area's size.
  // An empty picture clears the area. Raises EJPEG when the picture cannot be decoded.
  void SetPicture(const imagestore::TJPEGImage& picture);
  void Clear();

  bool HasPicture() const { return !picture_.Empty(); }
  // The pixels a paint copies: the picture at the area's device-pixel size.
  const QImage& Prepared() const { return prepared_; }

  // The decode-and-scale step: the picture as pixels of the given device-pixel size.
  static QImage Prepare(const imagestore::TJPEGImage& picture, const QSize& deviceSize);

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

  imagestore::TJPEGImage picture_;
  QImage prepared_;
  bool pressed_ = false;
};

}  // namespace talvex::app
