#pragma once
// TJPEGImage: a JPEG picture that keeps one shared copy of its compressed bytes, reads the
// header when loaded and decodes the pixels only when they are first asked for.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "talvex/exception.h"

namespace talvex::imagestore {

// "JPEG error #%d": libjpeg refused the data; the number is libjpeg's message code.
class EJPEG : public Exception {
 public:
  explicit EJPEG(int code) : Exception(FormatMessage("JPEG error #%d", code)), code_(code) {}
  int ErrorCode() const { return code_; }

 private:
  int code_;
};

enum class PixelFormat { Bits24, Bits8 };

// Decoded pixels, rows top to bottom without padding.
// Bits24: 3 bytes per pixel, R G B. Bits8: 1 byte per pixel, an index into palette.
struct Bitmap {
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::Bits24;
  std::vector<uint8_t> pixels;
  std::vector<std::array<uint8_t, 3>> palette;
};

class TJPEGImage {
 public:
  TJPEGImage();
  // A copy shares the compressed bytes (and the decoded bitmap once there is one).
  TJPEGImage(const TJPEGImage&) = default;
  TJPEGImage& operator=(const TJPEGImage&) = default;

  // Takes the bytes as the picture's own copy and reads the JPEG header at once. The pixel
  // format is that of every decode of the picture: 24-bit colour, or 8 bits quantized to 236
  // colours for a screen of at most 8 bits per pixel. Raises EJPEG ("JPEG error #%d") when
  // the header cannot be read.
  void LoadFromBytes(std::vector<uint8_t> bytes, PixelFormat format = PixelFormat::Bits24);

  bool Empty() const;
  int Width() const;
  int Height() const;
  bool Grayscale() const;
  bool MultipleScans() const;  // progressive file: several scans
  const std::vector<uint8_t>& CompressedBytes() const;
  PixelFormat Format() const;

  // The full-size bitmap with the picture's settings, decoded on the first call.
  const Bitmap& Decoded() const;

  // Decodes at a reduced DCT scale 1/scaleDenom (1, 2, 4 or 8) with the same settings;
  // not cached.
  Bitmap DecodeScaled(int scaleDenom) const;

  // Decodes the whole picture at full size without keeping the pixels and returns the number
  // of warnings libjpeg gave: a stream cut short or damaged decodes with warnings, the rows it
  // lacks filled with grey. Raises EJPEG when the picture cannot be decoded at all.
  int CountDecodeWarnings() const;

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace talvex::imagestore
