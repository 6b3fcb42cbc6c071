#include "talvex/imagestore/jpeg_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "talvex/tools/jpeg_encode.h"

// clang-format off
// libjpeg's message codes, numbered as the library was built (jpeglib.h sets the version).
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace talvex::imagestore {
namespace {

using tools::EncodeJpeg;
using tools::JpegEncodeSettings;

// A smooth colour picture: red rises left to right, green top to bottom, blue is fixed.
std::vector<uint8_t> ColourPixels(int width, int height) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels.push_back(static_cast<uint8_t>(30 + 200 * x / width));
      pixels.push_back(static_cast<uint8_t>(20 + 180 * y / height));
      pixels.push_back(90);
    }
  }
  return pixels;
}

std::vector<uint8_t> ColourJpeg(int width, int height, bool progressive = false) {
  return EncodeJpeg(ColourPixels(width, height).data(), width, height, 3,
                    JpegEncodeSettings{95, progressive});
}

std::vector<uint8_t> GreyJpeg(int width, int height) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(static_cast<uint8_t>((x + 2 * y) % 256));
  }
  return EncodeJpeg(pixels.data(), width, height, 1);
}

std::string LoadError(std::vector<uint8_t> bytes) {
  try {
    TJPEGImage picture;
    picture.LoadFromBytes(std::move(bytes));
  } catch (const EJPEG& error) {
    return error.what();
  }
  return "no error";
}

std::string Message(int code) {
  return "JPEG error #" + std::to_string(code);
}

// Mean absolute difference of the decoded colours from the source pixels.
double MeanError(const Bitmap& bitmap, const std::vector<uint8_t>& source) {
  double total = 0;
  const size_t pixels = static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height);
  for (size_t i = 0; i < pixels; ++i) {
    for (size_t c = 0; c < 3; ++c) {
      const int decoded = bitmap.format == PixelFormat::Bits24
                              ? bitmap.pixels[3 * i + c]
                              : bitmap.palette.at(bitmap.pixels[i])[c];
      total += std::abs(decoded - source[3 * i + c]);
    }
  }
  return total / static_cast<double>(3 * pixels);
}

TEST(TJPEGImage, ReadsTheHeaderAtLoad) {
  TJPEGImage picture;
  EXPECT_TRUE(picture.Empty());
  picture.LoadFromBytes(ColourJpeg(37, 21));
  EXPECT_FALSE(picture.Empty());
  EXPECT_EQ(picture.Width(), 37);
  EXPECT_EQ(picture.Height(), 21);
  EXPECT_FALSE(picture.Grayscale());
  EXPECT_FALSE(picture.MultipleScans());
  EXPECT_EQ(picture.CompressedBytes(), ColourJpeg(37, 21));  // the bytes it was given

  TJPEGImage grey;
  grey.LoadFromBytes(GreyJpeg(16, 9));
  EXPECT_TRUE(grey.Grayscale());

  TJPEGImage progressive;
  progressive.LoadFromBytes(ColourJpeg(40, 30, true));
  EXPECT_TRUE(progressive.MultipleScans());
  EXPECT_EQ(progressive.Width(), 40);
}

TEST(TJPEGImage, EveryDecodeHasTheFormatGivenAtLoadAndTheFirstIsKept) {
  for (PixelFormat format : {PixelFormat::Bits8, PixelFormat::Bits24}) {
    TJPEGImage picture;
    picture.LoadFromBytes(ColourJpeg(32, 24), format);
    EXPECT_EQ(picture.Format(), format);
    const Bitmap& first = picture.Decoded();
    EXPECT_EQ(first.format, format);
    EXPECT_EQ(&picture.Decoded(), &first);
    EXPECT_EQ(picture.DecodeScaled(2).format, format);
    // A copy keeps the format of the picture it copies.
    EXPECT_EQ(TJPEGImage(picture).Format(), format);
  }
  EXPECT_EQ(TJPEGImage().Format(), PixelFormat::Bits24);
}

TEST(TJPEGImage, CopiesShareBytesAndBitmap) {
  auto original = std::make_unique<TJPEGImage>();
  original->LoadFromBytes(ColourJpeg(24, 16));
  TJPEGImage copy = *original;
  EXPECT_EQ(copy.CompressedBytes().data(), original->CompressedBytes().data());
  EXPECT_EQ(&copy.Decoded(), &original->Decoded());

  // The owner frees its picture after handing a copy on: the copy stays whole.
  const std::vector<uint8_t> bytes = original->CompressedBytes();
  original.reset();
  EXPECT_EQ(copy.CompressedBytes(), bytes);
  EXPECT_EQ(copy.Decoded().width, 24);
}

TEST(TJPEGImage, BaselineAndProgressiveFilesDecodeTo24BitRgb) {
  const int width = 64, height = 48;
  for (const bool progressive : {false, true}) {
    TJPEGImage picture;
    picture.LoadFromBytes(ColourJpeg(width, height, progressive));
    const Bitmap& bitmap = picture.Decoded();
    EXPECT_EQ(bitmap.format, PixelFormat::Bits24);
    EXPECT_EQ(bitmap.width, width);
    EXPECT_EQ(bitmap.height, height);
    ASSERT_EQ(bitmap.pixels.size(), static_cast<size_t>(width * height * 3));
    EXPECT_TRUE(bitmap.palette.empty());
    EXPECT_LT(MeanError(bitmap, ColourPixels(width, height)), 3.0) << progressive;
  }
}

TEST(TJPEGImage, DecodesTo8BitWithAtMost236Colours) {
  const int width = 96, height = 64;
  TJPEGImage picture;
  picture.LoadFromBytes(ColourJpeg(width, height), PixelFormat::Bits8);
  const Bitmap& bitmap = picture.Decoded();
  EXPECT_EQ(bitmap.format, PixelFormat::Bits8);
  ASSERT_EQ(bitmap.pixels.size(), static_cast<size_t>(width * height));
  ASSERT_FALSE(bitmap.palette.empty());
  EXPECT_LE(bitmap.palette.size(), 236u);
  std::set<uint8_t> used(bitmap.pixels.begin(), bitmap.pixels.end());
  EXPECT_LT(*used.rbegin(), bitmap.palette.size());
  EXPECT_GT(used.size(), 50u);  // a smooth gradient needs many of the colours
  EXPECT_LT(MeanError(bitmap, ColourPixels(width, height)), 8.0);
}

TEST(TJPEGImage, GrayscaleFileDecodesTo8BitGreyPaletteInEitherFormat) {
  for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8}) {
    TJPEGImage picture;
    picture.LoadFromBytes(GreyJpeg(300, 20), format);
    const Bitmap& bitmap = picture.Decoded();
    EXPECT_EQ(bitmap.format, PixelFormat::Bits8);
    ASSERT_EQ(bitmap.pixels.size(), 300u * 20u);
    ASSERT_FALSE(bitmap.palette.empty());
    EXPECT_LE(bitmap.palette.size(), 236u);
    for (const auto& entry : bitmap.palette) {
      EXPECT_EQ(entry[0], entry[1]);
      EXPECT_EQ(entry[1], entry[2]);
    }
  }
}

TEST(TJPEGImage, DecodeScaledDividesTheSize) {
  for (int denom : {1, 2, 4, 8}) {
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8}) {
      TJPEGImage picture;
      picture.LoadFromBytes(ColourJpeg(100, 60), format);
      const Bitmap bitmap = picture.DecodeScaled(denom);
      EXPECT_EQ(bitmap.width, (100 + denom - 1) / denom);
      EXPECT_EQ(bitmap.height, (60 + denom - 1) / denom);
      EXPECT_EQ(bitmap.format, format);
      const size_t bytesPerPixel = format == PixelFormat::Bits24 ? 3 : 1;
      EXPECT_EQ(bitmap.pixels.size(),
                static_cast<size_t>(bitmap.width * bitmap.height) * bytesPerPixel);
    }
  }
}

TEST(TJPEGImage, DecodeScaledRejectsOtherScales) {
  TJPEGImage picture;
  picture.LoadFromBytes(ColourJpeg(16, 16));
  try {
    picture.DecodeScaled(3);
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Unsupported JPEG scale 1/3");
  }
  EXPECT_THROW(picture.DecodeScaled(0), Exception);
}

TEST(TJPEGImage, EmptyPictureHasNothingToDecode) {
  const TJPEGImage picture;
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_TRUE(picture.CompressedBytes().empty());
  EXPECT_TRUE(picture.Decoded().pixels.empty());
  EXPECT_TRUE(picture.DecodeScaled(2).pixels.empty());
}

TEST(TJPEGImageErrors, UnreadableHeadersRaiseLibjpegCodes) {
  EXPECT_EQ(LoadError({}), Message(JERR_INPUT_EMPTY));
  EXPECT_EQ(LoadError({'G', 'I', 'F', '8', '9', 'a'}), Message(JERR_NO_SOI));
  EXPECT_EQ(LoadError({0xFF}), Message(JERR_NO_SOI));

  // Cut inside the header tables: libjpeg meets its inserted end marker before any scan.
  std::vector<uint8_t> cut = ColourJpeg(16, 16);
  cut.resize(40);
  EXPECT_EQ(LoadError(cut), Message(JERR_NO_IMAGE));
  EXPECT_EQ(LoadError({0xFF, 0xD8}), Message(JERR_NO_IMAGE));
}

// Finds the first marker 0xFF <code> of a baseline file.
size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t code) {
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
  }
  return bytes.size();
}

TEST(TJPEGImageErrors, AbsurdDimensionsAreRefusedBeforeAllocating) {
  std::vector<uint8_t> bytes = ColourJpeg(16, 16);
  const size_t frame = FindMarker(bytes, 0xC0);  // baseline frame header
  ASSERT_LT(frame + 9, bytes.size());
  // Height and width (16 bits, big-endian) become 60000 x 60000.
  for (size_t at : {frame + 5, frame + 7}) {
    bytes[at] = 0xEA;
    bytes[at + 1] = 0x60;
  }
  EXPECT_EQ(LoadError(bytes), Message(JERR_IMAGE_TOO_BIG));
}

TEST(TJPEGImageErrors, FailedLoadKeepsThePreviousPicture) {
  TJPEGImage picture;
  picture.LoadFromBytes(ColourJpeg(12, 8));
  EXPECT_THROW(picture.LoadFromBytes({1, 2, 3}), EJPEG);
  EXPECT_EQ(picture.Width(), 12);
  EXPECT_EQ(picture.Decoded().height, 8);
}

TEST(TJPEGImageErrors, TruncatedScanDataDecodesWithGreyFill) {
  const int width = 64, height = 64;
  std::vector<uint8_t> bytes = ColourJpeg(width, height);
  const size_t scan = FindMarker(bytes, 0xDA);
  ASSERT_LT(scan, bytes.size());
  bytes.resize(scan + 40);
  TJPEGImage picture;
  picture.LoadFromBytes(bytes);
  const Bitmap& bitmap = picture.Decoded();
  ASSERT_EQ(bitmap.pixels.size(), static_cast<size_t>(width * height * 3));
  // The bottom row lies past the data: libjpeg's mid-grey.
  const size_t last = bitmap.pixels.size() - 3;
  EXPECT_NEAR(bitmap.pixels[last], 128, 2);
  EXPECT_NEAR(bitmap.pixels[last + 1], 128, 2);
}

TEST(TJPEGImageErrors, DamagedScanDataDecodesWithoutFailure) {
  std::vector<uint8_t> bytes = ColourJpeg(64, 64);
  const size_t scan = FindMarker(bytes, 0xDA);
  for (size_t i = scan + 20; i + 2 < bytes.size(); i += 7) bytes[i] ^= 0x5A;
  for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8}) {
    TJPEGImage picture;
    picture.LoadFromBytes(bytes, format);
    const Bitmap bitmap = picture.DecodeScaled(1);
    EXPECT_EQ(bitmap.width, 64);
  }
}

// The full decode that tells a picture the program can show whole from one it cannot.
TEST(TJPEGImageErrors, FullDecodeCountsWarningsAndRefusesWhatCannotBeShown) {
  const std::vector<uint8_t> whole = ColourJpeg(64, 64);
  std::vector<uint8_t> cut = whole;
  cut.resize(FindMarker(cut, 0xDA) + 40);  // the scan data stops early
  std::vector<uint8_t> damaged = whole;
  for (size_t i = FindMarker(damaged, 0xDA) + 20; i + 2 < damaged.size(); i += 7)
    damaged[i] ^= 0x5A;
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    bool warns;
  } cases[] = {{"whole", whole, false},
               {"progressive", ColourJpeg(40, 30, true), false},
               {"grey", GreyJpeg(30, 20), false},
               {"cut short", cut, true},
               {"damaged", damaged, true}};
  for (const auto& c : cases) {
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8}) {
      TJPEGImage picture;
      picture.LoadFromBytes(c.bytes, format);
      EXPECT_EQ(picture.CountDecodeWarnings() > 0, c.warns) << c.what;
      EXPECT_FALSE(picture.Decoded().pixels.empty()) << c.what;  // shown, with grey rows
    }
  }
  EXPECT_EQ(TJPEGImage().CountDecodeWarnings(), 0);

  // A CMYK file has a readable header but no colours this program can show.
  const std::vector<uint8_t> ink(16 * 16 * 4, 60);
  TJPEGImage cmyk;
  cmyk.LoadFromBytes(EncodeJpeg(ink.data(), 16, 16, 4));
  EXPECT_EQ(cmyk.Width(), 16);
  EXPECT_THROW(cmyk.CountDecodeWarnings(), EJPEG);
  EXPECT_THROW(cmyk.DecodeScaled(2), EJPEG);
}

}  // namespace
}  // namespace talvex::imagestore
