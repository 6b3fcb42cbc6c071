// Fuzz target of the JPEG picture: any bytes loaded as a picture and decoded, at 24 bits for
// inputs of even length and quantized to 8 bits for odd ones (trailing bytes after the end
// of a JPEG stream do not change it).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "talvex/exception.h"
#include "talvex/imagestore/jpeg_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace talvex::imagestore;
  try {
    TJPEGImage picture;
    picture.LoadFromBytes(std::vector<uint8_t>(data, data + size),
                          size % 2 == 0 ? PixelFormat::Bits24 : PixelFormat::Bits8);
    picture.Decoded();
  } catch (const talvex::Exception&) {
  }
  return 0;
}
