#include "byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "talvex/exception.h"
#include "talvex/little_endian.h"

namespace talvex::imagestore {
namespace {

const std::vector<uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF};

TEST(ByteReader, DecodesLittleEndian) {
  const ByteReader reader(kBytes.data(), kBytes.size());
  uint8_t u8 = 0;
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  uint64_t u64 = 0;
  ASSERT_TRUE(reader.ReadU8(8, u8));
  ASSERT_TRUE(reader.ReadU16(1, u16));
  ASSERT_TRUE(reader.ReadU32(5, u32));
  ASSERT_TRUE(reader.ReadU64(1, u64));
  EXPECT_EQ(u8, 0xFF);
  EXPECT_EQ(u16, 0x0302);
  EXPECT_EQ(u32, 0xFF080706u);
  EXPECT_EQ(u64, 0xFF08070605040302u);
}

TEST(ByteReader, RefusesReadsThatLeaveTheView) {
  const ByteReader reader(kBytes.data(), kBytes.size());
  uint32_t value = 0xAAAAAAAA;
  EXPECT_FALSE(reader.ReadU32(6, value));
  EXPECT_EQ(value, 0xAAAAAAAAu);  // untouched
  // Offsets and lengths whose sum wraps around in 64 bits.
  const uint64_t huge = std::numeric_limits<uint64_t>::max();
  EXPECT_FALSE(reader.ReadU32(huge - 1, value));
  EXPECT_FALSE(reader.Contains(2, huge - 1));
  EXPECT_FALSE(reader.Contains(huge, 2));
  EXPECT_TRUE(reader.Contains(9, 0));
  EXPECT_FALSE(reader.Contains(10, 0));
  EXPECT_EQ(reader.Pointer(8, 2), nullptr);
  EXPECT_EQ(reader.Pointer(8, 1), kBytes.data() + 8);
  const ByteReader empty(nullptr, 100);  // no data means no bytes, whatever the size says
  EXPECT_EQ(empty.Size(), 0u);
  EXPECT_FALSE(empty.ReadU32(0, value));
}

TEST(ByteReader, SlicesAreBoundedByTheirParent) {
  const ByteReader reader(kBytes.data(), kBytes.size());
  ByteReader slice;
  ASSERT_TRUE(reader.Slice(2, 4, slice));
  uint16_t value = 0;
  EXPECT_TRUE(slice.ReadU16(2, value));
  EXPECT_EQ(value, 0x0605);
  EXPECT_FALSE(slice.ReadU16(3, value));  // the parent has that byte; the slice does not
  EXPECT_FALSE(reader.Slice(5, 5, slice));
  ASSERT_TRUE(reader.Slice(9, 0, slice));
  EXPECT_EQ(slice.Size(), 0u);
}

TEST(StrictReader, RaisesTheGivenError) {
  const StrictReader<EStreamError> reader(ByteReader(kBytes.data(), kBytes.size()), "too short");
  EXPECT_EQ(reader.U16(7), 0xFF08);
  try {
    reader.U16(8);
    FAIL() << "no error";
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "too short");
  }
  EXPECT_THROW(reader.Require(0, 10), EStreamError);
  EXPECT_THROW(reader.Slice(8, 2), EStreamError);
}

// The writers every binary format of the project is made with, read back by the reader.
TEST(LittleEndianWriters, WhatIsWrittenReadsBackAndNothingIsWrittenOutside) {
  std::vector<uint8_t> bytes;
  AppendLittleEndian16(bytes, 0xBEEF);
  AppendLittleEndian32(bytes, 0x12345678);
  AppendLittleEndian16(bytes, 0x1FFFF);  // only the low 16 bits
  ASSERT_EQ(bytes, (std::vector<uint8_t>{0xEF, 0xBE, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF}));
  PutLittleEndian32(bytes, 4, 0xA1B2C3D4);
  const ByteReader reader(bytes.data(), bytes.size());
  uint32_t value = 0;
  ASSERT_TRUE(reader.ReadU32(4, value));
  EXPECT_EQ(value, 0xA1B2C3D4u);
  EXPECT_THROW(PutLittleEndian32(bytes, 5, 0), std::out_of_range);
  EXPECT_THROW(PutLittleEndian16(bytes, 7, 0), std::out_of_range);
  EXPECT_EQ(bytes.size(), 8u);
  EXPECT_EQ(bytes[7], 0xA1);  // the refused writes changed nothing
}

}  // namespace
}  // namespace talvex::imagestore
