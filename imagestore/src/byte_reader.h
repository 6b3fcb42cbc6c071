#pragma once
// Bounds-checked reading of binary data held in memory. Every read checks in 64-bit
// arithmetic that offset + size lies inside the view before it touches a byte, and decodes
// little-endian values byte by byte; nothing is ever read through a cast pointer.

#include <cstddef>
#include <cstdint>

namespace talvex::imagestore {

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const uint8_t* data, size_t size) : data_(size > 0 ? data : nullptr), size_(size) {
    if (data_ == nullptr) size_ = 0;
  }

  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

  // Whether the length bytes from offset lie inside the view (no overflow on huge values).
  bool Contains(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  // Each read returns false, leaving value untouched, when the bytes lie outside the view.
  bool ReadU8(uint64_t offset, uint8_t& value) const;
  bool ReadU16(uint64_t offset, uint16_t& value) const;
  bool ReadU32(uint64_t offset, uint32_t& value) const;
  bool ReadU64(uint64_t offset, uint64_t& value) const;

  // The view of length bytes from offset; false when they lie outside this view.
  bool Slice(uint64_t offset, uint64_t length, ByteReader& slice) const;

  // The address of length bytes from offset, or null when they lie outside the view.
  const uint8_t* Pointer(uint64_t offset, uint64_t length) const {
    return Contains(offset, length) && data_ != nullptr ? data_ + offset : nullptr;
  }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// A ByteReader whose reads raise Error(message) instead of reporting failure, for parsers
// that refuse the whole input at the first field outside it.
template <class Error>
class StrictReader {
 public:
  StrictReader(const ByteReader& bytes, const char* message) : bytes_(bytes), message_(message) {}

  const ByteReader& Bytes() const { return bytes_; }
  void Require(uint64_t offset, uint64_t length) const {
    if (!bytes_.Contains(offset, length)) throw Error(message_);
  }
  uint8_t U8(uint64_t offset) const {
    uint8_t value = 0;
    if (!bytes_.ReadU8(offset, value)) throw Error(message_);
    return value;
  }
  uint16_t U16(uint64_t offset) const {
    uint16_t value = 0;
    if (!bytes_.ReadU16(offset, value)) throw Error(message_);
    return value;
  }
  uint32_t U32(uint64_t offset) const {
    uint32_t value = 0;
    if (!bytes_.ReadU32(offset, value)) throw Error(message_);
    return value;
  }
  uint64_t U64(uint64_t offset) const {
    uint64_t value = 0;
    if (!bytes_.ReadU64(offset, value)) throw Error(message_);
    return value;
  }
  ByteReader Slice(uint64_t offset, uint64_t length) const {
    ByteReader slice;
    if (!bytes_.Slice(offset, length, slice)) throw Error(message_);
    return slice;
  }

 private:
  ByteReader bytes_;
  const char* message_;
};

}  // namespace talvex::imagestore
