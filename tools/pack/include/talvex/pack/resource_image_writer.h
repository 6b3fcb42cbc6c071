#pragma once
// Writes resource-only PE32 images: DOS header, NT headers with the standard 224-byte
// optional header, and one resource section holding the given resources. Entries are stored
// as resource compilers store them: in every directory the named entries first, in ascending
// order of their upper-cased UTF-16 names, then the integer IDs in ascending order.

#include <cstdint>
#include <string>
#include <vector>

#include "talvex/exception.h"

namespace talvex::pack {

// A resource that cannot be written, or an image set that cannot be packed.
class EPackError : public Exception {
 public:
  using Exception::Exception;
};

// A type, name or language in a resource directory: a counted UTF-16 string or an integer.
struct ResourceId {
  bool named = false;
  std::u16string name;
  uint32_t id = 0;

  static ResourceId Named(std::u16string text) { return {true, std::move(text), 0}; }
  static ResourceId Number(uint32_t value) { return {false, {}, value}; }
};

struct Resource {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0x409;  // US English, the resource compiler's default
  std::vector<uint8_t> data;
  uint32_t codePage = 0;  // as the data entry gives it; resource compilers write 0
};

// Where the image puts its resource section.
struct ImageLayout {
  std::string sectionName = ".rsrc";
  uint32_t sectionVirtualAddress = 0x1000;
};

// File position of the resource section in every image written here.
inline constexpr uint32_t kResourceSectionFileOffset = 0x200;

// The resource language the image pack uses for every image.
inline constexpr uint16_t kPackLanguage = 0x409;

// Raises EPackError for a duplicate (type, name, language), a name longer than 65535 code
// units, more than 65535 named or numbered entries in one directory, or an image too large.
std::vector<uint8_t> WriteResourceImage(const std::vector<Resource>& resources,
                                        const ImageLayout& layout = {});

// The contents of a resource section alone, for a section at that relative virtual address
// (its data entries hold addresses); not padded. Raises EPackError as WriteResourceImage.
std::vector<uint8_t> WriteResourceSection(const std::vector<Resource>& resources,
                                          uint32_t sectionVirtualAddress);

// UTF-8 text as UTF-16; false when the text is not valid UTF-8.
bool Utf8ToUtf16(const std::string& text, std::u16string& out);

}  // namespace talvex::pack
