#include "talvex/imagestore/resource_catalogue.h"

#include <utility>

#include "byte_reader.h"
#include "elf_section.h"
#include "mapped_view.h"
#include "module_resources.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/mapped_file.h"

namespace talvex::imagestore {

namespace {

constexpr const char* kNoResources = "No resources in this file.";

// The registered image pack of the running program; null data: none registered.
struct ModuleResources {
  const uint8_t* data = nullptr;
  size_t size = 0;
};
ModuleResources registered;

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
  key.name = text;
  for (char& c : key.name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

bool Matches(const TResourceItem& item, const ResourceKey& key) {
  if (key.isId) return !item.IsNamed() && item.NameOrId() == key.id;
  return item.IsNamed() && Utf16ToAnsi(item.Name()) == key.name;
}

// The running program's executable, mapped once and kept for the life of the program so
// that the bytes FindModuleResource hands out stay valid.
const platform::MappedFile& RunningExecutable() {
  static const std::shared_ptr<const platform::MappedFile> file =
      MapWholeFile(platform::RunningExecutablePath());
  return *file;
}

}  // namespace

std::vector<std::string> ListTypeEntryNames(TExeImage& image, const std::string& typeName) {
  std::vector<std::string> names;
  TResourceList& root = image.ResourceRoot();
  for (int i = 0; i < root.Count(); ++i) {
    TResourceItem& type = root.Items(i);
    if (type.DisplayName() != typeName) continue;
    TResourceList& entries = type.SubList();
    for (int j = 0; j < entries.Count(); ++j) names.push_back(entries.Items(j).DisplayName());
  }
  return names;
}

bool FindResourceData(TExeImage& image, const std::string& type, const std::string& name,
                      const uint8_t*& data, size_t& size) {
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
      data = bytes;
      size = entry->DataSize();
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
  const std::shared_ptr<const platform::MappedFile> file = MapWholeFile(fileName);
  std::unique_ptr<TExeImage> image = OpenProgramImage(file->Data(), file->Size(), fileName, file);
  if (image == nullptr) throw EExeError(kNoResources);
  return image;
}

void SetModuleResources(const uint8_t* data, size_t size) {
  registered = data != nullptr && size > 0 ? ModuleResources{data, size} : ModuleResources{};
}

std::vector<std::string> TResourceManager::ListImageNames() const {
  if (registered.data != nullptr) {
    TExeImage image(registered.data, registered.size, "image pack");
    return ListTypeEntryNames(image, "BINARY");
  }
  // The image and its mapping end with this call: the file is not held open afterwards.
  const std::unique_ptr<TExeImage> image = OpenProgramImage(platform::RunningExecutablePath());
  return ListTypeEntryNames(*image, "BINARY");
}

bool FindModuleResource(const std::string& type, const std::string& name, ResourceBytes& out) {
  std::unique_ptr<TExeImage> image;
  if (registered.data != nullptr) {
    image = std::make_unique<TExeImage>(registered.data, registered.size, "image pack");
  } else {
    const platform::MappedFile& file = RunningExecutable();
    image = OpenProgramImage(file.Data(), file.Size(), platform::RunningExecutablePath(), nullptr);
  }
  if (image == nullptr || image->FindSection(".rsrc") == nullptr) return false;
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (!FindResourceData(*image, type, name, data, size)) return false;
  out.data = data;
  out.size = size;
  return true;
}

}  // namespace talvex::imagestore
