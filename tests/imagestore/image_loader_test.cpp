#include "image_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource_test_support.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/pack/image_pack.h"
#include "talvex/tools/jpeg_encode.h"

// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace talvex::imagestore {
namespace {

using testing::Bytes;
using testing::ErrorOf;
using tools::EncodeJpeg;

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

std::unique_ptr<TJPEGImage> Load(const std::vector<uint8_t>& resource) {
  return LoadDecipheredImage(ByteSpan{resource.data(), resource.size()});
}

std::string Message(int code) {
  return "JPEG error #" + std::to_string(code);
}

TEST(LoadImage, DeciphersTheResourceIntoIndependentPicturesAndLeavesIt) {
  const std::vector<uint8_t> plain = PlainJpeg(48, 32);
  const std::vector<uint8_t> resource = Encipher(plain);
  ASSERT_NE(resource, plain);
  auto first = Load(resource);
  auto second = Load(resource);
  EXPECT_EQ(resource, Encipher(plain));  // deciphered in a copy
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Width(), 48);
  EXPECT_EQ(first->Height(), 32);
  EXPECT_EQ(first->CompressedBytes(), plain);
  EXPECT_EQ(first->Decoded().pixels.size(), 48u * 32u * 3u);
  EXPECT_NE(first->CompressedBytes().data(), second->CompressedBytes().data());
  EXPECT_EQ(second->CompressedBytes(), plain);
  EXPECT_EQ(first->Decoded().pixels, second->Decoded().pixels);
  first.reset();
  EXPECT_EQ(second->Width(), 48);
}

TEST(LoadImage, ResourceThatIsNoJpegFailsAtLoad) {
  std::vector<uint8_t> cut = PlainJpeg(8, 8);
  cut.resize(30);
  const std::pair<std::vector<uint8_t>, int> cases[] = {
      {Encipher(Bytes("not a JPEG")), JERR_NO_SOI},
      {PlainJpeg(8, 8), JERR_NO_SOI},  // stored without encipherment: deciphers to noise
      {{}, JERR_INPUT_EMPTY},
      {Encipher(cut), JERR_NO_IMAGE}};  // cut inside its header
  for (const auto& [resource, code] : cases) {
    EXPECT_EQ(ErrorOf<EJPEG>([&] { Load(resource); }), Message(code)) << code;
  }
}

// LoadImage over an image pack in memory.
class LoadImageFromPack : public ::testing::Test {
 protected:
  std::vector<uint8_t> pack_ =
      pack::BuildImagePack({{"RESOURCES_POS_G__3__BMP", "pos3.jpg", PlainJpeg(40, 30)},
                            {"RESOURCES_BLANK_BMP", "blank.jpg", PlainJpeg(8, 8)},
                            {"RESOURCES_TEXT_BMP", "text.jpg", {0xFF, 0xD8, 0xFF, 0}}});
  ImageSource source_ = ImageSource::InMemory(ByteSpan{pack_.data(), pack_.size()});
};

TEST_F(LoadImageFromPack, LoadsTheNamedPictureAnewEachTime) {
  const TResourceManager loader(source_);
  auto first = loader.LoadImage("RESOURCES_POS_G__3__BMP");
  auto second = loader.LoadImage("RESOURCES_POS_G__3__BMP");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->CompressedBytes(), PlainJpeg(40, 30));
  EXPECT_EQ(first->Width(), 40);
  EXPECT_EQ(loader.LoadImage("RESOURCES_BLANK_BMP")->Width(), 8);
  EXPECT_NE(first.get(), second.get());
  EXPECT_NE(first->CompressedBytes().data(), second->CompressedBytes().data());
  EXPECT_EQ(first->CompressedBytes(), second->CompressedBytes());
  first.reset();
  EXPECT_EQ(second->Decoded().width, 40);
}

TEST_F(LoadImageFromPack, PicturesHaveTheLoadersPixelFormat) {
  for (PixelFormat format : {PixelFormat::Bits8, PixelFormat::Bits24}) {
    const TResourceManager loader(source_, format);
    EXPECT_EQ(loader.PicturePixelFormat(), format);
    EXPECT_EQ(loader.LoadImage("RESOURCES_POS_G__3__BMP")->Decoded().format, format);
  }
  EXPECT_EQ(TResourceManager(source_).LoadImage("RESOURCES_BLANK_BMP")->Format(),
            PixelFormat::Bits24);
}

TEST_F(LoadImageFromPack, UnknownNameIsNotFoundAndABrokenPictureFailsAtLoad) {
  const TResourceManager loader(source_);
  EXPECT_EQ(ErrorOf<EResNotFound>([&] { loader.LoadImage("RESOURCES_NEG_C__99__BMP"); }),
            "Resource RESOURCES_NEG_C__99__BMP not found");
  EXPECT_EQ(ErrorOf<EJPEG>([&] { loader.LoadImage("RESOURCES_TEXT_BMP"); }),
            Message(JERR_NO_IMAGE));
}

}  // namespace
}  // namespace talvex::imagestore
