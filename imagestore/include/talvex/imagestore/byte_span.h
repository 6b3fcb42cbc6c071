#pragma once
// A run of bytes owned elsewhere: a resource image held in memory, or one resource's data.

#include <cstddef>
#include <cstdint>

namespace talvex::imagestore {

struct ByteSpan {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

}  // namespace talvex::imagestore
