// The Windows half of program_file.h: the resource section of a PE file read whole and
// rewritten, the checksum, the signature and the version block.

#include <algorithm>
#include <cstring>

#include "byte_reader.h"
#include "pe_layout.h"
#include "talvex/little_endian.h"
#include "talvex/pack/program_file.h"
#include "talvex/utf16_text.h"

namespace talvex::pack {

namespace {

using imagestore::ByteReader;
namespace pe = imagestore::pe;
using Reader = imagestore::StrictReader<EPackError>;

constexpr const char* kCorruptProgram =
    "a damaged Windows program file (a header or a section lies outside the file)";
constexpr const char* kCorruptResources = "a damaged resource directory";

// Headers (byte offsets; see the PE format): those the image store reads, then the rest.
using pe::kNtHeadersPointer;
using pe::kNumberOfSections;
using pe::kOptionalHeader;
using pe::kSectionHeaderSize;
using pe::kSizeOfOptionalHeader;
constexpr uint64_t kPointerToSymbols = 12;  // 32 bits, a file position
// In the optional header, the same in PE32 and PE32+.
constexpr uint64_t kSizeOfInitializedData = 8;
constexpr uint64_t kSectionAlignment = 32;
constexpr uint64_t kFileAlignment = 36;
constexpr uint64_t kSizeOfImage = 56;
constexpr uint64_t kCheckSum = 64;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
// The count of data directories and the first of them, PE32 then PE32+.
constexpr uint64_t kDirectoryCount[] = {92, 108};
constexpr uint64_t kDirectories[] = {96, 112};
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kCertificateDirectory = 4;  // a file position, not an address
constexpr uint32_t kRelocationDirectory = 5;
// A section header's fields.
constexpr uint64_t kVirtualSize = 8;
constexpr uint64_t kRawSize = 16;
constexpr uint64_t kCharacteristics = 36;
constexpr uint32_t kInitializedData = 0x40;
constexpr uint32_t kDiscardable = 0x02000000;

// At most this many directory entries are read from one resource section: a small hostile
// file could otherwise fan out into an enormous tree by pointing entries at one directory.
constexpr uint64_t kMaxResourceEntries = 2 * 65536;

struct Section {
  uint64_t header = 0;  // file position of its section header
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawPointer = 0;
  uint32_t characteristics = 0;

  uint64_t VirtualExtent() const { return virtualSize != 0 ? virtualSize : rawSize; }
};

struct Headers {
  uint64_t nt = 0;
  uint64_t optional = 0;
  uint64_t directories = 0;
  uint32_t directoryCount = 0;
  uint32_t sectionAlignment = 0;
  uint32_t fileAlignment = 0;
  std::vector<Section> sections;

  uint32_t DirectoryAddress(const Reader& file, uint32_t index) const {
    return index < directoryCount ? file.U32(directories + 8 * index) : 0;
  }
  uint32_t DirectorySize(const Reader& file, uint32_t index) const {
    return index < directoryCount ? file.U32(directories + 8 * index + 4) : 0;
  }
};

// Header positions are 64-bit like the reader's offsets; every one lies inside the file, and so
// inside size_t's range on a 32-bit host too.
void Put32(std::vector<uint8_t>& out, uint64_t at, uint64_t value) {
  PutLittleEndian32(out, static_cast<size_t>(at), value);
}

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

Headers ReadHeaders(const Reader& file) {
  Headers h;
  if (file.Bytes().Size() < 2 || file.U16(0) != pe::kDosSignature) {
    throw EPackError(kCorruptProgram);
  }
  h.nt = file.U32(kNtHeadersPointer);
  if (file.U32(h.nt) != pe::kNtSignature) throw EPackError(kCorruptProgram);
  h.optional = h.nt + kOptionalHeader;
  const uint16_t optionalSize = file.U16(h.nt + kSizeOfOptionalHeader);
  const uint16_t magic = file.U16(h.optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) throw EPackError(kCorruptProgram);
  const int wide = magic == kPe32PlusMagic ? 1 : 0;
  file.Require(h.optional, optionalSize);
  if (optionalSize < kDirectories[wide]) throw EPackError(kCorruptProgram);
  h.directoryCount = file.U32(h.optional + kDirectoryCount[wide]);
  h.directories = h.optional + kDirectories[wide];
  // The directories lie inside the optional header as the file header sizes it.
  if (h.directoryCount > 16 || kDirectories[wide] + 8 * h.directoryCount > optionalSize) {
    throw EPackError(kCorruptProgram);
  }
  h.sectionAlignment = file.U32(h.optional + kSectionAlignment);
  h.fileAlignment = file.U32(h.optional + kFileAlignment);
  if (h.fileAlignment == 0 || h.sectionAlignment == 0) throw EPackError(kCorruptProgram);
  const uint16_t count = file.U16(h.nt + kNumberOfSections);
  const uint64_t table = h.optional + optionalSize;
  file.Require(table, count * kSectionHeaderSize);
  for (uint64_t i = 0; i < count; ++i) {
    Section s;
    s.header = table + i * kSectionHeaderSize;
    s.virtualSize = file.U32(s.header + kVirtualSize);
    s.virtualAddress = file.U32(s.header + pe::kSectionVirtualAddress);
    s.rawSize = file.U32(s.header + kRawSize);
    s.rawPointer = file.U32(s.header + pe::kSectionRawData);
    s.characteristics = file.U32(s.header + kCharacteristics);
    h.sections.push_back(s);
  }
  return h;
}

// The section whose relative virtual addresses hold [address, address + size).
const Section* SectionHolding(const Headers& h, uint64_t address, uint64_t size) {
  for (const Section& s : h.sections) {
    if (address >= s.virtualAddress && address + size <= s.virtualAddress + s.VirtualExtent()) {
      return &s;
    }
  }
  return nullptr;
}

// Walks the three levels of a resource directory (type, name, language).
class ResourceWalker {
 public:
  ResourceWalker(const ByteReader& section, uint32_t sectionAddress)
      : in_(section, kCorruptResources), sectionAddress_(sectionAddress) {}

  std::vector<Resource> Walk() {
    Directory(0, 1, Resource{});
    return std::move(resources_);
  }

 private:
  ResourceId Id(uint32_t field) const {
    if ((field & pe::kHighBit) == 0) return ResourceId::Number(field);
    // A directory string: a 16-bit count of the UTF-16 code units that follow.
    const uint64_t at = field & ~pe::kHighBit;
    const uint16_t length = in_.U16(at);
    std::u16string name(length, u'\0');
    for (size_t i = 0; i < length; ++i) name[i] = static_cast<char16_t>(in_.U16(at + 2 + 2 * i));
    return ResourceId::Named(std::move(name));
  }

  void Directory(uint64_t at, int level, const Resource& path) {
    const uint64_t count =
        uint64_t{in_.U16(at + pe::kDirectoryNamedCount)} + in_.U16(at + pe::kDirectoryIdCount);
    in_.Require(at + pe::kDirectoryHeaderSize, pe::kDirectoryEntrySize * count);
    entries_ += count;
    if (entries_ > kMaxResourceEntries) throw EPackError(kCorruptResources);
    for (uint64_t i = 0; i < count; ++i) {
      const uint64_t entry = at + pe::kDirectoryHeaderSize + pe::kDirectoryEntrySize * i;
      const uint32_t target = in_.U32(entry + pe::kEntryOffsetToData);
      const bool isDirectory = (target & pe::kHighBit) != 0;
      // Types and names lead to directories, languages to data: the format has three levels.
      if (isDirectory != (level < 3)) throw EPackError(kCorruptResources);
      Resource resource = path;
      const ResourceId id = Id(in_.U32(entry + pe::kEntryNameOrId));
      if (level == 1) resource.type = id;
      if (level == 2) resource.name = id;
      if (level < 3) {
        Directory(target & ~pe::kHighBit, level + 1, resource);
        continue;
      }
      if (id.named || id.id > 0xFFFF) throw EPackError(kCorruptResources);
      resource.language = static_cast<uint16_t>(id.id);
      const uint32_t address = in_.U32(target + pe::kDataAddress);
      const uint32_t size = in_.U32(target + pe::kDataSize);
      resource.codePage = in_.U32(target + 8);
      if (address < sectionAddress_) {
        throw EPackError("resource data outside the resource section");
      }
      const ByteReader data = in_.Slice(address - sectionAddress_, size);
      resource.data.assign(data.Data(), data.Data() + data.Size());
      resources_.push_back(std::move(resource));
    }
  }

  Reader in_;
  uint32_t sectionAddress_;
  uint64_t entries_ = 0;
  std::vector<Resource> resources_;
};

// The resource section of the file: the section its resource directory begins.
const Section& ResourceSection(const Reader& file, const Headers& h) {
  const uint32_t address = h.DirectoryAddress(file, kResourceDirectory);
  for (const Section& s : h.sections) {
    if (address != 0 && s.virtualAddress == address) return s;
  }
  throw EPackError("no resource section of its own");
}

}  // namespace

ProgramKind KindOfProgram(const std::vector<uint8_t>& file) {
  const ByteReader bytes(file.data(), file.size());
  uint16_t dos = 0;
  uint32_t nt = 0;
  uint32_t signature = 0;
  if (bytes.ReadU16(0, dos) && dos == pe::kDosSignature && bytes.ReadU32(kNtHeadersPointer, nt) &&
      bytes.ReadU32(nt, signature) && signature == pe::kNtSignature) {
    return ProgramKind::Windows;
  }
  if (bytes.ReadU32(0, signature) && signature == 0x464C457F) return ProgramKind::Linux;
  return ProgramKind::Other;
}

std::vector<Resource> ReadPeResources(const std::vector<uint8_t>& bytes) {
  const Reader file(ByteReader(bytes.data(), bytes.size()), kCorruptProgram);
  const Headers h = ReadHeaders(file);
  const Section& section = ResourceSection(file, h);
  const ByteReader raw = file.Slice(section.rawPointer, section.rawSize);
  return ResourceWalker(raw, section.virtualAddress).Walk();
}

bool IsSignedPe(const std::vector<uint8_t>& bytes) {
  const Reader file(ByteReader(bytes.data(), bytes.size()), kCorruptProgram);
  const Headers h = ReadHeaders(file);
  return h.DirectorySize(file, kCertificateDirectory) != 0;
}

uint32_t PeChecksum(const std::vector<uint8_t>& bytes) {
  const Reader file(ByteReader(bytes.data(), bytes.size()), kCorruptProgram);
  const uint64_t field = ReadHeaders(file).optional + kCheckSum;
  uint64_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    if (i >= field && i < field + 4) continue;
    uint32_t word = bytes[i];
    if (i + 1 < bytes.size()) word |= uint32_t{bytes[i + 1]} << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + bytes.size());
}

std::vector<uint8_t> ReplacePeResources(const std::vector<uint8_t>& bytes,
                                        const std::vector<Resource>& resources) {
  const Reader file(ByteReader(bytes.data(), bytes.size()), kCorruptProgram);
  const Headers h = ReadHeaders(file);
  if (h.DirectorySize(file, kCertificateDirectory) != 0) {
    throw EPackError("the program is signed, and a new image set would break its signature");
  }
  const Section& rsrc = ResourceSection(file, h);
  file.Require(rsrc.rawPointer, rsrc.rawSize);
  // What follows moves by whole units of the file alignment, so that it stays aligned. The
  // 32-bit linker gives a resource section its unpadded size; what follows it in the file
  // begins at the next unit.
  if (rsrc.rawPointer % h.fileAlignment != 0) throw EPackError(kCorruptProgram);
  const uint64_t oldRawEnd = std::min<uint64_t>(
      AlignUp(uint64_t{rsrc.rawPointer} + rsrc.rawSize, h.fileAlignment), bytes.size());
  const uint64_t oldVirtualEnd =
      AlignUp(rsrc.virtualAddress + rsrc.VirtualExtent(), h.sectionAlignment);
  // The sections before the resource section stay where they are; those after it move with
  // its end, in memory and in the file, so nothing may refer to them but the relocations'
  // directory.
  std::vector<const Section*> tail;
  for (const Section& s : h.sections) {
    if (&s == &rsrc) continue;
    const bool after = s.virtualAddress > rsrc.virtualAddress;
    if (after && s.virtualAddress < oldVirtualEnd) throw EPackError(kCorruptProgram);
    if (!after && s.virtualAddress + s.VirtualExtent() > rsrc.virtualAddress) {
      throw EPackError(kCorruptProgram);
    }
    if (s.rawSize != 0) {
      file.Require(s.rawPointer, s.rawSize);
      if (after ? s.rawPointer < oldRawEnd : s.rawPointer + uint64_t{s.rawSize} > rsrc.rawPointer) {
        throw EPackError("its sections do not lie in the file in the order of their addresses");
      }
    }
    if (!after) continue;
    if ((s.characteristics & kDiscardable) == 0) {
      throw EPackError("a section that is not discardable follows its resource section");
    }
    tail.push_back(&s);
  }
  for (uint32_t index = 0; index < h.directoryCount; ++index) {
    if (index == kCertificateDirectory || index == kResourceDirectory) continue;
    const uint32_t address = h.DirectoryAddress(file, index);
    if (h.DirectorySize(file, index) == 0 || address < rsrc.virtualAddress) continue;
    const Section* holder = SectionHolding(h, address, h.DirectorySize(file, index));
    if (index != kRelocationDirectory || holder == nullptr ||
        std::find(tail.begin(), tail.end(), holder) == tail.end()) {
      throw EPackError("its data directory " + std::to_string(index) +
                       " lies in or after its resource section");
    }
  }

  const std::vector<uint8_t> section = WriteResourceSection(resources, rsrc.virtualAddress);
  const uint64_t newRawSize = AlignUp(section.size(), h.fileAlignment);
  const uint64_t newVirtualEnd = AlignUp(rsrc.virtualAddress + section.size(), h.sectionAlignment);
  const int64_t rawShift =
      static_cast<int64_t>(newRawSize) - static_cast<int64_t>(oldRawEnd - rsrc.rawPointer);
  const int64_t addressShift =
      static_cast<int64_t>(newVirtualEnd) - static_cast<int64_t>(oldVirtualEnd);
  // Section sizes, addresses and file positions are 32-bit fields.
  if (bytes.size() + static_cast<uint64_t>(std::max<int64_t>(rawShift, 0)) > 0xFFFFFFFFu) {
    throw EPackError("the stamped program would be larger than 4 GB");
  }

  std::vector<uint8_t> out(bytes.begin(), bytes.begin() + rsrc.rawPointer);
  out.insert(out.end(), section.begin(), section.end());
  out.resize(static_cast<size_t>(rsrc.rawPointer + newRawSize), 0);
  out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(oldRawEnd), bytes.end());

  const auto shifted = [](uint32_t value, int64_t shift) {
    return static_cast<uint32_t>(static_cast<int64_t>(value) + shift);
  };
  Put32(out, rsrc.header + kVirtualSize, section.size());
  Put32(out, rsrc.header + kRawSize, newRawSize);
  uint64_t imageEnd = newVirtualEnd;
  for (const Section& s : h.sections) {
    uint64_t address = s.virtualAddress;
    if (std::find(tail.begin(), tail.end(), &s) != tail.end()) {
      address = shifted(s.virtualAddress, addressShift);
      Put32(out, s.header + pe::kSectionVirtualAddress, address);
      if (s.rawSize != 0) {
        Put32(out, s.header + pe::kSectionRawData, shifted(s.rawPointer, rawShift));
      }
    }
    if (&s != &rsrc) {
      imageEnd = std::max(imageEnd, AlignUp(address + s.VirtualExtent(), h.sectionAlignment));
    }
  }
  Put32(out, h.optional + kSizeOfImage, imageEnd);
  Put32(out, h.directories + 8 * kResourceDirectory + 4, section.size());
  const uint32_t relocations = h.DirectoryAddress(file, kRelocationDirectory);
  if (h.DirectorySize(file, kRelocationDirectory) != 0 && relocations > rsrc.virtualAddress) {
    Put32(out, h.directories + 8 * kRelocationDirectory, shifted(relocations, addressShift));
  }
  if ((rsrc.characteristics & kInitializedData) != 0) {
    const int64_t initialized =
        static_cast<int64_t>(file.U32(h.optional + kSizeOfInitializedData)) + rawShift;
    Put32(out, h.optional + kSizeOfInitializedData,
          static_cast<uint64_t>(std::max<int64_t>(initialized, 0)));
  }
  // The COFF symbol table, where a linker left one, lies after the sections.
  const uint32_t symbols = file.U32(h.nt + kPointerToSymbols);
  if (symbols >= oldRawEnd) Put32(out, h.nt + kPointerToSymbols, shifted(symbols, rawShift));
  Put32(out, h.optional + kCheckSum, PeChecksum(out));
  return out;
}

bool ReadVersionBlock(const std::vector<uint8_t>& data, VersionBlock& block) {
  const ByteReader bytes(data.data(), data.size());
  // A node: its length, the length of its value (bytes, or UTF-16 units for a text), its
  // type (1: text), a zero-terminated key, then the value and the children, each 4-aligned.
  struct Node {
    uint64_t start, end, value, valueBytes, children;
    std::u16string key;
  };
  const auto readNode = [&bytes](uint64_t at, uint64_t limit, Node& node) {
    uint16_t length = 0, valueLength = 0, type = 0;
    if (!bytes.ReadU16(at, length) || !bytes.ReadU16(at + 2, valueLength) ||
        !bytes.ReadU16(at + 4, type) || length < 6 || at + length > limit) {
      return false;
    }
    node.start = at;
    node.end = at + length;
    node.key.clear();
    uint64_t position = at + 6;
    for (uint16_t unit = 0;; position += 2) {
      if (position + 2 > node.end || !bytes.ReadU16(position, unit)) return false;
      if (unit == 0) break;
      node.key.push_back(static_cast<char16_t>(unit));
    }
    node.value = AlignUp(position + 2, 4);
    node.valueBytes = type == 1 ? 2u * valueLength : valueLength;
    node.children = AlignUp(node.value + node.valueBytes, 4);
    return node.value + node.valueBytes <= node.end;
  };
  Node root{};
  if (!readNode(0, data.size(), root) || root.key != u"VS_VERSION_INFO" || root.valueBytes < 52) {
    return false;
  }
  uint32_t signature = 0, major = 0, minor = 0;
  if (!bytes.ReadU32(root.value, signature) || signature != 0xFEEF04BD ||
      !bytes.ReadU32(root.value + 8, major) || !bytes.ReadU32(root.value + 12, minor)) {
    return false;
  }
  block.fileVersion = std::to_string(major >> 16) + "." + std::to_string(major & 0xFFFF) + "." +
                      std::to_string(minor >> 16) + "." + std::to_string(minor & 0xFFFF);
  block.productName.clear();
  // StringFileInfo, then its string tables, then their strings.
  Node info{}, table{}, text{};
  for (uint64_t a = root.children; a < root.end && readNode(a, root.end, info);
       a = AlignUp(info.end, 4)) {
    if (info.key != u"StringFileInfo") continue;
    for (uint64_t b = info.children; b < info.end && readNode(b, info.end, table);
         b = AlignUp(table.end, 4)) {
      for (uint64_t c = table.children; c < table.end && readNode(c, table.end, text);
           c = AlignUp(text.end, 4)) {
        if (text.key != u"ProductName") continue;
        std::u16string value;
        for (uint64_t p = text.value; p + 2 <= text.value + text.valueBytes; p += 2) {
          uint16_t unit = 0;
          if (!bytes.ReadU16(p, unit) || unit == 0) break;
          value.push_back(static_cast<char16_t>(unit));
        }
        block.productName = Utf16ToUtf8(value);
        return true;
      }
    }
  }
  return false;
}

}  // namespace talvex::pack
