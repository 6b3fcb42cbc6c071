#include "talvex/imagestore/resource_catalogue.h"

#include <utility>

#include "byte_reader.h"
#include "elf_section.h"
#include "talvex/ascii.h"
#include "talvex/imagestore/image_source.h"

namespace talvex::imagestore {

namespace {

constexpr const char* kNoResources = "No resources in this file.";

// A type or name as the platform's lookup takes it: an integer ID or an upper-case name.
struct ResourceKey {
  bool isId = false;
  uint32_t id = 0;
  std::string name;
};

ResourceKey MakeKey(const std::string& text) {
  ResourceKey key;
  if (text.size() > 1 && text.size() <= 6 && text[0] == '#' &&
      text.find_first_not_of("0123456789", 1) == std::string::npos) {
    const unsigned long value = std::stoul(text.substr(1));
    if (value <= 0xFFFF) {
      key.isId = true;
      key.id = static_cast<uint32_t>(value);
      return key;
    }
  }
  key.name = AsciiUpper(text);
  return key;
}

bool Matches(const TResourceItem& item, const ResourceKey& key) {
  if (key.isId) return !item.IsNamed() && item.NameOrId() == key.id;
  return item.IsNamed() && Utf16ToAnsi(item.Name()) == key.name;
}

// Visits the entries under every top-level type whose display name is typeName.
template <class Visit>
void ForEachTypeEntry(TExeImage& image, const std::string& typeName, Visit visit) {
  TResourceList& root = image.ResourceRoot();
  for (int i = 0; i < root.Count(); ++i) {
    TResourceItem& type = root.Items(i);
    if (type.DisplayName() != typeName) continue;
    TResourceList& entries = type.SubList();
    for (int j = 0; j < entries.Count(); ++j) visit(entries.Items(j));
  }
}

}  // namespace

std::vector<std::string> ListTypeEntryNames(TExeImage& image, const std::string& typeName) {
  std::vector<std::string> names;
  ForEachTypeEntry(image, typeName,
                   [&names](const TResourceItem& entry) { names.push_back(entry.DisplayName()); });
  return names;
}

std::vector<std::string> ListTypeEntryKeys(TExeImage& image, const std::string& typeName) {
  std::vector<std::string> keys;
  ForEachTypeEntry(image, typeName, [&keys](const TResourceItem& entry) {
    keys.push_back(entry.IsNamed() ? Utf16ToAnsi(entry.Name())
                                   : "#" + std::to_string(entry.NameOrId()));
  });
  return keys;
}

bool FindResourceData(TExeImage& image, const std::string& type, const std::string& name,
                      ByteSpan& data) {
  if (image.FindSection(".rsrc") == nullptr) return false;
  const ResourceKey typeKey = MakeKey(type);
  const ResourceKey nameKey = MakeKey(name);
  TResourceList& root = image.ResourceRoot();
  std::vector<TResourceItem*> types = root.EntryList();
  // The root list keeps the icon and cursor image types out of its entries.
  for (TResourceItem* hidden : {image.IconTypeEntry(), image.CursorTypeEntry()}) {
    if (hidden != nullptr) types.push_back(hidden);
  }
  for (TResourceItem* typeEntry : types) {
    if (!Matches(*typeEntry, typeKey) || !typeEntry->HasSubList()) continue;
    for (TResourceItem* entry : typeEntry->SubList().EntryList()) {
      if (!Matches(*entry, nameKey) || entry->HasSubList()) continue;
      const uint8_t* bytes = entry->DataPointer();
      if (bytes == nullptr) continue;
      data = ByteSpan{bytes, entry->DataSize()};
      return true;
    }
  }
  return false;
}

std::unique_ptr<TExeImage> OpenProgramImage(const uint8_t* data, size_t size,
                                            const std::string& name,
                                            std::shared_ptr<const void> keepAlive) {
  const ByteReader file(data, size);
  if (IsElfFile(file)) {
    ByteReader pack;
    if (!FindElfSection(file, kImagePackSection, pack)) return nullptr;
    return std::make_unique<TExeImage>(pack.Data(), pack.Size(), name, std::move(keepAlive));
  }
  return std::make_unique<TExeImage>(data, size, name, std::move(keepAlive));
}

std::unique_ptr<TExeImage> OpenProgramImage(const std::string& fileName) {
  std::unique_ptr<TExeImage> image = ImageSource::ProgramFile(fileName).Open();
  if (image == nullptr) throw EExeError(kNoResources);
  return image;
}

}  // namespace talvex::imagestore
