#include "talvex/experiment/picture_pixels.h"

#include <gtest/gtest.h>

#include "talvex/generated_pictures.h"
#include "talvex/tools/jpeg_encode.h"

namespace talvex::experiment {
namespace {

using imagestore::Bitmap;
using imagestore::PixelFormat;
using imagestore::TJPEGImage;

TJPEGImage Picture(int width, int height, PixelFormat format = PixelFormat::Bits24) {
  TJPEGImage picture;
  picture.LoadFromBytes(testing::TwoColourJpeg(width, height), format);
  return picture;
}

TEST(DecodeScale, TheSmallestDecodeStillCoveringTheArea) {
  const TJPEGImage sample = Picture(1200, 900);
  EXPECT_EQ(DecodeScaleFor(sample, 410, 350), 2);
  EXPECT_EQ(DecodeScaleFor(sample, 600, 450), 2);  // 1/2 covers it exactly
  EXPECT_EQ(DecodeScaleFor(sample, 601, 450), 1);
  EXPECT_EQ(DecodeScaleFor(sample, 150, 113), 8);
  EXPECT_EQ(DecodeScaleFor(sample, 150, 114), 4);
  // libjpeg rounds a reduced side up: 1201 / 2 gives 601.
  EXPECT_EQ(DecodeScaleFor(Picture(1201, 900), 601, 450), 2);
  EXPECT_EQ(DecodeScaleFor(Picture(3000, 2000), 410, 350), 4);
  // A picture smaller than the area is decoded whole and stretched up.
  EXPECT_EQ(DecodeScaleFor(Picture(64, 48), 410, 350), 1);
}

TEST(DecodeScale, QuantizedPicturesAreDecodedAtFullSize) {
  // Dithering at a reduced size would not give the picture of the full-size decode.
  EXPECT_EQ(DecodeScaleFor(Picture(1200, 900, PictureFormatForScreen(8)), 410, 350), 1);
  std::vector<uint8_t> grey(256 * 256);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i % 256);
  TJPEGImage greyPicture;
  greyPicture.LoadFromBytes(tools::EncodeJpeg(grey.data(), 256, 256, 1));
  ASSERT_TRUE(greyPicture.Grayscale());
  EXPECT_EQ(DecodeScaleFor(greyPicture, 60, 60), 1);
}

Bitmap MakeBitmap(int width, int height, PixelFormat format, std::vector<uint8_t> pixels) {
  Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.format = format;
  bitmap.pixels = std::move(pixels);
  return bitmap;
}

TEST(DecodedBitmap, WordsOfEachLayout) {
  EXPECT_EQ(RgbWords(MakeBitmap(2, 1, PixelFormat::Bits24, {1, 2, 3, 250, 251, 252})),
            (std::vector<uint32_t>{0x010203, 0xFAFBFC}));
  // A grey file's 24-bit decode: one byte per pixel.
  EXPECT_EQ(RgbWords(MakeBitmap(2, 1, PixelFormat::Bits24, {10, 200})),
            (std::vector<uint32_t>{0x0A0A0A, 0xC8C8C8}));
  Bitmap indexed = MakeBitmap(3, 1, PixelFormat::Bits8, {1, 0, 7});  // 7: beyond the palette
  indexed.palette = {{{10, 20, 30}}, {{200, 100, 50}}};
  EXPECT_EQ(LayoutOf(indexed), BitmapLayout::Indexed);
  EXPECT_EQ(RgbWords(indexed), (std::vector<uint32_t>{0xC86432, 0x0A141E, 0}));
}

TEST(DecodedBitmap, InconsistentBitmapsAreNeverRead) {
  Bitmap noPalette = MakeBitmap(1, 1, PixelFormat::Bits8, {0});
  Bitmap shortIndexed = MakeBitmap(2, 2, PixelFormat::Bits8, {0, 0, 0});
  shortIndexed.palette = {{{1, 2, 3}}};
  const Bitmap cases[] = {
      Bitmap{},
      MakeBitmap(0, 5, PixelFormat::Bits24, {}),
      MakeBitmap(4, 4, PixelFormat::Bits24, std::vector<uint8_t>(20)),  // neither grey nor RGB
      MakeBitmap(3, 2, PixelFormat::Bits24, std::vector<uint8_t>(17)),  // one byte short
      noPalette,
      shortIndexed,
  };
  for (const Bitmap& bitmap : cases) {
    EXPECT_EQ(LayoutOf(bitmap), BitmapLayout::None) << bitmap.width << "x" << bitmap.height;
    EXPECT_TRUE(RgbWords(bitmap).empty());
  }
  EXPECT_EQ(LayoutOf(MakeBitmap(3, 2, PixelFormat::Bits24, std::vector<uint8_t>(18))),
            BitmapLayout::Rgb);
}

TEST(AverageDown, EachTargetPixelAveragesTheSourceItCovers) {
  // 3 x 2 to 2 x 1: the middle column is shared half and half.
  const Bitmap source = MakeBitmap(3, 2, PixelFormat::Bits24,
                                   {0, 0, 0, 90, 30, 60, 180, 0, 255,  //
                                    0, 0, 0, 90, 30, 60, 180, 0, 255});
  std::vector<uint32_t> out(4, 0);
  ASSERT_TRUE(AverageDown(source, 2, 1, out.data(), 4));
  // Red (0 + 90 / 2) / 1.5 = 30 and (90 / 2 + 180) / 1.5 = 150.
  EXPECT_EQ(out[0], 0xFF1E0A14u);
  EXPECT_EQ(out[1], 0xFF960ABEu);  // blue (60 / 2 + 255) / 1.5 = 190
  EXPECT_EQ(out[2], 0u);           // beyond the width: the stride is kept
  // The same size copies the pixels.
  std::vector<uint32_t> copy(6);
  ASSERT_TRUE(AverageDown(source, 3, 2, copy.data(), 3));
  EXPECT_EQ(copy[4], 0xFF5A1E3Cu);
}

TEST(AverageDown, RefusesWhatItCannotScaleDown) {
  const Bitmap rgb = MakeBitmap(3, 2, PixelFormat::Bits24, std::vector<uint8_t>(18, 7));
  uint32_t out[16] = {};
  EXPECT_FALSE(AverageDown(rgb, 4, 2, out, 4));  // larger
  EXPECT_FALSE(AverageDown(rgb, 3, 0, out, 4));
  EXPECT_FALSE(AverageDown(MakeBitmap(3, 2, PixelFormat::Bits24, std::vector<uint8_t>(6)), 1, 1,
                           out, 4));  // grey
  EXPECT_FALSE(
      AverageDown(MakeBitmap(3, 2, PixelFormat::Bits24, std::vector<uint8_t>(17)), 1, 1, out, 4));
  EXPECT_EQ(out[0], 0u);
}

}  // namespace
}  // namespace talvex::experiment
