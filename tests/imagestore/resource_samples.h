#pragma once
// Small icon, cursor and bitmap data for the tests of the entry kinds, laid out as the
// standard file and resource formats have them.

#include <cstdint>
#include <string>
#include <vector>

#include "talvex/little_endian.h"

namespace talvex::imagestore::testing {

class ByteBuilder {
 public:
  ByteBuilder& U8(uint32_t v) {
    AppendLittleEndian(bytes_, v, 1);
    return *this;
  }
  ByteBuilder& U16(uint32_t v) {
    AppendLittleEndian16(bytes_, v);
    return *this;
  }
  ByteBuilder& U32(uint32_t v) {
    AppendLittleEndian32(bytes_, v);
    return *this;
  }
  ByteBuilder& Append(const std::vector<uint8_t>& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }
  ByteBuilder& Text16(const std::u16string& text, bool terminated) {
    for (char16_t c : text) U16(c);
    return terminated ? U16(0) : *this;
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

struct IconShape {
  uint32_t width;
  uint32_t height;
  uint16_t bitCount;
};

// The image of an icon or cursor: a 40-byte bitmap header with the height doubled (image
// and mask), the palette, the colour rows and the mask rows, filled with a pattern.
inline std::vector<uint8_t> IconImage(const IconShape& shape, uint8_t pattern) {
  const uint32_t colourRow = (shape.width * shape.bitCount + 31) / 32 * 4;
  const uint32_t maskRow = (shape.width + 31) / 32 * 4;
  const uint32_t pixels = (colourRow + maskRow) * shape.height;
  ByteBuilder b;
  b.U32(40).U32(shape.width).U32(2 * shape.height).U16(1).U16(shape.bitCount).U32(0).U32(pixels);
  b.U32(0).U32(0).U32(0).U32(0);
  const uint32_t palette = shape.bitCount <= 8 ? (1u << shape.bitCount) : 0;
  for (uint32_t i = 0; i < palette; ++i) b.U8(i * 7 + pattern).U8(i * 3).U8(i).U8(0);
  for (uint32_t i = 0; i < pixels; ++i) b.U8(i * 31 + pattern);
  return b.Bytes();
}

// Sizes (256 as 0), colour count and a zero byte: how every icon and cursor directory entry
// begins.
inline ByteBuilder& EntrySize(ByteBuilder& b, const IconShape& shape) {
  b.U8(shape.width < 256 ? shape.width : 0).U8(shape.height < 256 ? shape.height : 0);
  return b.U8(shape.bitCount < 8 ? 1u << shape.bitCount : 0u).U8(0);
}

// An icon directory entry up to the image's size, which is also what an icon group stores
// before the image's ID.
inline ByteBuilder& IconEntry(ByteBuilder& b, const IconShape& shape, uint32_t size) {
  return EntrySize(b, shape).U16(1).U16(shape.bitCount).U32(size);
}

// A whole .ico file of the images.
inline std::vector<uint8_t> IconFile(const std::vector<IconShape>& shapes,
                                     const std::vector<std::vector<uint8_t>>& images) {
  ByteBuilder b;
  b.U16(0).U16(1).U16(static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    IconEntry(b, shapes[i], static_cast<uint32_t>(images[i].size())).U32(offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) b.Append(image);
  return b.Bytes();
}

// The icon group resource of images with the given IDs.
inline std::vector<uint8_t> IconGroup(const std::vector<IconShape>& shapes,
                                      const std::vector<std::vector<uint8_t>>& images,
                                      const std::vector<uint16_t>& ids) {
  ByteBuilder b;
  b.U16(0).U16(1).U16(static_cast<uint32_t>(ids.size()));
  for (size_t i = 0; i < ids.size(); ++i) {
    IconEntry(b, shapes[i], static_cast<uint32_t>(images[i].size())).U16(ids[i]);
  }
  return b.Bytes();
}

// A .cur file of one image with its hot spot.
inline std::vector<uint8_t> CursorFile(const IconShape& shape, const std::vector<uint8_t>& image,
                                       uint16_t hotX, uint16_t hotY) {
  ByteBuilder b;
  b.U16(0).U16(2).U16(1);
  EntrySize(b, shape).U16(hotX).U16(hotY).U32(static_cast<uint32_t>(image.size())).U32(22);
  return b.Append(image).Bytes();
}

// A cursor image resource: the hot spot, then the image.
inline std::vector<uint8_t> CursorImage(const std::vector<uint8_t>& image, uint16_t hotX,
                                        uint16_t hotY) {
  return ByteBuilder().U16(hotX).U16(hotY).Append(image).Bytes();
}

// The cursor group resource of one cursor image: width, height (image and mask rows),
// planes, bit count, size and ID.
inline std::vector<uint8_t> CursorGroup(const IconShape& shape, uint32_t size, uint16_t id) {
  ByteBuilder b;
  b.U16(0).U16(2).U16(1);
  b.U16(shape.width).U16(2 * shape.height).U16(1).U16(shape.bitCount).U32(size).U16(id);
  return b.Bytes();
}

// A bitmap file with a 40-byte header and a full palette.
inline std::vector<uint8_t> BitmapFile(uint32_t width, uint32_t height, uint16_t bitCount) {
  const uint32_t row = (width * bitCount + 31) / 32 * 4;
  const uint32_t palette = bitCount <= 8 ? (1u << bitCount) : 0;
  const uint32_t offset = 14 + 40 + 4 * palette;
  ByteBuilder b;
  b.U8('B').U8('M').U32(offset + row * height).U16(0).U16(0).U32(offset);
  b.U32(40).U32(width).U32(height).U16(1).U16(bitCount).U32(0).U32(row * height);
  b.U32(2835).U32(2835).U32(0).U32(0);
  for (uint32_t i = 0; i < palette; ++i) b.U8(i * 16).U8(255 - i * 16).U8(i * 5).U8(0);
  for (uint32_t i = 0; i < row * height; ++i) b.U8(i * 17 + 3);
  return b.Bytes();
}

}  // namespace talvex::imagestore::testing
