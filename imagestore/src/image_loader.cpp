#include "image_loader.h"

#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "talvex/exception.h"
#include "talvex/imagestore/crypto.h"

namespace talvex::imagestore {

std::unique_ptr<TJPEGImage> LoadDecipheredImage(ByteSpan resource, PixelFormat pixelFormat) {
  std::vector<uint8_t> stream;
  try {
    if (resource.size > 0) stream.assign(resource.data, resource.data + resource.size);
  } catch (const std::bad_alloc&) {
    throw EStreamError("Out of memory while expanding memory stream");
  } catch (const std::length_error&) {
    throw EStreamError("Out of memory while expanding memory stream");
  }
  TCrypto().DecipherStream(stream);
  auto picture = std::make_unique<TJPEGImage>();
  picture->LoadFromBytes(std::move(stream), pixelFormat);
  return picture;
}

}  // namespace talvex::imagestore
