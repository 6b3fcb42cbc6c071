#pragma once
// Where the fields the resource reader uses lie in a Portable Executable file (byte offsets,
// all values little-endian), and the reader's view of a whole image.

#include <cstdint>

#include "byte_reader.h"
#include "talvex/imagestore/exe_image.h"

namespace talvex::imagestore::pe {

// DOS header.
constexpr uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr uint64_t kNtHeadersPointer = 60;  // 32 bits: file position of the NT headers

// NT headers: a signature, the file header, then the optional header.
constexpr uint32_t kNtSignature = 0x4550;  // "PE" followed by two zero bytes
constexpr uint64_t kFileHeader = 4;
constexpr uint64_t kNumberOfSections = kFileHeader + 2;       // 16 bits
constexpr uint64_t kSizeOfOptionalHeader = kFileHeader + 16;  // 16 bits
constexpr uint64_t kOptionalHeader = kFileHeader + 20;
// The optional header of a 32-bit (PE32) image; 64-bit (PE32+) images have 240 bytes. The
// section table follows the optional header, whatever its size.
constexpr uint64_t kPe32OptionalHeaderSize = 224;

// Section header.
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kSectionNameLength = 8;
constexpr uint64_t kSectionVirtualAddress = 12;  // 32 bits
constexpr uint64_t kSectionRawData = 20;         // 32 bits: file position of the section

// Resource directory: a 16-byte header whose last fields count the entries that follow.
constexpr uint64_t kDirectoryNamedCount = 12;  // 16 bits
constexpr uint64_t kDirectoryIdCount = 14;     // 16 bits
constexpr uint64_t kDirectoryHeaderSize = 16;
// Directory entry: the name or ID, then the offset to its data.
constexpr uint64_t kDirectoryEntrySize = 8;
constexpr uint64_t kEntryNameOrId = 0;      // high bit set: offset of a directory string
constexpr uint64_t kEntryOffsetToData = 4;  // high bit set: offset of a sub-directory
constexpr uint32_t kHighBit = 0x80000000u;
// Data entry: the data's relative virtual address and size, then two fields not read.
constexpr uint64_t kDataEntrySize = 16;
constexpr uint64_t kDataAddress = 0;  // 32 bits
constexpr uint64_t kDataSize = 4;     // 32 bits

// The whole image's view, each read refused with "Corrupt resource directory".
inline StrictReader<EExeError> ViewOf(const TExeImage& image) {
  return StrictReader<EExeError>(ByteReader(image.ViewBase(), image.ViewSize()), kCorruptDirectory);
}

// The number of entries of the directory at offset: named entries and ID entries together.
inline uint32_t DirectoryEntryCount(const StrictReader<EExeError>& file, uint64_t directory) {
  return uint32_t{file.U16(directory + kDirectoryNamedCount)} +
         uint32_t{file.U16(directory + kDirectoryIdCount)};
}

// The offset of the directory's first entry.
inline uint64_t FirstEntry(uint64_t directory) {
  return directory + kDirectoryHeaderSize;
}

}  // namespace talvex::imagestore::pe
