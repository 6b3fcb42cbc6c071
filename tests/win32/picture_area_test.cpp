#include "picture_area.h"

#include <gtest/gtest.h>

#include "form1.h"
#include "win32_test_support.h"

namespace talvex::win32 {
namespace {

imagestore::TJPEGImage Picture(int width = 600, int height = 450) {
  imagestore::TJPEGImage picture;
  picture.LoadFromBytes(test::TwoColourJpeg(width, height));
  return picture;
}

// The main window's picture area, shown.
struct PictureAreaFixture : ::testing::Test, test::MainWindowDoubles {
  TForm1 form{system, Loaders(), Events()};
  TPictureArea& area = form.Controls().Get<TPictureArea>("Image1");

  void SetUp() override {
    form.ShowFirst(SW_SHOWNORMAL);
    test::Pump(50);
  }
  // The area's pixel at x, y (0x00RRGGBB) of what it would paint.
  uint32_t Pixel(int x, int y) const {
    return area.Prepared().bits[static_cast<size_t>(y) * area.Prepared().width + x];
  }
};

TEST_F(PictureAreaFixture, SettingAPicturePaintsItBeforeReturning) {
  area.SetPicture(Picture());
  EXPECT_FALSE(GetUpdateRect(area.Handle(), nullptr, FALSE));  // nothing left to paint
  const Place place = area.Bounds();
  EXPECT_EQ(area.Prepared().width, place.width);
  EXPECT_EQ(area.Prepared().height, place.height);
  // Red on the left, blue on the right, stretched over the whole area.
  EXPECT_GT(Pixel(place.width / 4, place.height / 2) >> 16 & 0xFF, 200u);
  EXPECT_GT(Pixel(place.width * 3 / 4, place.height / 2) & 0xFF, 200u);
}

TEST_F(PictureAreaFixture, BlankAndImagesAlternatingKeepTheBlanksPixels) {
  const imagestore::TJPEGImage blank = Picture(64, 48);
  area.SetPicture(blank);
  const uint32_t* blankBits = area.Prepared().bits;
  for (int trial = 0; trial < 3; ++trial) {
    area.SetPicture(Picture());
    EXPECT_NE(area.Prepared().bits, blankBits);
    area.SetPicture(imagestore::TJPEGImage(blank));  // a copy: the same picture
    EXPECT_EQ(area.Prepared().bits, blankBits) << trial;
  }
  // A picture that cannot be decoded leaves both what is shown and the picture before it.
  area.SetPicture(Picture());
  const uint32_t* imageBits = area.Prepared().bits;
  imagestore::TJPEGImage cmyk;
  cmyk.LoadFromBytes(test::CmykJpeg());
  EXPECT_THROW(area.SetPicture(cmyk), imagestore::EJPEG);
  EXPECT_EQ(area.Prepared().bits, imageBits);
  area.SetPicture(blank);
  EXPECT_EQ(area.Prepared().bits, blankBits);
}

TEST_F(PictureAreaFixture, ResizedAreaPreparesItsPicturesAgainAtTheNewSize) {
  const imagestore::TJPEGImage blank = Picture(64, 48);
  area.SetPicture(blank);
  area.SetPicture(Picture());
  Place place = area.Bounds();
  place.width -= 40;
  place.height -= 20;
  area.Move(place);
  EXPECT_EQ(area.Prepared().width, place.width);  // the picture shown, at once
  EXPECT_EQ(area.Prepared().height, place.height);
  EXPECT_GT(Pixel(place.width * 3 / 4, place.height / 2) & 0xFF, 200u);
  // The picture kept from before, made for the old size, is made again when shown.
  area.SetPicture(blank);
  EXPECT_EQ(area.Prepared().width, place.width);
  // Pixels a worker made before the resize are made again too.
  const auto prepared = TPicturePreparer(place.width + 40, place.height + 20).Prepare(Picture());
  area.SetPicture(Picture(), prepared.get());
  EXPECT_EQ(area.Prepared().width, place.width);
}

}  // namespace
}  // namespace talvex::win32
