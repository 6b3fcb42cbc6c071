#pragma once
// The sample image set: synthetic colour photographs of an optic disc, a blank picture and
// the About picture, generated deterministically from one fixed seed.

#include <cstdint>
#include <string>
#include <vector>

namespace talvex::samples {

inline constexpr int kDefaultWidth = 1200;
inline constexpr int kDefaultHeight = 900;
inline constexpr int kPositiveCount = 20;
inline constexpr int kNegativeCount = 80;
inline constexpr int kBlankWidth = 64;
inline constexpr int kBlankHeight = 48;
inline constexpr int kTitleWidth = 178;
inline constexpr int kTitleHeight = 271;
inline constexpr int kJpegQuality = 90;

// What one disc photograph shows. Positions and sizes are fractions of the picture, so the
// same parameters render at any size.
struct FundusParameters {
  uint64_t seed = 0;         // vessel paths, texture and grain
  bool positive = false;     // large cup, thin rim
  double discX = 0.5;        // centre of the disc, fraction of the width
  double discY = 0.5;        // fraction of the height
  double discRadius = 0.16;  // vertical radius, fraction of the height
  double discAspect = 0.9;   // horizontal radius / vertical radius
  double cupToDisc = 0.3;    // vertical cup diameter / vertical disc diameter
  double cupShift = 0.0;     // temporal shift of the cup, fraction of the room it has
  bool rightEye = true;      // temporal side on the left of the picture
  double hue = 0.0;          // -1 to 1: from a yellower to a redder fundus
  double brightness = 1.0;   // overall exposure
  double vignette = 0.5;     // darkening towards the corners, 0 to 1
};

enum class SampleKind { Fundus, Blank, Title };

struct SampleEntry {
  std::string name;  // resource name, without the file extension
  SampleKind kind = SampleKind::Fundus;
  FundusParameters fundus;  // for SampleKind::Fundus
};

// The 102 entries in a fixed order: the positives, the negatives, the blank and the About
// picture.
std::vector<SampleEntry> PlanSampleSet();

// Pixels, rows top to bottom, 3 bytes per pixel (R G B).
std::vector<uint8_t> RenderFundus(const FundusParameters& parameters, int width, int height);
std::vector<uint8_t> RenderBlank(int width, int height);
std::vector<uint8_t> RenderTitle(int width, int height);

// The JPEG file of one entry; fundus pictures have the given size, the others their own.
std::vector<uint8_t> EncodeSample(const SampleEntry& entry, int width, int height);

// Writes every entry as <name>.jpg into the folder, creating it when missing.
// Raises talvex::Exception when a file cannot be written.
void WriteSampleSet(const std::string& folder, int width, int height);

}  // namespace talvex::samples
