#include "talvex/experiment/picture_slots.h"

#include <gtest/gtest.h>

#include "talvex/generated_pictures.h"

namespace talvex::experiment {
namespace {

using imagestore::TJPEGImage;

// Pixels of one making at one size; 0: none.
struct Pixels {
  int size = 0;
  int making = 0;
};

// A picture area of a given size over the slots, counting what it prepares.
struct Area {
  int size = 100;
  int makings = 0;
  TPictureSlots<Pixels> slots;

  void Show(const TJPEGImage& picture, const Pixels* ahead = nullptr) {
    slots.Show(
        picture, ahead, [this](const Pixels& p) { return p.making != 0 && p.size == size; },
        [this](const TJPEGImage& p) {
          p.CountDecodeWarnings();  // raises as a decode would
          return Pixels{size, ++makings};
        });
  }
};

TJPEGImage Picture() {
  TJPEGImage picture;
  picture.LoadFromBytes(testing::TwoColourJpeg(8, 8));
  return picture;
}

TEST(PictureSlots, BlankAndImagesAlternatingPrepareEachPictureOnce) {
  Area area;
  const TJPEGImage blank = Picture();
  area.Show(blank);
  for (int trial = 0; trial < 3; ++trial) {
    area.Show(Picture());
    area.Show(TJPEGImage(blank));  // a copy of the blank picture is the same picture
  }
  EXPECT_EQ(area.makings, 4);  // the blank once, three images
  EXPECT_EQ(area.slots.Shown().making, 1);
  area.Show(blank);  // set again while shown
  EXPECT_EQ(area.makings, 4);
  EXPECT_EQ(area.slots.Previous().making, 4);  // the last image, not the blank
}

TEST(PictureSlots, PixelsPreparedAheadAreShownWhileTheyFit) {
  Area area;
  const Pixels ahead{100, 50};
  area.Show(Picture(), &ahead);
  EXPECT_EQ(area.slots.Shown().making, 50);
  EXPECT_EQ(area.makings, 0);
  // Made for another size of the area: made again.
  area.size = 80;
  area.Show(Picture(), &ahead);
  EXPECT_EQ(area.slots.Shown().size, 80);
  EXPECT_EQ(area.makings, 1);
}

TEST(PictureSlots, KeptPixelsOfAnotherSizeAreMadeAgain) {
  Area area;
  const TJPEGImage blank = Picture();
  area.Show(blank);
  area.Show(Picture());
  area.size = 80;
  area.Show(blank);
  EXPECT_EQ(area.slots.Shown().size, 80);
  EXPECT_EQ(area.makings, 3);
}

TEST(PictureSlots, PictureThatCannotBeDecodedChangesNothing) {
  Area area;
  const TJPEGImage blank = Picture();
  area.Show(blank);
  area.Show(Picture());
  TJPEGImage cmyk;
  cmyk.LoadFromBytes(testing::CmykJpeg());
  EXPECT_THROW(area.Show(cmyk), imagestore::EJPEG);
  EXPECT_EQ(area.slots.Shown().making, 2);
  EXPECT_EQ(area.slots.Previous().making, 1);
  // The blank picture is still kept prepared.
  area.Show(blank);
  EXPECT_EQ(area.makings, 2);
}

TEST(PictureSlots, PreparingAgainForANewSizeNeverRaises) {
  Area area;
  area.Show(Picture());
  area.slots.PrepareAgain([](const TJPEGImage&) { return Pixels{80, 9}; });
  EXPECT_EQ(area.slots.Shown().making, 9);
  area.slots.PrepareAgain([](const TJPEGImage&) -> Pixels { throw imagestore::EJPEG(1); });
  EXPECT_EQ(area.slots.Shown().making, 0);
  EXPECT_FALSE(area.slots.Picture().Empty());
}

}  // namespace
}  // namespace talvex::experiment
