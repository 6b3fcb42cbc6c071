#include "image_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "talvex/imagestore/crypto.h"
#include "talvex/imagestore/jpeg_encode.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/pack/image_pack.h"

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

// LoadImage over an image pack registered as the program's resources.
class LoadImageFromPack : public ::testing::Test {
 protected:
  void SetUp() override {
    pack_ = pack::BuildImagePack({{"RESOURCES_POS_G__3__BMP", "pos3.jpg", PlainJpeg(40, 30)},
                                  {"RESOURCES_BLANK_BMP", "blank.jpg", PlainJpeg(8, 8)},
                                  {"RESOURCES_TEXT_BMP", "text.jpg", {0xFF, 0xD8, 0xFF, 0}}});
    SetModuleResources(pack_.data(), pack_.size());
  }
  void TearDown() override { SetModuleResources(nullptr, 0); }

  std::vector<uint8_t> pack_;
};

TEST_F(LoadImageFromPack, LoadsTheNamedPicture) {
  const auto picture = TResourceManager().LoadImage("RESOURCES_POS_G__3__BMP");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->CompressedBytes(), PlainJpeg(40, 30));
  EXPECT_EQ(picture->Width(), 40);
  EXPECT_EQ(TResourceManager().LoadImage("RESOURCES_BLANK_BMP")->Width(), 8);
}

TEST_F(LoadImageFromPack, SameNameTwiceGivesIndependentPictures) {
  const TResourceManager loader;
  auto first = loader.LoadImage("RESOURCES_POS_G__3__BMP");
  auto second = loader.LoadImage("RESOURCES_POS_G__3__BMP");
  EXPECT_NE(first.get(), second.get());
  EXPECT_NE(first->CompressedBytes().data(), second->CompressedBytes().data());
  EXPECT_EQ(first->CompressedBytes(), second->CompressedBytes());
  first.reset();
  EXPECT_EQ(second->Decoded().width, 40);
}

TEST_F(LoadImageFromPack, UnknownNameIsNotFound) {
  try {
    TResourceManager().LoadImage("RESOURCES_NEG_C__99__BMP");
    FAIL() << "no error";
  } catch (const EResNotFound& error) {
    EXPECT_STREQ(error.what(), "Resource RESOURCES_NEG_C__99__BMP not found");
  }
}

TEST_F(LoadImageFromPack, BrokenPictureFailsAtLoad) {
  try {
    TResourceManager().LoadImage("RESOURCES_TEXT_BMP");
    FAIL() << "no error";
  } catch (const EJPEG& error) {
    EXPECT_EQ(error.what(), Message(JERR_NO_IMAGE));
  }
}

}  // namespace
}  // namespace talvex::imagestore
