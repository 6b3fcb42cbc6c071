#include "picture_area.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <future>
#include <memory>

#include "app_test_support.h"
#include "talvex/tools/jpeg_encode.h"

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

TEST(PictureConversion, StretchReadsColourRowsInPlaceWhateverTheirWidth) {
  // Rows of 9 bytes: the colour pixels are read where the decoder left them.
  const QImage same = TPictureArea::Stretch(RgbBitmap(3, 2,
                                                      {255, 0, 0, 0, 255, 0, 0, 0, 255,  //
                                                       1, 2, 3, 4, 5, 6, 7, 8, 9}),
                                            QSize(3, 2));
  ASSERT_EQ(same.size(), QSize(3, 2));
  EXPECT_EQ(same.format(), QImage::Format_RGB32);
  EXPECT_EQ(same.pixel(1, 0), qRgb(0, 255, 0));
  EXPECT_EQ(same.pixel(2, 1), qRgb(7, 8, 9));
  // Too few bytes for the size: no image rather than a read past them.
  EXPECT_TRUE(
      TPictureArea::Stretch(RgbBitmap(3, 2, std::vector<uint8_t>(17)), QSize(3, 2)).isNull());
  EXPECT_TRUE(TPictureArea::Stretch(RgbBitmap(3, 2, std::vector<uint8_t>(18)), QSize()).isNull());
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
  TPictureArea area;
  area.resize(32, 16);
  TJPEGImage picture;
  picture.LoadFromBytes(test::TwoColourJpeg(32, 16), PixelFormat::Bits8);
  area.SetPicture(picture);
  ASSERT_EQ(area.Prepared().size(), QSize(32, 16));
  EXPECT_GT(area.Prepared().pixelColor(4, 8).red(), 200);
  EXPECT_GT(area.Prepared().pixelColor(28, 8).blue(), 200);
}

TJPEGImage Picture(int width, int height) {
  TJPEGImage picture;
  picture.LoadFromBytes(test::TwoColourJpeg(width, height));
  return picture;
}

TEST(PictureArea, ReducedDecodeIsStretchedToTheWholeArea) {
  TPictureArea area;
  area.resize(100, 30);
  area.SetPicture(Picture(800, 600));  // decoded at 1/8
  const QImage& prepared = area.Prepared();
  ASSERT_EQ(prepared.size(), QSize(100, 30));
  EXPECT_GT(prepared.pixelColor(10, 15).red(), 200);
  EXPECT_GT(prepared.pixelColor(90, 15).blue(), 200);
}

TEST(PictureArea, PictureReplacedLastIsShownAgainWithoutPreparingIt) {
  TPictureArea area;
  area.resize(100, 30);
  const TJPEGImage blank = Picture(64, 48);
  area.SetPicture(blank);
  const qint64 blankPixels = area.Prepared().cacheKey();
  area.SetPicture(Picture(64, 48));  // a trial image
  EXPECT_NE(area.Prepared().cacheKey(), blankPixels);
  // A copy of the blank picture shares its bytes: the same picture.
  const TJPEGImage copy = blank;
  area.SetPicture(copy);
  EXPECT_EQ(area.Prepared().cacheKey(), blankPixels);
  area.SetPicture(blank);  // set again while shown
  EXPECT_EQ(area.Prepared().cacheKey(), blankPixels);
}

TEST(PictureArea, PicturePreparedForAnotherSizeIsPreparedAgain) {
  TPictureArea area;
  area.resize(100, 30);
  const TJPEGImage blank = Picture(64, 48);
  area.SetPicture(blank);
  area.SetPicture(Picture(64, 48));
  area.resize(80, 40);
  area.SetPicture(blank);
  EXPECT_EQ(area.Prepared().size(), QSize(80, 40));
}

TEST(PictureArea, PixelsPreparedOnAWorkerAreShownAsTheyAreWhileTheSizeHolds) {
  TPictureArea area;
  area.resize(100, 30);
  const TJPEGImage picture = Picture(64, 48);
  const std::shared_ptr<const TPicturePreparer> preparer = area.Preparer();
  const std::shared_ptr<const experiment::IPreparedPixels> prepared =
      std::async(std::launch::async, [&] { return preparer->Prepare(picture); }).get();
  const QImage pixels = dynamic_cast<const TPreparedPixels&>(*prepared).pixels;
  ASSERT_EQ(pixels.size(), QSize(100, 30));
  area.SetPicture(picture, prepared.get());
  EXPECT_EQ(area.Prepared().cacheKey(), pixels.cacheKey());
  // Pixels made before the area was resized are made again at its new size.
  area.resize(80, 40);
  area.SetPicture(Picture(64, 48), prepared.get());
  EXPECT_EQ(area.Prepared().size(), QSize(80, 40));
  EXPECT_GT(area.Prepared().pixelColor(70, 20).blue(), 200);
}

// Counts the paints an object receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// The onset of a trial is marked right after the picture is set: by then it must be painted.
TEST(PictureArea, SettingAPicturePaintsItBeforeReturning) {
  TPictureArea area;
  area.resize(60, 40);
  area.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
  PaintCounter counter;
  area.installEventFilter(&counter);
  area.SetPicture(Picture(64, 48));
  EXPECT_EQ(counter.paints, 1);
  // A hidden area paints nothing.
  area.hide();
  area.SetPicture(Picture(32, 32));
  EXPECT_EQ(counter.paints, 1);
}

}  // namespace
}  // namespace talvex::app
