#pragma once
// Writing little-endian values into byte buffers: the one writer of every binary format the
// project produces (resource images, icon and bitmap files, test and seed data).

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace talvex {

// Stores the low `width` bytes of value at `at`, least significant first. Raises
// std::out_of_range, writing nothing, when they do not fit in the buffer.
inline void PutLittleEndian(std::vector<uint8_t>& bytes, size_t at, uint64_t value,
                            unsigned width) {
  if (at > bytes.size() || width > bytes.size() - at) {
    throw std::out_of_range("little-endian value past the end of its buffer");
  }
  for (unsigned i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutLittleEndian16(std::vector<uint8_t>& bytes, size_t at, uint64_t value) {
  PutLittleEndian(bytes, at, value, 2);
}

inline void PutLittleEndian32(std::vector<uint8_t>& bytes, size_t at, uint64_t value) {
  PutLittleEndian(bytes, at, value, 4);
}

// Appends the low `width` bytes of value, least significant first.
inline void AppendLittleEndian(std::vector<uint8_t>& bytes, uint64_t value, unsigned width) {
  for (unsigned i = 0; i < width; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void AppendLittleEndian16(std::vector<uint8_t>& bytes, uint64_t value) {
  AppendLittleEndian(bytes, value, 2);
}

inline void AppendLittleEndian32(std::vector<uint8_t>& bytes, uint64_t value) {
  AppendLittleEndian(bytes, value, 4);
}

}  // namespace talvex
