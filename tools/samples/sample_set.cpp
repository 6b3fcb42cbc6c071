#include "sample_set.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "sample_random.h"
#include "talvex/exception.h"
#include "talvex/imagestore/image_names.h"
#include "talvex/tools/jpeg_encode.h"

namespace talvex::samples {

namespace {

constexpr uint64_t kSetSeed = 0x7A1E5C0FFEE2024ull;

// The letters of the About picture, 5 x 7 cells each, '#' painted.
struct Glyph {
  char letter;
  const char* rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
};

const Glyph* FindGlyph(char letter) {
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.letter == letter) return &glyph;
  }
  return nullptr;
}

FundusParameters DrawFundus(uint64_t seed, bool positive) {
  SampleRandom random(seed);
  FundusParameters p;
  p.seed = random.Next();
  p.positive = positive;
  p.discX = random.Uniform(0.36, 0.64);
  p.discY = random.Uniform(0.40, 0.60);
  p.discRadius = random.Uniform(0.14, 0.19);
  p.discAspect = random.Uniform(0.84, 0.96);
  p.cupToDisc = positive ? random.Uniform(0.65, 0.85) : random.Uniform(0.2, 0.5);
  p.cupShift = random.Uniform(0.1, 0.8);
  p.rightEye = random.Chance(0.5);
  p.hue = random.Uniform(-1, 1);
  p.brightness = random.Uniform(0.88, 1.06);
  p.vignette = random.Uniform(0.35, 0.7);
  return p;
}

}  // namespace

std::vector<SampleEntry> PlanSampleSet() {
  std::vector<SampleEntry> entries;
  SampleRandom seeds(kSetSeed);
  for (int n = 0; n < kPositiveCount + kNegativeCount; ++n) {
    const bool positive = n < kPositiveCount;
    SampleEntry entry;
    entry.name = positive ? "RESOURCES_POS_G__" + std::to_string(n) + "__BMP"
                          : "RESOURCES_NEG_C__" + std::to_string(n - kPositiveCount) + "__BMP";
    entry.fundus = DrawFundus(seeds.Next(), positive);
    entries.push_back(entry);
  }
  entries.push_back({imagestore::kBlankPictureName, SampleKind::Blank, {}});
  entries.push_back({imagestore::kAboutPictureName, SampleKind::Title, {}});
  return entries;
}

std::vector<uint8_t> RenderBlank(int width, int height) {
  return std::vector<uint8_t>(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 128);
}

std::vector<uint8_t> RenderTitle(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  auto put = [&](int x, int y, double r, double g, double b) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    const size_t i =
        3 * (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x));
    pixels[i] = static_cast<uint8_t>(std::clamp(r, 0.0, 255.0));
    pixels[i + 1] = static_cast<uint8_t>(std::clamp(g, 0.0, 255.0));
    pixels[i + 2] = static_cast<uint8_t>(std::clamp(b, 0.0, 255.0));
  };
  // A night-blue background, lighter towards the top.
  for (int y = 0; y < height; ++y) {
    const double t = static_cast<double>(y) / height;
    for (int x = 0; x < width; ++x) put(x, y, 34 - 18 * t, 48 - 24 * t, 92 - 40 * t);
  }
  // The emblem: an orange fundus with a pale disc.
  const double cx = width / 2.0, cy = height * 0.36, radius = width * 0.34;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double d = std::sqrt((x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy));
      if (d > radius + 1) continue;
      const double edge = std::clamp(radius + 0.5 - d, 0.0, 1.0);
      const double shade = 1 - 0.45 * (d / radius) * (d / radius);
      const double disc = std::clamp(
          (radius * 0.28 - std::sqrt((x + 0.5 - cx - radius * 0.3) * (x + 0.5 - cx - radius * 0.3) +
                                     (y + 0.5 - cy) * (y + 0.5 - cy))) /
              2,
          0.0, 1.0);
      const double r = (200 + 50 * disc) * shade, g = (90 + 120 * disc) * shade,
                   b = (35 + 110 * disc) * shade;
      const size_t i =
          3 * (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x));
      put(x, y, pixels[i] + (r - pixels[i]) * edge, pixels[i + 1] + (g - pixels[i + 1]) * edge,
          pixels[i + 2] + (b - pixels[i + 2]) * edge);
    }
  }
  // The word, in cells of `cell` pixels with one cell between letters.
  const std::string word = "Talvex";
  const int cell = std::max(1, width / 40);
  const int wordWidth = static_cast<int>(word.size()) * 6 * cell - cell;
  const int left = (width - wordWidth) / 2;
  const int top = static_cast<int>(height * 0.72);
  for (size_t n = 0; n < word.size(); ++n) {
    const Glyph* glyph = FindGlyph(word[n]);
    if (glyph == nullptr) continue;
    for (int row = 0; row < 7; ++row) {
      for (int column = 0; column < 5; ++column) {
        if (glyph->rows[row][column] != '#') continue;
        const int x0 = left + (static_cast<int>(n) * 6 + column) * cell;
        const int y0 = top + row * cell;
        for (int y = y0; y < y0 + cell; ++y) {
          for (int x = x0; x < x0 + cell; ++x) {
            put(x + 1, y + 1, 10, 14, 30);  // shadow
          }
        }
        for (int y = y0; y < y0 + cell; ++y) {
          for (int x = x0; x < x0 + cell; ++x) put(x, y, 250, 236, 200);
        }
      }
    }
  }
  return pixels;
}

std::vector<uint8_t> EncodeSample(const SampleEntry& entry, int width, int height) {
  const tools::JpegEncodeSettings settings{kJpegQuality, false};
  switch (entry.kind) {
    case SampleKind::Blank:
      return tools::EncodeJpeg(RenderBlank(kBlankWidth, kBlankHeight).data(), kBlankWidth,
                               kBlankHeight, 3, settings);
    case SampleKind::Title:
      return tools::EncodeJpeg(RenderTitle(kTitleWidth, kTitleHeight).data(), kTitleWidth,
                               kTitleHeight, 3, settings);
    case SampleKind::Fundus:
      break;
  }
  return tools::EncodeJpeg(RenderFundus(entry.fundus, width, height).data(), width, height, 3,
                           settings);
}

void WriteSampleSet(const std::string& folder, int width, int height) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw Exception("Cannot create folder \"" + folder + "\": " + error.message());
  }
  for (const SampleEntry& entry : PlanSampleSet()) {
    const std::vector<uint8_t> bytes = EncodeSample(entry, width, height);
    const std::filesystem::path path = std::filesystem::path(folder) / (entry.name + ".jpg");
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw Exception("Cannot write file \"" + path.string() + "\"");
  }
}

}  // namespace talvex::samples
