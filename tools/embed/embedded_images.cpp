#include "talvex/embedded_images.h"

#include <cstddef>
#include <cstdint>

// Bounds of the pack, defined by the generated assembler source.
extern "C" const uint8_t talvex_images_begin[];
extern "C" const uint8_t talvex_images_end[];

namespace talvex {

imagestore::ImageSource EmbeddedImageSource() {
  return imagestore::ImageSource::InMemory(imagestore::ByteSpan{
      talvex_images_begin, static_cast<size_t>(talvex_images_end - talvex_images_begin)});
}

}  // namespace talvex
