#include "talvex/tools/jpeg_encode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "talvex/exception.h"
#include "talvex/imagestore/jpeg_image.h"

namespace talvex::tools {
namespace {

using imagestore::TJPEGImage;

std::string ErrorOf(const uint8_t* pixels, int width, int height, int components,
                    const JpegEncodeSettings& settings = {}) {
  try {
    EncodeJpeg(pixels, width, height, components, settings);
  } catch (const Exception& error) {
    return error.what();
  }
  return "no error";
}

TEST(JpegEncode, RejectsImpossiblePictures) {
  const uint8_t pixel[4] = {0, 0, 0, 0};
  EXPECT_EQ(ErrorOf(pixel, 0, 1, 3), "Cannot encode a JPEG picture of 0 x 1 pixels");
  EXPECT_EQ(ErrorOf(pixel, 1, 70000, 3), "Cannot encode a JPEG picture of 1 x 70000 pixels");
  EXPECT_EQ(ErrorOf(pixel, 1, 1, 2), "Cannot encode a JPEG picture of 2 components");
  EXPECT_EQ(ErrorOf(nullptr, 1, 1, 3), "Cannot encode a JPEG picture without pixels");
  EXPECT_EQ(ErrorOf(pixel, 1, 1, 3, JpegEncodeSettings{0, false}),
            "JPEG quality 0 outside 1 to 100");
  EXPECT_EQ(ErrorOf(pixel, 1, 1, 3, JpegEncodeSettings{101, false}),
            "JPEG quality 101 outside 1 to 100");
  for (int components : {1, 3, 4}) EXPECT_EQ(ErrorOf(pixel, 1, 1, components), "no error");
}

TEST(JpegEncode, OutputGrowsPastItsFirstBuffer) {
  // Noise compresses badly: a 300 x 300 picture needs more than the first 64 KB.
  std::vector<uint8_t> pixels(300 * 300 * 3);
  uint32_t state = 12345;
  for (uint8_t& value : pixels) {
    state = state * 1664525u + 1013904223u;
    value = static_cast<uint8_t>(state >> 24);
  }
  const std::vector<uint8_t> bytes = EncodeJpeg(pixels.data(), 300, 300, 3);
  EXPECT_GT(bytes.size(), 64u * 1024u);
  EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
  EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);  // end of image
  TJPEGImage picture;
  picture.LoadFromBytes(bytes);
  EXPECT_EQ(picture.Decoded().width, 300);
}

TEST(JpegEncode, EachComponentCountGivesItsColourSpace) {
  const std::vector<uint8_t> pixels(8 * 8 * 4, 90);
  TJPEGImage grey;
  grey.LoadFromBytes(EncodeJpeg(pixels.data(), 8, 8, 1));
  EXPECT_TRUE(grey.Grayscale());
  TJPEGImage colour;
  colour.LoadFromBytes(EncodeJpeg(pixels.data(), 8, 8, 3, JpegEncodeSettings{50, true}));
  EXPECT_FALSE(colour.Grayscale());
  EXPECT_TRUE(colour.MultipleScans());
  TJPEGImage cmyk;
  cmyk.LoadFromBytes(EncodeJpeg(pixels.data(), 8, 8, 4));
  EXPECT_FALSE(cmyk.Grayscale());
  EXPECT_EQ(cmyk.Width(), 8);
}

}  // namespace
}  // namespace talvex::tools
