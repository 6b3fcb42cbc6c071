#include "image_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "talvex/imagestore/crypto.h"
#include "talvex/imagestore/jpeg_encode.h"

// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace talvex::imagestore {
namespace {

std::vector<uint8_t> PlainJpeg(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width * height * 3));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 13 % 251);
  return EncodeJpeg(pixels.data(), width, height, 3);
}

// RC4 is its own inverse: deciphering plain bytes enciphers them.
std::vector<uint8_t> Encipher(std::vector<uint8_t> bytes) {
  TCrypto().DecipherStream(bytes);
  return bytes;
}

ResourceBytes Resource(const std::vector<uint8_t>& bytes) {
  return {bytes.data(), bytes.size()};
}

std::string LoadError(const std::vector<uint8_t>& resource) {
  try {
    LoadDecipheredImage(Resource(resource));
  } catch (const EJPEG& error) {
    return error.what();
  }
  return "no error";
}

std::string Message(int code) {
  return "JPEG error #" + std::to_string(code);
}

TEST(LoadImage, DeciphersTheResourceIntoAPicture) {
  const std::vector<uint8_t> plain = PlainJpeg(48, 32);
  const std::vector<uint8_t> resource = Encipher(plain);
  ASSERT_NE(resource, plain);
  const auto picture = LoadDecipheredImage(Resource(resource));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Width(), 48);
  EXPECT_EQ(picture->Height(), 32);
  EXPECT_EQ(picture->CompressedBytes(), plain);
  EXPECT_EQ(picture->Decoded().pixels.size(), 48u * 32u * 3u);
}

TEST(LoadImage, TwoLoadsGiveIndependentEqualPicturesAndLeaveTheResource) {
  const std::vector<uint8_t> resource = Encipher(PlainJpeg(16, 16));
  const std::vector<uint8_t> untouched = resource;
  auto first = LoadDecipheredImage(Resource(resource));
  auto second = LoadDecipheredImage(Resource(resource));
  EXPECT_EQ(resource, untouched);
  EXPECT_NE(first->CompressedBytes().data(), second->CompressedBytes().data());
  EXPECT_EQ(first->CompressedBytes(), second->CompressedBytes());
  EXPECT_EQ(first->Decoded().pixels, second->Decoded().pixels);
  first.reset();
  EXPECT_EQ(second->Width(), 16);
}

TEST(LoadImage, ResourceThatIsNoJpegFailsAtLoad) {
  EXPECT_EQ(LoadError(Encipher({'n', 'o', 't', ' ', 'a', ' ', 'J', 'P', 'E', 'G'})),
            Message(JERR_NO_SOI));
  // A JPEG file stored without encipherment deciphers to noise.
  EXPECT_EQ(LoadError(PlainJpeg(8, 8)), Message(JERR_NO_SOI));
  EXPECT_EQ(LoadError({}), Message(JERR_INPUT_EMPTY));
}

TEST(LoadImage, ResourceCutInsideItsHeaderFailsAtLoad) {
  std::vector<uint8_t> plain = PlainJpeg(8, 8);
  plain.resize(30);
  EXPECT_EQ(LoadError(Encipher(plain)), Message(JERR_NO_IMAGE));
}

}  // namespace
}  // namespace talvex::imagestore
