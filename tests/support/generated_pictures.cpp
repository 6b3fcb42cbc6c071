#include "talvex/generated_pictures.h"

#include "talvex/exception.h"
#include "talvex/tools/jpeg_encode.h"

namespace talvex::testing {

std::vector<uint8_t> TwoColourJpeg(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width * height * 3));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &pixels[static_cast<size_t>((y * width + x) * 3)];
      const bool left = x < width / 2;
      p[0] = left ? 255 : 0;
      p[1] = 0;
      p[2] = left ? 0 : 255;
    }
  }
  return tools::EncodeJpeg(pixels.data(), width, height, 3);
}

std::vector<uint8_t> CmykJpeg() {
  const std::vector<uint8_t> ink(16 * 16 * 4, 70);
  return tools::EncodeJpeg(ink.data(), 16, 16, 4);
}

std::unique_ptr<imagestore::TJPEGImage> GeneratedLoader::LoadImage(const std::string& name) const {
  ++*loads_;
  if (fail_) throw EResNotFound(name);
  auto picture = std::make_unique<imagestore::TJPEGImage>();
  picture->LoadFromBytes(undecodable.count(name) > 0 ? CmykJpeg() : TwoColourJpeg(64, 32));
  return picture;
}

}  // namespace talvex::testing
