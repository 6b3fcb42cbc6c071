#include "talvex/experiment/picture_pixels.h"

namespace talvex::experiment {

using imagestore::Bitmap;
using imagestore::PixelFormat;

imagestore::PixelFormat PictureFormatForScreen(int bitsPerPixel) {
  return bitsPerPixel <= 8 ? PixelFormat::Bits8 : PixelFormat::Bits24;
}

int DecodeScaleFor(const imagestore::TJPEGImage& picture, int areaWidth, int areaHeight) {
  if (picture.Empty() || picture.Grayscale() || picture.Format() != PixelFormat::Bits24) {
    return 1;
  }
  int scale = 1;
  for (const int denominator : {2, 4, 8}) {
    // libjpeg's output at 1/n is the side divided by n, rounded up.
    const int width = (picture.Width() + denominator - 1) / denominator;
    const int height = (picture.Height() + denominator - 1) / denominator;
    if (width < areaWidth || height < areaHeight) break;
    scale = denominator;
  }
  return scale;
}

BitmapLayout LayoutOf(const Bitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0) return BitmapLayout::None;
  const size_t count = static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height);
  const size_t bytes = bitmap.pixels.size();
  if (bitmap.format == PixelFormat::Bits8) {
    return bitmap.palette.empty() || bytes < count ? BitmapLayout::None : BitmapLayout::Indexed;
  }
  if (bytes == count) return BitmapLayout::Gray;
  return bytes >= count * 3 ? BitmapLayout::Rgb : BitmapLayout::None;
}

std::vector<uint32_t> RgbWords(const Bitmap& bitmap) {
  const BitmapLayout layout = LayoutOf(bitmap);
  if (layout == BitmapLayout::None) return {};
  const size_t count = static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height);
  const auto word = [](uint8_t red, uint8_t green, uint8_t blue) {
    return uint32_t{red} << 16 | uint32_t{green} << 8 | uint32_t{blue};
  };
  const std::vector<uint8_t>& p = bitmap.pixels;
  std::vector<uint32_t> words(count);
  for (size_t i = 0; i < count; ++i) {
    switch (layout) {
      case BitmapLayout::Rgb:
        words[i] = word(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
        break;
      case BitmapLayout::Gray:
        words[i] = word(p[i], p[i], p[i]);
        break;
      case BitmapLayout::Indexed:
        if (p[i] < bitmap.palette.size()) {
          const auto& rgb = bitmap.palette[p[i]];
          words[i] = word(rgb[0], rgb[1], rgb[2]);
        }
        break;
      case BitmapLayout::None:
        break;
    }
  }
  return words;
}

}  // namespace talvex::experiment
