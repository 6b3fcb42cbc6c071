#include "byte_reader.h"

namespace talvex::imagestore {

namespace {

// Little-endian value of count bytes at p.
uint64_t DecodeLittleEndian(const uint8_t* p, unsigned count) {
  uint64_t value = 0;
  for (unsigned i = count; i > 0; --i) value = (value << 8) | p[i - 1];
  return value;
}

}  // namespace

bool ByteReader::ReadU8(uint64_t offset, uint8_t& value) const {
  if (!Contains(offset, 1)) return false;
  value = data_[offset];
  return true;
}

bool ByteReader::ReadU16(uint64_t offset, uint16_t& value) const {
  if (!Contains(offset, 2)) return false;
  value = static_cast<uint16_t>(DecodeLittleEndian(data_ + offset, 2));
  return true;
}

bool ByteReader::ReadU32(uint64_t offset, uint32_t& value) const {
  if (!Contains(offset, 4)) return false;
  value = static_cast<uint32_t>(DecodeLittleEndian(data_ + offset, 4));
  return true;
}

bool ByteReader::ReadU64(uint64_t offset, uint64_t& value) const {
  if (!Contains(offset, 8)) return false;
  value = DecodeLittleEndian(data_ + offset, 8);
  return true;
}

bool ByteReader::Slice(uint64_t offset, uint64_t length, ByteReader& slice) const {
  if (!Contains(offset, length)) return false;
  slice = ByteReader(length > 0 ? data_ + offset : nullptr, static_cast<size_t>(length));
  return true;
}

}  // namespace talvex::imagestore
