#include "pe_layout.h"
#include "talvex/imagestore/exe_image.h"
#include "talvex/imagestore/resource_kinds.h"

namespace talvex::imagestore {

namespace {

// The PE format has three directory levels (type, name, language); a list deeper than that
// is refused, which also ends any loop of directories pointing back at their ancestors.
constexpr int kMaxDirectoryLevel = 3;

}  // namespace

TResourceItem::TResourceItem(TResourceList& holder, uint64_t entry)
    : holder_(holder), entry_(entry) {}

TResourceItem::~TResourceItem() = default;

uint32_t TResourceItem::NameOrId() const {
  return pe::ViewOf(OwnerImage()).U32(entry_ + pe::kEntryNameOrId);
}

uint32_t TResourceItem::OffsetToData() const {
  return pe::ViewOf(OwnerImage()).U32(entry_ + pe::kEntryOffsetToData);
}

std::u16string TResourceItem::Name() const {
  const StrictReader<EExeError> file = pe::ViewOf(OwnerImage());
  // A directory string: a 16-bit count of the UTF-16 code units that follow.
  const uint64_t text = OwnerImage().ResourceSectionStart() + (NameOrId() & ~pe::kHighBit);
  const uint16_t length = file.U16(text);
  file.Require(text + 2, uint64_t{length} * 2);
  std::u16string name(length, u'\0');
  for (size_t i = 0; i < length; ++i) name[i] = static_cast<char16_t>(file.U16(text + 2 + 2 * i));
  return name;
}

std::string TResourceItem::DisplayName() const {
  const uint32_t nameOrId = NameOrId();
  if (holder_.IsRoot() && nameOrId <= rtVersion) return ResourceTypeName(nameOrId).substr(2);
  if ((nameOrId & pe::kHighBit) != 0) return Utf16ToAnsi(Name());
  return std::to_string(static_cast<int32_t>(nameOrId));
}

uint64_t TResourceItem::SubDirectory() const {
  return OwnerImage().ResourceSectionStart() + (OffsetToData() & ~pe::kHighBit);
}

bool TResourceItem::HasSubList() const {
  // An entry that points straight at a data entry is a leaf.
  if ((OffsetToData() & pe::kHighBit) == 0) return false;
  const StrictReader<EExeError> file = pe::ViewOf(OwnerImage());
  const uint64_t directory = SubDirectory();
  // An empty directory is a list with nothing in it.
  if (pe::DirectoryEntryCount(file, directory) == 0) return true;
  return (file.U32(pe::FirstEntry(directory) + pe::kEntryOffsetToData) & pe::kHighBit) != 0;
}

TResourceList& TResourceItem::SubList() {
  if (subList_ == nullptr) {
    if (!HasSubList()) throw EExeError("ResourceItem is not a list");
    const int level = holder_.Level() + 1;
    if (level > kMaxDirectoryLevel) throw EExeError(kCorruptDirectory);
    const uint64_t directory = SubDirectory();
    pe::ViewOf(OwnerImage()).Require(directory, pe::kDirectoryHeaderSize);
    // A list directly under a top-level entry takes that entry's name-or-ID as its type; the
    // lists below it are plain.
    const uint32_t type = holder_.IsRoot() ? NameOrId() : 0;
    subList_ = std::make_unique<TResourceList>(OwnerImage(), directory, type, level);
  }
  return *subList_;
}

bool TResourceItem::DataEntryOffset(uint64_t& offset) const {
  const StrictReader<EExeError> file = pe::ViewOf(OwnerImage());
  const uint32_t own = OffsetToData();
  if ((own & pe::kHighBit) == 0) {
    offset = OwnerImage().ResourceSectionStart() + own;
  } else {
    const uint64_t directory = SubDirectory();
    if (pe::DirectoryEntryCount(file, directory) == 0) return false;
    const uint32_t first = file.U32(pe::FirstEntry(directory) + pe::kEntryOffsetToData);
    // The first variant is itself a directory: there is no data entry at this level.
    if ((first & pe::kHighBit) != 0) return false;
    offset = OwnerImage().ResourceSectionStart() + first;
  }
  file.Require(offset, pe::kDataEntrySize);
  return true;
}

const uint8_t* TResourceItem::DataEntry() const {
  uint64_t offset = 0;
  return DataEntryOffset(offset) ? OwnerImage().ViewBase() + offset : nullptr;
}

bool TResourceItem::RawData(const uint8_t*& data, uint32_t& size) const {
  uint64_t entry = 0;
  if (!DataEntryOffset(entry)) return false;
  const TExeImage& image = OwnerImage();
  const StrictReader<EExeError> file = pe::ViewOf(image);
  const uint32_t address = file.U32(entry + pe::kDataAddress);
  size = file.U32(entry + pe::kDataSize);
  // File position = data address - section address + section position, in 64-bit signed
  // arithmetic so that no wrap-around can bring a bad address back into the file.
  const int64_t position = static_cast<int64_t>(image.ResourceSectionStart()) +
                           static_cast<int64_t>(address) -
                           static_cast<int64_t>(image.ResourceSectionVirtualAddress());
  if (position < 0) throw EExeError(kCorruptDirectory);
  file.Require(static_cast<uint64_t>(position), size);
  data = image.ViewBase() + position;
  return true;
}

const uint8_t* TResourceItem::DataPointer() const {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  return RawData(data, size) ? data : nullptr;
}

uint32_t TResourceItem::DataSize() const {
  if (HasSubList()) return 0;
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  return RawData(data, size) ? size : 0;
}

void TResourceItem::WriteData(std::vector<uint8_t>& stream) const {
  const uint32_t size = DataSize();
  if (size == 0) return;
  const uint8_t* data = DataPointer();
  stream.insert(stream.end(), data, data + size);
}

}  // namespace talvex::imagestore
