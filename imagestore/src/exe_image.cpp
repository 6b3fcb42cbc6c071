#include "talvex/imagestore/exe_image.h"

#include <utility>

#include "byte_reader.h"
#include "mapped_view.h"
#include "talvex/imagestore/resource_kinds.h"

namespace talvex::imagestore {

namespace {

// PE/COFF layout facts (byte offsets).
constexpr uint64_t kNtHeadersPointer = 60;  // in the DOS header
constexpr uint64_t kNtHeadersSize = 248;    // signature, file header, 224-byte optional header
constexpr uint64_t kNumberOfSections = 6;   // in the NT headers
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kDirectoryHeaderSize = 16;
constexpr uint64_t kDirectoryEntrySize = 8;
constexpr uint64_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000u;

// The PE format has three directory levels (type, name, language); a list deeper than that
// is refused, which also ends any loop of directories pointing back at their ancestors.
constexpr int kMaxDirectoryLevel = 3;
// At most this many entries may be created or listed in one tree: one directory can hold
// 2 x 65535 entries, and no real file comes near this, but a small hostile file could
// otherwise fan out into an enormous tree by pointing many entries at the same directories.
constexpr uint64_t kMaxEntriesPerImage = 2 * 65536;

StrictReader<EExeError> ViewOf(const TExeImage& image) {
  return StrictReader<EExeError>(ByteReader(image.ViewBase(), image.ViewSize()), kCorruptDirectory);
}

}  // namespace

std::shared_ptr<const platform::MappedFile> MapWholeFile(const std::string& fileName) {
  auto file = std::make_shared<const platform::MappedFile>(fileName);
  switch (file->FailedAt()) {
    case platform::MappedFile::Step::kDone:
      return file;
    case platform::MappedFile::Step::kOpen:
      throw EExeError("Couldn't open: " + fileName);
    case platform::MappedFile::Step::kMapping:
      throw EExeError("CreateFileMapping failed");
    case platform::MappedFile::Step::kView:
      break;
  }
  throw EExeError("MapViewOfFile failed");
}

// --- TExeImage ---------------------------------------------------------------------------

TExeImage::TExeImage(const std::string& fileName) : fileName_(fileName) {
  const std::shared_ptr<const platform::MappedFile> file = MapWholeFile(fileName);
  keepAlive_ = file;
  view_ = file->Data();
  viewSize_ = file->Size();
  CheckHeaders();
}

TExeImage::TExeImage(const uint8_t* data, size_t size, std::string name,
                     std::shared_ptr<const void> keepAlive)
    : fileName_(std::move(name)),
      keepAlive_(std::move(keepAlive)),
      view_(size > 0 ? data : nullptr),
      viewSize_(data != nullptr ? size : 0) {
  CheckHeaders();
}

// The tree goes first: it points into the view, which the mapping releases afterwards.
TExeImage::~TExeImage() {
  root_.reset();
}

void TExeImage::CheckHeaders() {
  const ByteReader file(view_, viewSize_);
  uint16_t signature = 0;
  if (!file.ReadU16(0, signature) || signature != 0x5A4D) {  // "MZ"
    throw EExeError("unrecognized file format");
  }
  uint32_t ntHeaders = 0;
  uint32_t peSignature = 0;
  if (!file.ReadU32(kNtHeadersPointer, ntHeaders) || !file.Contains(ntHeaders, kNtHeadersSize) ||
      !file.ReadU32(ntHeaders, peSignature) || peSignature != 0x4550) {  // "PE\0\0"
    throw EExeError("Not a PE (WIN32 Executable) file");
  }
  ntHeaders_ = ntHeaders;
}

const uint8_t* TExeImage::FindSection(const std::string& name) const {
  const StrictReader<EExeError> file = ViewOf(*this);
  const uint16_t count = file.U16(ntHeaders_ + kNumberOfSections);
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t header = ntHeaders_ + kNtHeadersSize + i * kSectionHeaderSize;
    file.Require(header, kSectionHeaderSize);
    // Compares up to 8 characters and the wanted name's terminating zero, so ".rsrc" matches
    // ".RSRC" but not ".rsrc1".
    bool same = true;
    for (uint64_t k = 0; k < 8 && same; ++k) {
      const char wanted = k < name.size() ? name[k] : '\0';
      const auto have = static_cast<char>(file.U8(header + k));
      auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
      same = fold(wanted) == fold(have);
      if (wanted == '\0') break;
    }
    if (same) return view_ + header;
  }
  return nullptr;
}

TResourceList& TExeImage::ResourceRoot() {
  if (root_ == nullptr) {
    const uint8_t* section = FindSection(".rsrc");
    if (section == nullptr) throw EExeError("No resources in this file.");
    const StrictReader<EExeError> file = ViewOf(*this);
    const auto header = static_cast<uint64_t>(section - view_);
    resourceVirtualAddress_ = file.U32(header + 12);
    resourceStart_ = file.U32(header + 20);
    file.Require(resourceStart_, kDirectoryHeaderSize);
    root_ = std::make_unique<TResourceList>(*this, resourceStart_, 0, 1);
  }
  return *root_;
}

void TExeImage::ChargeEntries(uint64_t count) {
  entriesCharged_ += count;
  if (entriesCharged_ > kMaxEntriesPerImage) throw EExeError(kCorruptDirectory);
}

// --- TResourceList -----------------------------------------------------------------------

TResourceList::TResourceList(TExeImage& image, uint64_t directory, uint32_t resourceType, int level)
    : image_(image), directory_(directory), resourceType_(resourceType), level_(level) {}

TResourceList::~TResourceList() = default;

int TResourceList::Count() {
  return static_cast<int>(EntryList().size());
}

TResourceItem& TResourceList::Items(int index) {
  const std::vector<TResourceItem*>& entries = EntryList();
  if (index < 0 || static_cast<size_t>(index) >= entries.size()) throw EListError(index);
  return *entries[static_cast<size_t>(index)];
}

const std::vector<TResourceItem*>& TResourceList::EntryList() {
  if (built_) return entryList_;
  const StrictReader<EExeError> file = ViewOf(image_);
  const uint64_t count = uint64_t{file.U16(directory_ + 12)} + uint64_t{file.U16(directory_ + 14)};
  const uint64_t first = directory_ + kDirectoryHeaderSize;
  file.Require(first, count * kDirectoryEntrySize);
  image_.ChargeEntries(count);

  std::vector<TResourceItem*> listed;
  std::vector<std::unique_ptr<TResourceItem>> owned;
  TResourceItem* iconType = nullptr;
  TResourceItem* cursorType = nullptr;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t entry = first + i * kDirectoryEntrySize;
    owned.push_back(CreateResourceItem(resourceType_, *this, entry));
    TResourceItem* item = owned.back().get();
    const uint32_t nameOrId = file.U32(entry);
    // The root list keeps the icon and cursor image types for the groups and does not show
    // them; the last of several such entries wins.
    if (IsRoot() && nameOrId == rtCursorEntry) {
      cursorType = item;
    } else if (IsRoot() && nameOrId == rtIconEntry) {
      iconType = item;
    } else {
      listed.push_back(item);
    }
  }
  owned_ = std::move(owned);
  entryList_ = std::move(listed);
  if (IsRoot()) {
    image_.iconTypeEntry_ = iconType;
    image_.cursorTypeEntry_ = cursorType;
  }
  built_ = true;
  return entryList_;
}

// --- TResourceItem -----------------------------------------------------------------------

TResourceItem::TResourceItem(TResourceList& holder, uint64_t entry)
    : holder_(holder), entry_(entry) {}

TResourceItem::~TResourceItem() = default;

uint32_t TResourceItem::NameOrId() const {
  return ViewOf(OwnerImage()).U32(entry_);
}

uint32_t TResourceItem::OffsetToData() const {
  return ViewOf(OwnerImage()).U32(entry_ + 4);
}

std::u16string TResourceItem::Name() const {
  const StrictReader<EExeError> file = ViewOf(OwnerImage());
  const uint64_t text = OwnerImage().ResourceSectionStart() + (NameOrId() & ~kHighBit);
  const uint16_t length = file.U16(text);
  file.Require(text + 2, uint64_t{length} * 2);
  std::u16string name(length, u'\0');
  for (uint64_t i = 0; i < length; ++i) name[i] = static_cast<char16_t>(file.U16(text + 2 + 2 * i));
  return name;
}

std::string TResourceItem::DisplayName() const {
  const uint32_t nameOrId = NameOrId();
  if (holder_.IsRoot() && nameOrId <= rtVersion) return ResourceTypeName(nameOrId).substr(2);
  if ((nameOrId & kHighBit) != 0) return Utf16ToAnsi(Name());
  return std::to_string(static_cast<int32_t>(nameOrId));
}

bool TResourceItem::HasSubList() const {
  const uint32_t offset = OffsetToData();
  // An entry that points straight at a data entry is a leaf.
  if ((offset & kHighBit) == 0) return false;
  const StrictReader<EExeError> file = ViewOf(OwnerImage());
  const uint64_t directory = OwnerImage().ResourceSectionStart() + (offset & ~kHighBit);
  const uint32_t count = uint32_t{file.U16(directory + 12)} + file.U16(directory + 14);
  // An empty directory is a list with nothing in it.
  if (count == 0) return true;
  return (file.U32(directory + kDirectoryHeaderSize + 4) & kHighBit) != 0;
}

TResourceList& TResourceItem::SubList() {
  if (subList_ == nullptr) {
    if (!HasSubList()) throw EExeError("ResourceItem is not a list");
    const int level = holder_.Level() + 1;
    if (level > kMaxDirectoryLevel) throw EExeError(kCorruptDirectory);
    const uint64_t directory = OwnerImage().ResourceSectionStart() + (OffsetToData() & ~kHighBit);
    ViewOf(OwnerImage()).Require(directory, kDirectoryHeaderSize);
    // A list directly under a top-level entry takes that entry's name-or-ID as its type; the
    // lists below it are plain.
    const uint32_t type = holder_.IsRoot() ? NameOrId() : 0;
    subList_ = std::make_unique<TResourceList>(OwnerImage(), directory, type, level);
  }
  return *subList_;
}

bool TResourceItem::DataEntryOffset(uint64_t& offset) const {
  const StrictReader<EExeError> file = ViewOf(OwnerImage());
  const uint64_t start = OwnerImage().ResourceSectionStart();
  const uint32_t own = OffsetToData();
  if ((own & kHighBit) == 0) {
    offset = start + own;
  } else {
    const uint64_t directory = start + (own & ~kHighBit);
    const uint32_t count = uint32_t{file.U16(directory + 12)} + file.U16(directory + 14);
    if (count == 0) return false;
    const uint32_t first = file.U32(directory + kDirectoryHeaderSize + 4);
    // The first variant is itself a directory: there is no data entry at this level.
    if ((first & kHighBit) != 0) return false;
    offset = start + first;
  }
  file.Require(offset, kDataEntrySize);
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
  const StrictReader<EExeError> file = ViewOf(image);
  const uint32_t address = file.U32(entry);
  size = file.U32(entry + 4);
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
