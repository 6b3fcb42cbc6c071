#pragma once
// A small JPEG encoder over libjpeg, for the sample image set, test pictures and fuzz seeds.

#include <cstdint>
#include <vector>

namespace talvex::tools {

struct JpegEncodeSettings {
  int quality = 90;          // libjpeg's 1 to 100 scale
  bool progressive = false;  // several scans (libjpeg's simple progression script)
};

// Encodes rows top to bottom without padding, 3 bytes per pixel (R G B), 1 (grey) or 4
// (C M Y K, as printers' files have it; the program cannot show those).
// Raises talvex::Exception for a size or component count that cannot be a JPEG file,
// EJPEG when libjpeg refuses.
std::vector<uint8_t> EncodeJpeg(const uint8_t* pixels, int width, int height, int components,
                                const JpegEncodeSettings& settings = {});

}  // namespace talvex::tools
