#include "talvex/icon/app_icon.h"

#include <cmath>

#include "talvex/little_endian.h"

namespace talvex::icon {
namespace {

struct Colour {
  double red, green, blue;
};

Colour Mix(const Colour& a, const Colour& b, double t) {
  return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
          a.blue + (b.blue - a.blue) * t};
}

bool InEllipse(double x, double y, double centreX, double centreY, double radiusX, double radiusY) {
  const double dx = (x - centreX) / radiusX;
  const double dy = (y - centreY) / radiusY;
  return dx * dx + dy * dy <= 1.0;
}

// The colour at one sample point, from the front layer down; false outside the icon's shape.
bool SampleAt(double x, double y, Colour& colour) {
  if (InEllipse(x, y, 29, 21, 4.5, 5)) {  // the cup
    colour = {255, 240, 210};
  } else if (InEllipse(x, y, 28, 22, 10, 11)) {  // the disc
    colour = {245, 200, 140};
  } else if (InEllipse(x, y, 24, 24, 23, 23)) {  // the fundus, brighter towards its centre
    const double t = std::hypot(x - 24, y - 24) / 23;
    colour = Mix({200, 70, 40}, {110, 20, 15}, t);
  } else {
    return false;
  }
  return true;
}

uint32_t Channel(double value) {
  return static_cast<uint32_t>(std::lround(std::fmin(std::fmax(value, 0.0), 255.0)));
}

}  // namespace

std::vector<uint32_t> AppIconPixels() {
  constexpr int kSamples = 4;  // per side of a pixel
  std::vector<uint32_t> pixels(static_cast<size_t>(kIconSize) * kIconSize);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      Colour sum{0, 0, 0};
      int covered = 0;
      for (int j = 0; j < kSamples; ++j) {
        for (int i = 0; i < kSamples; ++i) {
          Colour colour{};
          if (!SampleAt(x + (i + 0.5) / kSamples, y + (j + 0.5) / kSamples, colour)) continue;
          sum = {sum.red + colour.red, sum.green + colour.green, sum.blue + colour.blue};
          ++covered;
        }
      }
      if (covered == 0) continue;  // fully transparent
      const double alpha = 255.0 * covered / (kSamples * kSamples);
      pixels[static_cast<size_t>(y) * kIconSize + static_cast<size_t>(x)] =
          Channel(alpha) << 24 | Channel(sum.red / covered) << 16 |
          Channel(sum.green / covered) << 8 | Channel(sum.blue / covered);
    }
  }
  return pixels;
}

std::vector<uint8_t> AppIconFile() {
  const std::vector<uint32_t> pixels = AppIconPixels();
  constexpr uint32_t kHeaderSize = 40;  // BITMAPINFOHEADER
  constexpr uint32_t kColourBytes = kIconSize * kIconSize * 4;
  // The AND mask: one bit per pixel, rows padded to 32 bits; all 0, the alpha channel rules.
  constexpr uint32_t kMaskRowBytes = (kIconSize + 31) / 32 * 4;
  constexpr uint32_t kMaskBytes = kMaskRowBytes * kIconSize;
  constexpr uint32_t kImageBytes = kHeaderSize + kColourBytes + kMaskBytes;
  constexpr uint32_t kImageOffset = 6 + 16;  // ICONDIR and one ICONDIRENTRY

  std::vector<uint8_t> file;
  AppendLittleEndian16(file, 0);   // reserved
  AppendLittleEndian16(file, 1);   // type: icon
  AppendLittleEndian16(file, 1);   // one image
  file.push_back(kIconSize);       // width
  file.push_back(kIconSize);       // height
  file.push_back(0);               // colours in a palette: none
  file.push_back(0);               // reserved
  AppendLittleEndian16(file, 1);   // planes
  AppendLittleEndian16(file, 32);  // bits per pixel
  AppendLittleEndian32(file, kImageBytes);
  AppendLittleEndian32(file, kImageOffset);

  AppendLittleEndian32(file, kHeaderSize);
  AppendLittleEndian32(file, kIconSize);
  AppendLittleEndian32(file, 2 * kIconSize);  // the colour rows and the mask rows
  AppendLittleEndian16(file, 1);
  AppendLittleEndian16(file, 32);
  AppendLittleEndian32(file, 0);  // BI_RGB
  AppendLittleEndian32(file, kColourBytes + kMaskBytes);
  for (int i = 0; i < 4; ++i) AppendLittleEndian32(file, 0);  // resolution, palette
  for (int y = kIconSize - 1; y >= 0; --y) {                  // bottom-up
    for (int x = 0; x < kIconSize; ++x) {
      AppendLittleEndian32(file,
                           pixels[static_cast<size_t>(y) * kIconSize + static_cast<size_t>(x)]);
    }
  }
  file.resize(file.size() + kMaskBytes, 0);
  return file;
}

}  // namespace talvex::icon
