// The Linux half of program_file.h: a section of an ELF file read, and replaced by contents of
// another size.

#include <algorithm>

#include "byte_reader.h"
#include "talvex/little_endian.h"
#include "talvex/pack/program_file.h"

namespace talvex::pack {

namespace {

using imagestore::ByteReader;
using Reader = imagestore::StrictReader<EPackError>;

constexpr const char* kCorruptElf =
    "a damaged Linux program file (a header or a section lies outside the file)";
constexpr uint32_t kNoBits = 8;              // SHT_NOBITS: a section without contents in the file
constexpr uint64_t kAllocated = 2;           // SHF_ALLOC: the section is loaded with the program
constexpr uint16_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX / PN_XNUM: the real value elsewhere

// Where the fields lie for one ELF class (byte offsets).
struct ElfLayout {
  bool wide;
  uint64_t programTable, sectionTable;  // in the file header
  uint64_t programEntrySize, programCount, sectionEntrySize, sectionCount, namesIndex;
  uint64_t sectionFlags, sectionOffset, sectionSize, sectionLink, sectionAlign;  // section header
  uint64_t segmentOffset, segmentFileSize;                                       // program header
};

constexpr ElfLayout kElf32 = {false, 0x1C, 0x20, 0x2A, 0x2C, 0x2E, 0x30, 0x32,
                              8,     16,   20,   24,   32,   4,    16};
constexpr ElfLayout kElf64 = {true, 0x20, 0x28, 0x36, 0x38, 0x3A, 0x3C, 0x3E,
                              8,    24,   32,   40,   48,   8,    32};

struct SectionHeader {
  uint64_t at = 0;  // file position of the header
  std::string name;
  uint32_t type = 0;
  uint64_t flags = 0, offset = 0, size = 0, align = 0;
};

struct ElfFile {
  const ElfLayout* layout = nullptr;
  std::vector<SectionHeader> sections;
  uint64_t sectionTable = 0;
  uint64_t sectionTableSize = 0;
  // The file range of the program headers and of every segment with contents in the file.
  std::vector<std::pair<uint64_t, uint64_t>> loaded;

  uint64_t Word(const Reader& file, uint64_t at) const {
    return layout->wide ? file.U64(at) : file.U32(at);
  }
};

ElfFile ReadElf(const Reader& file) {
  ElfFile elf;
  if (file.U32(0) != 0x464C457F || file.U8(5) != 1 || (file.U8(4) != 1 && file.U8(4) != 2)) {
    throw EPackError("not a little-endian ELF file");
  }
  elf.layout = file.U8(4) == 2 ? &kElf64 : &kElf32;
  const ElfLayout& l = *elf.layout;
  elf.sectionTable = elf.Word(file, l.sectionTable);
  const uint64_t entrySize = file.U16(l.sectionEntrySize);
  uint64_t count = file.U16(l.sectionCount);
  uint64_t namesIndex = file.U16(l.namesIndex);
  if (elf.sectionTable == 0 || entrySize < (l.wide ? 64u : 40u)) throw EPackError(kCorruptElf);
  // Files with many sections keep the true count and names index in section 0.
  if (count == 0) count = elf.Word(file, elf.sectionTable + l.sectionSize);
  if (namesIndex == kExtendedIndex) namesIndex = file.U32(elf.sectionTable + l.sectionLink);
  // The whole table lies in the file, which also bounds the loop below.
  if (count > file.Bytes().Size() / entrySize || namesIndex >= count) throw EPackError(kCorruptElf);
  elf.sectionTableSize = count * entrySize;
  file.Require(elf.sectionTable, elf.sectionTableSize);
  for (uint64_t i = 0; i < count; ++i) {
    SectionHeader s;
    s.at = elf.sectionTable + i * entrySize;
    s.type = file.U32(s.at + 4);
    s.flags = elf.Word(file, s.at + l.sectionFlags);
    s.offset = elf.Word(file, s.at + l.sectionOffset);
    s.size = elf.Word(file, s.at + l.sectionSize);
    s.align = elf.Word(file, s.at + l.sectionAlign);
    if (s.type != kNoBits) file.Require(s.offset, s.size);
    elf.sections.push_back(s);
  }
  const SectionHeader& names = elf.sections[static_cast<size_t>(namesIndex)];
  const ByteReader nameBytes = file.Slice(names.offset, names.size);
  for (SectionHeader& s : elf.sections) {
    for (uint64_t k = file.U32(s.at);; ++k) {
      uint8_t c = 0;
      if (!nameBytes.ReadU8(k, c)) throw EPackError(kCorruptElf);
      if (c == 0) break;
      s.name += static_cast<char>(c);
    }
  }
  const uint64_t programTable = elf.Word(file, l.programTable);
  const uint64_t programEntrySize = file.U16(l.programEntrySize);
  const uint64_t programCount = file.U16(l.programCount);
  if (programCount == kExtendedIndex) throw EPackError(kCorruptElf);
  if (programCount > 0) {
    file.Require(programTable, programCount * programEntrySize);
    elf.loaded.emplace_back(programTable, programCount * programEntrySize);
    for (uint64_t i = 0; i < programCount; ++i) {
      const uint64_t at = programTable + i * programEntrySize;
      elf.loaded.emplace_back(elf.Word(file, at + l.segmentOffset),
                              elf.Word(file, at + l.segmentFileSize));
    }
  }
  return elf;
}

const SectionHeader* Find(const ElfFile& elf, const std::string& name) {
  for (const SectionHeader& s : elf.sections) {
    if (s.name == name && s.type != kNoBits) return &s;
  }
  return nullptr;
}

void PutWord(std::vector<uint8_t>& out, const ElfFile& elf, uint64_t at, uint64_t value) {
  PutLittleEndian(out, static_cast<size_t>(at), value, elf.layout->wide ? 8 : 4);
}

}  // namespace

bool ReadElfSection(const std::vector<uint8_t>& bytes, const std::string& name,
                    std::vector<uint8_t>& contents) {
  const Reader file(ByteReader(bytes.data(), bytes.size()), kCorruptElf);
  const ElfFile elf = ReadElf(file);
  const SectionHeader* section = Find(elf, name);
  if (section == nullptr) return false;
  const ByteReader data = file.Slice(section->offset, section->size);
  contents.assign(data.Data(), data.Data() + data.Size());
  return true;
}

std::vector<uint8_t> ReplaceElfSection(const std::vector<uint8_t>& bytes, const std::string& name,
                                       const std::vector<uint8_t>& contents) {
  const Reader file(ByteReader(bytes.data(), bytes.size()), kCorruptElf);
  const ElfFile elf = ReadElf(file);
  const SectionHeader* target = Find(elf, name);
  if (target == nullptr) throw EPackError("no section " + name);
  if ((target->flags & kAllocated) != 0) {
    throw EPackError("its section " + name + " is loaded with the program and cannot change size");
  }
  const uint64_t start = target->offset;
  const uint64_t oldEnd = start + target->size;
  for (const auto& [offset, size] : elf.loaded) {
    if (size > 0 && offset + size > start) {
      throw EPackError("its section " + name + " lies inside or before a segment of the program");
    }
  }
  // Everything after the section moves by the same amount, a multiple of every alignment
  // found there, so each section (and the section table, of 8-byte fields) stays aligned.
  uint64_t alignment = elf.layout->wide ? 8 : 4;
  for (const SectionHeader& s : elf.sections) {
    if (&s == target || s.size == 0 || s.type == kNoBits) continue;
    if (s.offset < oldEnd && s.offset + s.size > start) {
      throw EPackError("its section " + name + " overlaps another section");
    }
    if (s.offset >= oldEnd && s.align > 1) {
      // Alignments are powers of two in any file a linker writes; a huge one guards nothing.
      if (s.align > 0x10000 || (s.align & (s.align - 1)) != 0) throw EPackError(kCorruptElf);
      alignment = std::max(alignment, s.align);
    }
  }
  if (elf.sectionTable >= start && elf.sectionTable < oldEnd) throw EPackError(kCorruptElf);
  const auto growth = static_cast<int64_t>(contents.size()) - static_cast<int64_t>(target->size);
  const auto step = static_cast<int64_t>(alignment);
  // The smallest multiple of the alignment that makes room for the new contents.
  const int64_t shift = growth >= 0 ? (growth + step - 1) / step * step : -(-growth / step * step);
  if (!elf.layout->wide &&
      bytes.size() + static_cast<uint64_t>(std::max<int64_t>(shift, 0)) > 0xFFFFFFFFu) {
    throw EPackError("the stamped program would be larger than 4 GB");
  }

  std::vector<uint8_t> out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(start));
  out.insert(out.end(), contents.begin(), contents.end());
  out.resize(static_cast<size_t>(static_cast<int64_t>(oldEnd) + shift), 0);
  out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(oldEnd), bytes.end());
  const auto moved = [&](uint64_t offset) {
    return offset >= oldEnd ? static_cast<uint64_t>(static_cast<int64_t>(offset) + shift) : offset;
  };
  for (const SectionHeader& s : elf.sections) {
    const uint64_t header = moved(s.at);
    if (&s == target) {
      PutWord(out, elf, header + elf.layout->sectionSize, contents.size());
    } else if (s.offset >= oldEnd) {
      PutWord(out, elf, header + elf.layout->sectionOffset, moved(s.offset));
    }
  }
  PutWord(out, elf, elf.layout->sectionTable, moved(elf.sectionTable));
  return out;
}

}  // namespace talvex::pack
