// Fuzz target of the resource reader: any bytes as a program file (a PE image, or an ELF file
// carrying an image pack), the whole tree walked through every kind and every output.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "talvex/exception.h"
#include "talvex/imagestore/exe_image.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/imagestore/resource_kinds.h"

namespace {

using namespace talvex::imagestore;

void Use(TResourceItem& item) {
  item.DisplayName();
  item.DataEntry();
  item.DataPointer();
  std::vector<uint8_t> stream;
  item.WriteData(stream);
  std::vector<std::string> lines;
  if (auto* icon = dynamic_cast<TIconResEntry*>(&item)) icon->AsIconFile();
  if (auto* bitmap = dynamic_cast<TBitMapResource*>(&item)) bitmap->AsBitmapFile();
  if (auto* strings = dynamic_cast<TStringResource*>(&item)) strings->CopyTo(lines);
  if (auto* menu = dynamic_cast<TMenuResource*>(&item)) menu->CopyTo(lines);
}

// Every entry is used separately: one refused entry must not hide the others.
void Walk(TResourceList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    TResourceItem& item = list.Items(i);
    try {
      Use(item);
    } catch (const talvex::Exception&) {
    }
    try {
      if (item.HasSubList()) Walk(item.SubList());
    } catch (const talvex::Exception&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const auto image = OpenProgramImage(data, size, "fuzz", nullptr);
    if (image == nullptr) return 0;
    TResourceList& root = image->ResourceRoot();
    Walk(root);
    for (TResourceItem* hidden : {image->IconTypeEntry(), image->CursorTypeEntry()}) {
      if (hidden != nullptr && hidden->HasSubList()) Walk(hidden->SubList());
    }
    ListTypeEntryNames(*image, "BINARY");
    ListTypeEntryKeys(*image, "BINARY");
    ByteSpan found;
    FindResourceData(*image, "BINARY", "RESOURCES_BLANK_BMP", found);
    FindResourceData(*image, "#3", "#1", found);
  } catch (const talvex::Exception&) {
  }
  return 0;
}
