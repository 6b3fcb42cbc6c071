// talvex-samples OUTDIR [--width W --height H]: writes the sample image set as JPEG files.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "sample_set.h"

namespace {

// Picture sides the tool accepts, in pixels: enough for a visible disc, small enough to be
// written in reasonable time.
constexpr long kMinSide = 64;
constexpr long kMaxSide = 8000;

int Usage() {
  std::fprintf(stderr, "usage: talvex-samples OUTDIR [--width W] [--height H]\n");
  return 2;
}

bool ParseSide(const char* text, int& side) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < kMinSide || value > kMaxSide) return false;
  side = static_cast<int>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  int width = talvex::samples::kDefaultWidth;
  int height = talvex::samples::kDefaultHeight;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--width" || argument == "--height") {
      if (i + 1 >= argc || !ParseSide(argv[i + 1], argument == "--width" ? width : height)) {
        std::fprintf(stderr, "talvex-samples: %s needs a number from %ld to %ld\n",
                     argument.c_str(), kMinSide, kMaxSide);
        return 2;
      }
      ++i;
    } else if (folder.empty() && !argument.empty() && argument[0] != '-') {
      folder = argument;
    } else {
      return Usage();
    }
  }
  if (folder.empty()) return Usage();
  try {
    talvex::samples::WriteSampleSet(folder, width, height);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "talvex-samples: %s\n", error.what());
    return 1;
  }
  return 0;
}
