#include "talvex/experiment/picture_pixels.h"

#include <algorithm>

namespace talvex::experiment {

namespace {

// Weights in 1/16384: 14 bits, so that a sum of 8.8 fixed-point values times weights fits in
// 32 bits.
constexpr int kWeightBits = 14;
constexpr uint32_t kWeightOne = 1u << kWeightBits;

// The source pixels one target pixel covers along one side, with their weights.
struct Span {
  int first = 0;
  std::vector<uint32_t> weights;  // of source pixels first, first + 1, ...; they sum to one
};

// Along a side of `from` source pixels scaled to `to` (to <= from): target pixel t covers
// [t * from / to, (t + 1) * from / to), counted in units of 1/to source pixel.
std::vector<Span> Spans(int from, int to) {
  std::vector<Span> spans(static_cast<size_t>(to));
  const int64_t length = from;  // a target pixel's span, in units
  for (int t = 0; t < to; ++t) {
    const int64_t start = int64_t{t} * from;
    const int64_t end = start + length;
    Span& span = spans[static_cast<size_t>(t)];
    span.first = static_cast<int>(start / to);
    uint32_t given = 0;
    for (int64_t i = span.first; i * to < end; ++i) {
      const int64_t overlap = std::min(end, (i + 1) * to) - std::max(start, i * to);
      const auto weight = static_cast<uint32_t>((overlap * kWeightOne + length / 2) / length);
      span.weights.push_back(weight);
      given += weight;
    }
    // Rounding may leave the sum a little off one; the largest share takes the difference.
    auto largest = std::max_element(span.weights.begin(), span.weights.end());
    *largest = *largest + kWeightOne - given;
  }
  return spans;
}

}  // namespace

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

bool AverageDown(const Bitmap& bitmap, int width, int height, uint32_t* out, size_t strideWords) {
  if (LayoutOf(bitmap) != BitmapLayout::Rgb || width <= 0 || height <= 0 || width > bitmap.width ||
      height > bitmap.height) {
    return false;
  }
  const std::vector<Span> columns = Spans(bitmap.width, width);
  const std::vector<Span> rows = Spans(bitmap.height, height);
  const size_t lineValues = static_cast<size_t>(width) * 3;
  const size_t sourceStride = static_cast<size_t>(bitmap.width) * 3;
  // A source row averaged along its width, as 8.8 fixed-point values. Neighbouring target rows
  // share at most one source row, so the last two rows made are kept.
  std::vector<uint16_t> made[2] = {std::vector<uint16_t>(lineValues),
                                   std::vector<uint16_t>(lineValues)};
  int madeRow[2] = {-1, -1};
  const auto across = [&](int y) -> const uint16_t* {
    for (int k = 0; k < 2; ++k) {
      if (madeRow[k] == y) return made[k].data();
    }
    const int k = madeRow[0] < madeRow[1] ? 0 : 1;  // the older one
    madeRow[k] = y;
    const uint8_t* source = bitmap.pixels.data() + static_cast<size_t>(y) * sourceStride;
    uint16_t* line = made[k].data();
    constexpr int kShift = kWeightBits - 8;
    constexpr uint32_t kHalf = 1u << (kShift - 1);
    for (const Span& span : columns) {
      const uint8_t* pixel = source + static_cast<size_t>(span.first) * 3;
      uint32_t r = kHalf;
      uint32_t g = kHalf;
      uint32_t b = kHalf;
      for (const uint32_t weight : span.weights) {
        r += pixel[0] * weight;
        g += pixel[1] * weight;
        b += pixel[2] * weight;
        pixel += 3;
      }
      *line++ = static_cast<uint16_t>(r >> kShift);
      *line++ = static_cast<uint16_t>(g >> kShift);
      *line++ = static_cast<uint16_t>(b >> kShift);
    }
    return made[k].data();
  };
  // Then down the columns, back to 8 bits.
  std::vector<uint32_t> sums(lineValues);
  constexpr int kShift = kWeightBits + 8;
  constexpr uint32_t kHalf = 1u << (kShift - 1);
  for (int y = 0; y < height; ++y) {
    const Span& span = rows[static_cast<size_t>(y)];
    std::fill(sums.begin(), sums.end(), kHalf);
    int sourceRow = span.first;
    for (const uint32_t weight : span.weights) {
      const uint16_t* line = across(sourceRow++);
      for (size_t i = 0; i < lineValues; ++i) sums[i] += line[i] * weight;
    }
    uint32_t* target = out + static_cast<size_t>(y) * strideWords;
    for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
      target[x] = 0xFF000000u | (sums[3 * x] >> kShift) << 16 | (sums[3 * x + 1] >> kShift) << 8 |
                  sums[3 * x + 2] >> kShift;
    }
  }
  return true;
}

}  // namespace talvex::experiment
