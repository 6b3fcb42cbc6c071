#pragma once
// Helpers of the resource reader's tests: bytes, files, errors, and resource images built by
// the pack library.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "talvex/imagestore/exe_image.h"
#include "talvex/little_endian.h"
#include "talvex/pack/resource_image_writer.h"

namespace talvex::imagestore::testing {

using pack::Resource;
using pack::ResourceId;
using TempFolder = talvex::testing::ScratchFolder;

inline constexpr auto Named = &ResourceId::Named;
inline constexpr auto Number = &ResourceId::Number;
inline constexpr uint32_t kHighBit = 0x80000000u;
// Where the pack library's images put their one section header: after the 64-byte DOS
// header, the signature, the file header and the 224-byte optional header of a PE32 image.
inline constexpr size_t kWrittenSectionTable = 0x40 + 24 + 224;

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Positions are 64-bit like the reader's offsets; test images are small, so every position
// fits a size_t on 32-bit hosts as well.
inline void Put16(std::vector<uint8_t>& bytes, uint64_t at, uint64_t value) {
  PutLittleEndian16(bytes, static_cast<size_t>(at), value);
}
inline void Put32(std::vector<uint8_t>& bytes, uint64_t at, uint64_t value) {
  PutLittleEndian32(bytes, static_cast<size_t>(at), value);
}

inline uint32_t Get32(const std::vector<uint8_t>& bytes, uint64_t position) {
  const auto at = static_cast<size_t>(position);
  return uint32_t{bytes.at(at)} | uint32_t{bytes.at(at + 1)} << 8 |
         uint32_t{bytes.at(at + 2)} << 16 | uint32_t{bytes.at(at + 3)} << 24;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The message of the E an action raises, or "no error".
template <typename E = EExeError>
std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

// A resource image read from memory, kept alive with its bytes.
struct Parsed {
  explicit Parsed(std::vector<uint8_t> data)
      : bytes(std::move(data)), image(bytes.data(), bytes.size(), "test") {}
  // The first entry under the first type.
  TResourceItem& FirstEntry() { return image.ResourceRoot().Items(0).SubList().Items(0); }

  std::vector<uint8_t> bytes;
  TExeImage image;
};

inline std::vector<uint8_t> DataOf(const TResourceItem& item) {
  std::vector<uint8_t> data;
  item.WriteData(data);
  return data;
}

inline std::vector<std::string> DisplayNames(TResourceList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Items(i).DisplayName());
  return names;
}

}  // namespace talvex::imagestore::testing
