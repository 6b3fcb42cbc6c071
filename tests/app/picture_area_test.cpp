#include "picture_area.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app_test_support.h"

namespace talvex::app {
namespace {

using imagestore::Bitmap;
using imagestore::PixelFormat;
using imagestore::TJPEGImage;

Bitmap RgbBitmap(int width, int height, std::vector<uint8_t> pixels) {
  Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.format = PixelFormat::Bits24;
  bitmap.pixels = std::move(pixels);
  return bitmap;
}

TEST(PictureConversion, RgbRowsKeepTheirPixels) {
  // Width 3: the rows are 9 bytes, not a multiple of 4 as QImage rows are.
  const QImage image = ToQImage(RgbBitmap(3, 2,
                                          {255, 0, 0, 0, 255, 0, 0, 0, 255,  //
                                           1, 2, 3, 4, 5, 6, 7, 8, 9}));
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(0, 1), qRgb(1, 2, 3));
  EXPECT_EQ(image.pixel(2, 1), qRgb(7, 8, 9));
}

TEST(PictureConversion, GrayBitmapWithOneBytePerPixel) {
  const QImage image = ToQImage(RgbBitmap(2, 1, {10, 200}));
  ASSERT_EQ(image.size(), QSize(2, 1));
  EXPECT_EQ(image.pixel(0, 0), qRgb(10, 10, 10));
  EXPECT_EQ(image.pixel(1, 0), qRgb(200, 200, 200));
}

TEST(PictureConversion, IndexedBitmapUsesItsPalette) {
  Bitmap bitmap;
  bitmap.width = 3;
  bitmap.height = 1;
  bitmap.format = PixelFormat::Bits8;
  bitmap.palette = {{{10, 20, 30}}, {{200, 100, 50}}};
  bitmap.pixels = {1, 0, 7};  // 7 lies beyond the palette
  const QImage image = ToQImage(bitmap);
  ASSERT_EQ(image.size(), QSize(3, 1));
  EXPECT_EQ(image.pixel(0, 0), qRgb(200, 100, 50));
  EXPECT_EQ(image.pixel(1, 0), qRgb(10, 20, 30));
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 0));
}

TEST(PictureConversion, InconsistentBitmapsGiveNoImage) {
  EXPECT_TRUE(ToQImage(Bitmap{}).isNull());
  // Fewer bytes than the size needs: nothing is read past them.
  EXPECT_TRUE(ToQImage(RgbBitmap(4, 4, std::vector<uint8_t>(20))).isNull());
  Bitmap noPalette;
  noPalette.width = 1;
  noPalette.height = 1;
  noPalette.format = PixelFormat::Bits8;
  noPalette.pixels = {0};
  EXPECT_TRUE(ToQImage(noPalette).isNull());
}

TEST(PictureArea, PictureIsPreparedStretchedToTheWholeArea) {
  TPictureArea area;
  area.resize(100, 30);
  TJPEGImage picture;
  picture.LoadFromBytes(test::TwoColourJpeg(64, 64));
  area.SetPicture(picture);
  ASSERT_TRUE(area.HasPicture());
  const QImage& prepared = area.Prepared();
  ASSERT_EQ(prepared.size(), QSize(100, 30));  // aspect ratio not kept
  const QColor left = prepared.pixelColor(10, 15);
  const QColor right = prepared.pixelColor(90, 15);
  EXPECT_GT(left.red(), 200);
  EXPECT_LT(left.blue(), 60);
  EXPECT_GT(right.blue(), 200);
  EXPECT_LT(right.red(), 60);
}

TEST(PictureArea, KeepsItsOwnCopyOfThePicture) {
  TPictureArea area;
  area.resize(40, 20);
  {
    auto picture = std::make_unique<TJPEGImage>();
    picture->LoadFromBytes(test::TwoColourJpeg(16, 16));
    area.SetPicture(*picture);
  }
  EXPECT_TRUE(area.HasPicture());
  area.show();
  area.resize(80, 40);  // prepared again from the copy
  QCoreApplication::processEvents();
  EXPECT_EQ(area.Prepared().size(), QSize(80, 40));
}

TEST(PictureArea, EmptyPictureClearsTheArea) {
  TPictureArea area;
  area.resize(40, 20);
  TJPEGImage picture;
  picture.LoadFromBytes(test::TwoColourJpeg(16, 16));
  area.SetPicture(picture);
  area.SetPicture(TJPEGImage());
  EXPECT_FALSE(area.HasPicture());
  EXPECT_TRUE(area.Prepared().isNull());
}

TEST(PictureArea, EightBitScreensGetThePaletteDecode) {
  const PixelFormat before = TJPEGImage::DefaultPixelFormat();
  TJPEGImage::SetDefaultPixelFormat(PixelFormat::Bits8);
  TPictureArea area;
  area.resize(32, 16);
  TJPEGImage picture;
  picture.LoadFromBytes(test::TwoColourJpeg(32, 16));
  area.SetPicture(picture);
  TJPEGImage::SetDefaultPixelFormat(before);
  ASSERT_EQ(area.Prepared().size(), QSize(32, 16));
  EXPECT_GT(area.Prepared().pixelColor(4, 8).red(), 200);
  EXPECT_GT(area.Prepared().pixelColor(28, 8).blue(), 200);
}

}  // namespace
}  // namespace talvex::app
