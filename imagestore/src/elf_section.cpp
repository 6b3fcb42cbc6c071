#include "elf_section.h"

#include "talvex/imagestore/exe_image.h"

namespace talvex::imagestore {

namespace {

constexpr const char* kCorruptElf = "Corrupt ELF section table";
constexpr uint32_t kSectionNoBits = 8;       // SHT_NOBITS: occupies no space in the file
constexpr uint16_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX: the real index is in section 0

// Where the fields of the file and section headers lie for one ELF class.
struct ElfLayout {
  bool wide;                                            // 64-bit class
  uint64_t sectionTable, entrySize, count, namesIndex;  // in the file header
  uint64_t headerSize;                                  // of one section header
  uint64_t link, offset, size;                          // in a section header
};

constexpr ElfLayout kElf32 = {false, 0x20, 0x2E, 0x30, 0x32, 40, 24, 16, 20};
constexpr ElfLayout kElf64 = {true, 0x28, 0x3A, 0x3C, 0x3E, 64, 40, 24, 32};

uint64_t ReadWord(const StrictReader<EExeError>& file, const ElfLayout& layout, uint64_t at) {
  return layout.wide ? file.U64(at) : file.U32(at);
}

}  // namespace

bool IsElfFile(const ByteReader& file) {
  uint32_t magic = 0;
  return file.ReadU32(0, magic) && magic == 0x464C457F;  // 7F 'E' 'L' 'F'
}

bool FindElfSection(const ByteReader& bytes, const std::string& name, ByteReader& section) {
  const StrictReader<EExeError> file(bytes, kCorruptElf);
  if (!IsElfFile(bytes)) return false;
  const uint8_t elfClass = file.U8(4);
  if (file.U8(5) != 1 || (elfClass != 1 && elfClass != 2)) {
    return false;  // big-endian or unknown class: not a file this program produces
  }
  const ElfLayout& layout = elfClass == 2 ? kElf64 : kElf32;
  const uint64_t table = ReadWord(file, layout, layout.sectionTable);
  const uint64_t entrySize = file.U16(layout.entrySize);
  uint64_t count = file.U16(layout.count);
  uint64_t namesIndex = file.U16(layout.namesIndex);
  if (table == 0) return false;  // no section table
  if (entrySize < layout.headerSize) throw EExeError(kCorruptElf);
  // Files with many sections keep the true count and names index in section 0.
  if (count == 0) count = ReadWord(file, layout, table + layout.size);
  if (namesIndex == kExtendedIndex) namesIndex = file.U32(table + layout.link);
  // The whole table must lie in the file, which also bounds the loop below.
  if (count > bytes.Size() / entrySize) throw EExeError(kCorruptElf);
  file.Require(table, count * entrySize);
  if (namesIndex >= count) throw EExeError(kCorruptElf);

  const uint64_t namesHeader = table + namesIndex * entrySize;
  const ByteReader names = file.Slice(ReadWord(file, layout, namesHeader + layout.offset),
                                      ReadWord(file, layout, namesHeader + layout.size));
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t header = table + i * entrySize;
    const uint64_t nameOffset = file.U32(header);
    bool same = true;
    for (size_t k = 0; same && k <= name.size(); ++k) {
      uint8_t c = 0;
      if (!names.ReadU8(nameOffset + k, c)) throw EExeError(kCorruptElf);
      same = c == (k < name.size() ? static_cast<uint8_t>(name[k]) : 0);
    }
    if (!same || file.U32(header + 4) == kSectionNoBits) continue;
    section = file.Slice(ReadWord(file, layout, header + layout.offset),
                         ReadWord(file, layout, header + layout.size));
    return true;
  }
  return false;
}

}  // namespace talvex::imagestore
