#include "talvex/imagestore/resource_kinds.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "byte_reader.h"
#include "talvex/little_endian.h"

namespace talvex::imagestore {

namespace {

constexpr uint64_t kGroupCount = 4;       // 16 bits, after the reserved and type fields
constexpr uint64_t kGroupHeaderSize = 6;  // reserved, type, count (16 bits each)
constexpr uint64_t kGroupEntrySize = 14;  // 12 bytes of directory entry, then the image ID
constexpr uint64_t kGroupEntryImageId = 12;
constexpr uint16_t kMenuPopup = 0x10;  // the item opens a popup; no ID follows its flags
constexpr uint16_t kMenuEnd = 0x80;    // the last item of its level

StrictReader<EExeError> Whole(const TExeImage& image, const char* message) {
  return StrictReader<EExeError>(ByteReader(image.ViewBase(), image.ViewSize()), message);
}

// The number of palette entries that the bit count implies when none are given.
uint32_t ImpliedColours(uint16_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

// A zero-terminated UTF-16 text from offset; false when the data ends before the zero.
bool ReadZeroTerminated(const ByteReader& data, uint64_t& offset, std::u16string& text) {
  text.clear();
  for (;;) {
    uint16_t unit = 0;
    if (!data.ReadU16(offset, unit)) return false;
    offset += 2;
    if (unit == 0) return true;
    text.push_back(static_cast<char16_t>(unit));
  }
}

std::string Indent(int level) {
  return std::string(level > 0 ? 2 * size_t(level) : 0, ' ');
}

// An icon or cursor directory entry's first 8 bytes taken from the image data itself:
// width, height and colour count (one byte each, 256 and above written as 0), a zero, then
// planes and bit count.
std::array<uint8_t, 8> DirectoryEntryFromImage(const ByteReader& image) {
  const StrictReader<EExeError> dib(image, kCorruptData);
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t planes = 1;
  uint16_t bitCount = 32;
  static constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P',  'N',  'G',
                                                           0x0D, 0x0A, 0x1A, 0x0A};
  const uint8_t* start = image.Pointer(0, kPngSignature.size());
  if (start != nullptr && std::equal(kPngSignature.begin(), kPngSignature.end(), start)) {
    // PNG: big-endian width and height in the IHDR chunk.
    auto bigEndian = [&dib](uint64_t at) {
      return (uint32_t{dib.U8(at)} << 24) | (uint32_t{dib.U8(at + 1)} << 16) |
             (uint32_t{dib.U8(at + 2)} << 8) | dib.U8(at + 3);
    };
    width = bigEndian(16);
    height = bigEndian(20);
  } else {
    const uint32_t headerSize = dib.U32(0);
    if (headerSize == 12) {
      width = dib.U16(4);
      height = dib.U16(6) / 2u;  // image and mask rows
      planes = dib.U16(8);
      bitCount = dib.U16(10);
    } else if (headerSize >= 40) {
      width = dib.U32(4);
      height = static_cast<uint32_t>(static_cast<int32_t>(dib.U32(8)) / 2);
      planes = dib.U16(12);
      bitCount = dib.U16(14);
    } else {
      throw EExeError(kCorruptData);
    }
  }
  auto byteSize = [](uint32_t v) { return static_cast<uint8_t>(v >= 256 ? 0 : v); };
  const uint32_t colours = bitCount < 8 ? (1u << bitCount) : 0;
  return {byteSize(width),
          byteSize(height),
          byteSize(colours),
          0,
          static_cast<uint8_t>(planes & 0xFF),
          static_cast<uint8_t>(planes >> 8),
          static_cast<uint8_t>(bitCount & 0xFF),
          static_cast<uint8_t>(bitCount >> 8)};
}

}  // namespace

std::string ResourceTypeName(uint32_t type) {
  static const std::array<const char*, 17> kNames = {
      "rtUnknown0", "rtCursorEntry", "rtBitmap", "rtIconEntry",    "rtMenu",   "rtDialog",
      "rtString",   "rtFontDir",     "rtFont",   "rtAccelerators", "rtRCData", "rtMessageTable",
      "rtCursor",   "rtUnknown13",   "rtIcon",   "rtUnknown15",    "rtVersion"};
  return type < kNames.size() ? kNames[type] : "";
}

std::unique_ptr<TResourceItem> CreateResourceItem(uint32_t resourceType, TResourceList& holder,
                                                  uint64_t entry) {
  // String-named types (high bit set, negative as signed) and types above 16 are plain.
  switch (static_cast<int32_t>(resourceType)) {
    case rtCursorEntry:
      return std::make_unique<TCursorResEntry>(holder, entry);
    case rtBitmap:
      return std::make_unique<TBitMapResource>(holder, entry);
    case rtIconEntry:
      return std::make_unique<TIconResEntry>(holder, entry);
    case rtMenu:
      return std::make_unique<TMenuResource>(holder, entry);
    case rtString:
      return std::make_unique<TStringResource>(holder, entry);
    case rtCursor:
      return std::make_unique<TCursorResource>(holder, entry);
    case rtIcon:
      return std::make_unique<TIconResource>(holder, entry);
    default:
      return std::make_unique<TResourceItem>(holder, entry);
  }
}

// --- Icon and cursor groups ----------------------------------------------------------------

TResourceList& TIconResource::SubList() {
  if (subList_ == nullptr) {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!RawData(data, size)) size = 0;
    const uint64_t group = size > 0 ? static_cast<uint64_t>(data - OwnerImage().ViewBase()) : 0;
    subList_ = std::make_unique<TIconResourceList>(OwnerImage(), group, size, holder_.Level());
  }
  return *subList_;
}

TResourceList& TCursorResource::SubList() {
  if (subList_ == nullptr) {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!RawData(data, size)) size = 0;
    const uint64_t group = size > 0 ? static_cast<uint64_t>(data - OwnerImage().ViewBase()) : 0;
    subList_ = std::make_unique<TCursorResourceList>(OwnerImage(), group, size, holder_.Level());
  }
  return *subList_;
}

TIconResourceList::TIconResourceList(TExeImage& image, uint64_t group, uint32_t groupSize,
                                     int level)
    : TResourceList(image, group, 0, level), groupSize_(groupSize) {}

TResourceItem* TIconResourceList::ImageTypeEntry() const {
  return image_.IconTypeEntry();
}

TResourceItem* TCursorResourceList::ImageTypeEntry() const {
  return image_.CursorTypeEntry();
}

const std::vector<TResourceItem*>& TIconResourceList::EntryList() {
  if (built_) return entryList_;
  std::vector<TResourceItem*> listed;
  TResourceItem* typeEntry = ImageTypeEntry();
  // A group without data, or a file without images of the group's kind, lists nothing.
  if (groupSize_ > 0 && typeEntry != nullptr) {
    const StrictReader<EExeError> file = Whole(image_, kCorruptDirectory);
    const StrictReader<EExeError> group(file.Slice(directory_, groupSize_), kCorruptDirectory);
    const uint16_t count = group.U16(kGroupCount);
    group.Require(kGroupHeaderSize, uint64_t{count} * kGroupEntrySize);

    std::unordered_multimap<uint32_t, TIconResEntry*> imagesById;
    for (TResourceItem* item : typeEntry->SubList().EntryList()) {
      if (auto* image = dynamic_cast<TIconResEntry*>(item)) {
        imagesById.emplace(image->NameOrId(), image);
      }
    }
    for (uint64_t i = 0; i < count; ++i) {
      const uint64_t entry = kGroupHeaderSize + i * kGroupEntrySize;
      auto [first, last] = imagesById.equal_range(group.U16(entry + kGroupEntryImageId));
      std::vector<TIconResEntry*> matches;
      for (auto it = first; it != last; ++it) matches.push_back(it->second);
      // The map gives equal keys in no fixed order; the list keeps stored order.
      std::sort(matches.begin(), matches.end(), [](TIconResEntry* a, TIconResEntry* b) {
        return a->DirectoryEntry() < b->DirectoryEntry();
      });
      image_.ChargeEntries(matches.size());
      for (TIconResEntry* image : matches) {
        image->SetGroupEntry(directory_ + entry);
        listed.push_back(image);
      }
    }
  }
  entryList_ = std::move(listed);
  built_ = true;
  return entryList_;
}

// --- Icon and cursor images ----------------------------------------------------------------

std::string TIconResEntry::DisplayName() const {
  if (!HasGroupEntry()) return TResourceItem::DisplayName();
  const StrictReader<EExeError> file = Whole(OwnerImage(), kCorruptDirectory);
  return FormatMessage("%d X %d %d Colors", file.U8(groupEntry_), file.U8(groupEntry_ + 1),
                       file.U8(groupEntry_ + 2));
}

std::string TCursorResEntry::DisplayName() const {
  if (!HasGroupEntry()) return TIconResEntry::DisplayName();
  const StrictReader<EExeError> file = Whole(OwnerImage(), kCorruptDirectory);
  const int width = file.U16(GroupEntry());
  return FormatMessage("%d X %d %d Bit(s)", width, width, int{file.U16(GroupEntry() + 6)});
}

std::vector<uint8_t> TIconResEntry::AsIconFile() const {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (!RawData(data, size)) throw EExeError(kCorruptData);
  const ByteReader resource(data, size);
  const bool cursor = OwnerType() != rtIconEntry;

  ByteReader image = resource;
  std::array<uint8_t, 8> entry{};
  if (cursor) {
    // A cursor's data starts with its hot spot (x, y), which the file keeps in the entry in
    // place of planes and bit count.
    const StrictReader<EExeError> data16(resource, kCorruptData);
    const uint16_t hotX = data16.U16(0);
    const uint16_t hotY = data16.U16(2);
    image = data16.Slice(4, size - 4u);
    entry = DirectoryEntryFromImage(image);
    entry[4] = static_cast<uint8_t>(hotX & 0xFF);
    entry[5] = static_cast<uint8_t>(hotX >> 8);
    entry[6] = static_cast<uint8_t>(hotY & 0xFF);
    entry[7] = static_cast<uint8_t>(hotY >> 8);
  } else if (HasGroupEntry()) {
    // The group entry is the icon file's own directory entry as the compiler copied it.
    const StrictReader<EExeError> file = Whole(OwnerImage(), kCorruptDirectory);
    for (size_t i = 0; i < entry.size(); ++i) entry[i] = file.U8(groupEntry_ + i);
  } else {
    entry = DirectoryEntryFromImage(image);
  }

  std::vector<uint8_t> out;
  out.reserve(22 + image.Size());
  AppendLittleEndian16(out, 0);
  AppendLittleEndian16(out, cursor ? 2 : 1);  // resource type: 1 icon, 2 cursor
  AppendLittleEndian16(out, 1);               // one image
  out.insert(out.end(), entry.begin(), entry.end());
  AppendLittleEndian32(out, image.Size());
  AppendLittleEndian32(out, 22);  // the image follows the header and the one entry
  if (image.Size() > 0) out.insert(out.end(), image.Data(), image.Data() + image.Size());
  return out;
}

void TIconResEntry::WriteData(std::vector<uint8_t>& stream) const {
  const std::vector<uint8_t> file = AsIconFile();
  stream.insert(stream.end(), file.begin(), file.end());
}

// --- Bitmaps --------------------------------------------------------------------------------

std::vector<uint8_t> TBitMapResource::AsBitmapFile() const {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (HasSubList() || !RawData(data, size)) throw EExeError(kCorruptData);
  const StrictReader<EExeError> dib(ByteReader(data, size), kCorruptData);

  const uint32_t headerSize = dib.U32(0);
  uint64_t pixelOffset = 0;
  if (headerSize >= 40) {
    const uint32_t used = dib.U32(32);
    const uint64_t colours = used != 0 ? used : ImpliedColours(dib.U16(14));
    pixelOffset = 14 + uint64_t{headerSize} + 4 * colours;
    // A 40-byte header with bit-field compression is followed by its colour masks.
    const uint32_t compression = dib.U32(16);
    if (headerSize == 40 && compression == 3) pixelOffset += 12;
    if (headerSize == 40 && compression == 6) pixelOffset += 16;
  } else {
    pixelOffset = 14 + 12 + 3 * uint64_t{ImpliedColours(dib.U16(10))};
  }

  std::vector<uint8_t> out;
  out.reserve(14 + size_t{size});
  out.push_back('B');
  out.push_back('M');
  AppendLittleEndian32(out, uint64_t{size} + 14);
  AppendLittleEndian16(out, 0);
  AppendLittleEndian16(out, 0);
  AppendLittleEndian32(out, pixelOffset);
  out.insert(out.end(), data, data + size);
  return out;
}

void TBitMapResource::WriteData(std::vector<uint8_t>& stream) const {
  const std::vector<uint8_t> file = AsBitmapFile();
  stream.insert(stream.end(), file.begin(), file.end());
}

// --- String tables and menus ---------------------------------------------------------------

void TStringResource::CopyTo(std::vector<std::string>& list) const {
  list.clear();
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (HasSubList() || !RawData(data, size)) return;
  const ByteReader block(data, size);
  // A block holds the 16 strings whose IDs share all but the low 4 bits: block ID - 1.
  const uint32_t firstId = (NameOrId() - 1u) * 16u;
  uint64_t offset = 0;
  for (uint32_t i = 0; i < 16; ++i) {
    uint16_t length = 0;
    if (!block.ReadU16(offset, length) || !block.Contains(offset + 2, uint64_t{length} * 2)) {
      break;  // the block ends early
    }
    std::u16string text(length, u'\0');
    for (uint16_t k = 0; k < length; ++k) {
      uint16_t unit = 0;
      block.ReadU16(offset + 2 + 2u * k, unit);
      text[k] = static_cast<char16_t>(unit);
    }
    offset += 2 + uint64_t{length} * 2;
    if (length == 0) continue;
    list.push_back(
        FormatMessage("%d,  \"%s\"", static_cast<int32_t>(firstId + i), Utf16ToAnsi(text).c_str()));
  }
}

void TMenuResource::CopyTo(std::vector<std::string>& list) const {
  list.clear();
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (HasSubList() || !RawData(data, size)) return;
  const ByteReader menu(data, size);
  uint64_t offset = 4;  // the template's header: version and header size
  int level = 0;
  // For every open popup: whether the popup item was itself the last of its level, so that
  // closing the popup closes its parent level too.
  std::vector<bool> popupWasLast;
  std::u16string text;
  for (;;) {
    uint16_t flags = 0;
    uint16_t id = 0;
    if (!menu.ReadU16(offset, flags)) break;
    offset += 2;
    const bool popup = (flags & kMenuPopup) != 0;
    if (!popup) {
      if (!menu.ReadU16(offset, id)) break;
      offset += 2;
    }
    if (!ReadZeroTerminated(menu, offset, text)) break;
    const std::string name = Utf16ToAnsi(text);
    if (text.empty()) {
      list.push_back(Indent(level) + "MENUITEM SEPARATOR");
    } else if (popup) {
      list.push_back(Indent(level) + FormatMessage("POPUP \"%s\"", name.c_str()));
    } else {
      list.push_back(Indent(level) + FormatMessage("MENUITEM \"%s\",  %d", name.c_str(), int{id}));
    }
    if (popup) {
      popupWasLast.push_back((flags & kMenuEnd) != 0);
      ++level;
    } else if ((flags & kMenuEnd) != 0) {
      for (;;) {
        --level;
        list.push_back(Indent(level) + "ENDPOPUP");
        if (popupWasLast.empty()) break;
        const bool closeParent = popupWasLast.back();
        popupWasLast.pop_back();
        if (!closeParent) break;
      }
    }
  }
}

}  // namespace talvex::imagestore
