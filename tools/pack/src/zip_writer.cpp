#include "talvex/pack/zip_writer.h"

#include <algorithm>
#include <boost/crc.hpp>

#include "talvex/little_endian.h"
#include "talvex/pack/resource_image_writer.h"

namespace talvex::pack {

namespace {

// Record signatures and fields of the zip format (APPNOTE.TXT, sections 4.3.7, 4.3.12, 4.3.16).
constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndOfCentralDirectory = 0x06054B50;
constexpr uint16_t kVersionNeeded = 10;  // 1.0: stored files in folders
constexpr uint16_t kVersionMadeBy = 20;  // 2.0, on MS-DOS (FAT) file attributes
constexpr uint32_t kArchiveAttribute = 0x20;
constexpr uint64_t kLimit = 0xFFFFFFFFu;  // sizes and positions are 32-bit fields

}  // namespace

std::vector<uint8_t> StoredZip(const std::vector<ZipEntry>& entries, int year, int month, int day,
                               int hour, int minute, int second) {
  if (entries.size() > 0xFFFF) throw EPackError("more than 65535 files for one zip");
  // MS-DOS date and time: years from 1980, seconds in steps of two.
  const auto date =
      static_cast<uint16_t>((std::clamp(year, 1980, 2107) - 1980) << 9 | month << 5 | day);
  const auto time = static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
  std::vector<uint8_t> out;
  std::vector<uint8_t> directory;
  for (const ZipEntry& entry : entries) {
    if (entry.name.empty() || std::any_of(entry.name.begin(), entry.name.end(), [](char c) {
          return static_cast<unsigned char>(c) < 0x20 || c > 0x7E;
        })) {
      throw EPackError("a zip entry's name must be printable ASCII: " + entry.name);
    }
    if (entry.data.size() >= kLimit || out.size() >= kLimit) {
      throw EPackError("a zip of more than 4 GB: " + entry.name);
    }
    boost::crc_32_type crc;
    crc.process_bytes(entry.data.data(), entry.data.size());
    const uint64_t offset = out.size();
    // The fields local header and central header share, from the version needed on.
    std::vector<uint8_t> common;
    AppendLittleEndian16(common, kVersionNeeded);
    AppendLittleEndian16(common, 0);  // flags
    AppendLittleEndian16(common, 0);  // stored
    AppendLittleEndian16(common, time);
    AppendLittleEndian16(common, date);
    AppendLittleEndian32(common, crc.checksum());
    AppendLittleEndian32(common, entry.data.size());  // compressed
    AppendLittleEndian32(common, entry.data.size());
    AppendLittleEndian16(common, entry.name.size());
    AppendLittleEndian16(common, 0);  // extra field

    AppendLittleEndian32(out, kLocalHeader);
    out.insert(out.end(), common.begin(), common.end());
    out.insert(out.end(), entry.name.begin(), entry.name.end());
    out.insert(out.end(), entry.data.begin(), entry.data.end());

    AppendLittleEndian32(directory, kCentralHeader);
    AppendLittleEndian16(directory, kVersionMadeBy);
    directory.insert(directory.end(), common.begin(), common.end());
    AppendLittleEndian16(directory, 0);  // comment
    AppendLittleEndian16(directory, 0);  // disk
    AppendLittleEndian16(directory, 0);  // internal attributes
    AppendLittleEndian32(directory, kArchiveAttribute);
    AppendLittleEndian32(directory, offset);
    directory.insert(directory.end(), entry.name.begin(), entry.name.end());
  }
  if (out.size() + directory.size() >= kLimit) throw EPackError("a zip of more than 4 GB");
  const uint64_t directoryOffset = out.size();
  out.insert(out.end(), directory.begin(), directory.end());
  AppendLittleEndian32(out, kEndOfCentralDirectory);
  AppendLittleEndian16(out, 0);  // this disk
  AppendLittleEndian16(out, 0);  // the directory's disk
  AppendLittleEndian16(out, entries.size());
  AppendLittleEndian16(out, entries.size());
  AppendLittleEndian32(out, directory.size());
  AppendLittleEndian32(out, directoryOffset);
  AppendLittleEndian16(out, 0);  // comment
  return out;
}

}  // namespace talvex::pack
