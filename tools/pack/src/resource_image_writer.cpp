#include "talvex/pack/resource_image_writer.h"

#include <algorithm>
#include <cstring>

#include "talvex/ascii.h"
#include "talvex/little_endian.h"

namespace talvex::pack {

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kNtHeaders = 0x40;  // right after the 64-byte DOS header
constexpr uint32_t kOptionalHeader = kNtHeaders + 24;
constexpr uint32_t kSectionTable = kNtHeaders + 248;  // after the 224-byte optional header
constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
// Directory and string offsets carry a flag in their high bit, so the section stays below
// 2 GB; this also keeps every data address inside 32 bits.
constexpr uint64_t kMaxSectionSize = 0x7FFF0000;

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// Positions are 64-bit like the reader's offsets; the size check below keeps every one of
// them inside the buffer's size_t range on 32-bit hosts as well.
void Put16(std::vector<uint8_t>& out, uint64_t at, uint64_t value) {
  PutLittleEndian16(out, static_cast<size_t>(at), value);
}
void Put32(std::vector<uint8_t>& out, uint64_t at, uint64_t value) {
  PutLittleEndian32(out, static_cast<size_t>(at), value);
}

// The order of entries in a directory: named entries by their upper-cased names (then by
// the exact text, so that names differing only in case keep a fixed order), then numbers.
bool IdLess(const ResourceId& a, const ResourceId& b) {
  if (a.named != b.named) return a.named;
  if (!a.named) return a.id < b.id;
  const size_t common = std::min(a.name.size(), b.name.size());
  for (size_t i = 0; i < common; ++i) {
    const char16_t x = AsciiUpper(a.name[i]);
    const char16_t y = AsciiUpper(b.name[i]);
    if (x != y) return x < y;
  }
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
  return a.name < b.name;
}

bool IdEqual(const ResourceId& a, const ResourceId& b) {
  return a.named == b.named && (a.named ? a.name == b.name : a.id == b.id);
}

std::string Describe(const ResourceId& id) {
  if (!id.named) return std::to_string(id.id);
  std::string text;
  for (char16_t c : id.name) text += c < 0x80 ? static_cast<char>(c) : '?';
  return text;
}

struct Node {
  ResourceId id;
  std::vector<Node> children;                  // empty for a language leaf
  const std::vector<uint8_t>* data = nullptr;  // leaves only
  uint32_t codePage = 0;
  uint64_t directory = 0;  // section offsets, filled by the layout
  uint64_t nameString = 0;
  uint64_t dataEntry = 0;
  uint64_t dataOffset = 0;

  explicit Node(ResourceId identity) : id(std::move(identity)) {}
};

void CheckId(const ResourceId& id) {
  if (id.named && id.name.empty()) throw EPackError("a resource name must not be empty");
  if (id.named && id.name.size() > 0xFFFF) {
    throw EPackError(
        "resource name longer than 65535 UTF-16 code units: " + Describe(id).substr(0, 40) + "...");
  }
  if (!id.named && id.id > 0x7FFFFFFF) {
    throw EPackError("resource ID above 2147483647: " + std::to_string(id.id));
  }
}

void CheckCounts(const std::vector<Node>& entries) {
  const auto named =
      std::count_if(entries.begin(), entries.end(), [](const Node& n) { return n.id.named; });
  const auto numbered = static_cast<long>(entries.size()) - named;
  if (named > 0xFFFF || numbered > 0xFFFF) {
    throw EPackError("more than 65535 named or numbered entries in one resource directory");
  }
}

// Visits the nodes level by level, as resource compilers lay directories out.
template <class F>
void ForEachLevel(std::vector<Node>& level, F visit) {
  std::vector<Node*> current;
  for (Node& n : level) current.push_back(&n);
  while (!current.empty()) {
    std::vector<Node*> next;
    for (Node* n : current) {
      visit(*n);
      for (Node& child : n->children) next.push_back(&child);
    }
    current = std::move(next);
  }
}

}  // namespace

bool Utf8ToUtf16(const std::string& text, std::u16string& out) {
  out.clear();
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<uint8_t>(text[i]);
    uint32_t c = 0;
    size_t extra = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
      c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      c = lead & 0x1Fu, extra = 1, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      c = lead & 0x0Fu, extra = 2, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      c = lead & 0x07u, extra = 3, minimum = 0x10000;
    } else {
      return false;
    }
    if (extra > 0 && i + extra >= text.size()) return false;  // truncated sequence
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    if (c < minimum || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return false;
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += extra + 1;
  }
  return true;
}

std::vector<uint8_t> WriteResourceSection(const std::vector<Resource>& resources,
                                          uint32_t sectionVirtualAddress) {
  // The tree: type, name, language.
  std::vector<const Resource*> sorted;
  for (const Resource& r : resources) {
    CheckId(r.type);
    CheckId(r.name);
    sorted.push_back(&r);
  }
  std::sort(sorted.begin(), sorted.end(), [](const Resource* a, const Resource* b) {
    if (!IdEqual(a->type, b->type)) return IdLess(a->type, b->type);
    if (!IdEqual(a->name, b->name)) return IdLess(a->name, b->name);
    return a->language < b->language;
  });
  std::vector<Node> types;
  for (const Resource* r : sorted) {
    if (types.empty() || !IdEqual(types.back().id, r->type)) types.emplace_back(r->type);
    std::vector<Node>& names = types.back().children;
    if (names.empty() || !IdEqual(names.back().id, r->name)) names.emplace_back(r->name);
    std::vector<Node>& languages = names.back().children;
    if (!languages.empty() && languages.back().id.id == r->language) {
      throw EPackError("duplicate resource " + Describe(r->type) + "/" + Describe(r->name) +
                       " language " + std::to_string(r->language));
    }
    languages.emplace_back(ResourceId::Number(r->language));
    languages.back().data = &r->data;
    languages.back().codePage = r->codePage;
  }

  // Section layout: all directories, the name strings, the data entries, then the data.
  uint64_t size = 16 + 8 * types.size();
  CheckCounts(types);
  ForEachLevel(types, [&size](Node& n) {
    if (n.children.empty()) return;
    CheckCounts(n.children);
    n.directory = size;
    size += 16 + 8 * n.children.size();
  });
  ForEachLevel(types, [&size](Node& n) {
    if (!n.id.named) return;
    n.nameString = size;
    size += 2 + 2 * n.id.name.size();
  });
  size = AlignUp(size, 4);
  ForEachLevel(types, [&size](Node& n) {
    if (n.data == nullptr) return;
    n.dataEntry = size;
    size += 16;
  });
  ForEachLevel(types, [&size](Node& n) {
    if (n.data == nullptr) return;
    size = AlignUp(size, 8);
    n.dataOffset = size;
    size += n.data->size();
  });
  if (size > kMaxSectionSize - sectionVirtualAddress) {
    throw EPackError("the resources are too large for one resource section");
  }

  std::vector<uint8_t> out(static_cast<size_t>(size), 0);
  const uint64_t section = 0;

  // Directories: empty header fields (characteristics, time stamp, version), then counts.
  auto writeDirectory = [&](uint64_t at, const std::vector<Node>& entries) {
    const auto named =
        std::count_if(entries.begin(), entries.end(), [](const Node& n) { return n.id.named; });
    Put16(out, section + at + 12, static_cast<uint32_t>(named));
    Put16(out, section + at + 14, static_cast<uint32_t>(entries.size() - size_t(named)));
    uint64_t entry = section + at + 16;
    for (const Node& n : entries) {
      Put32(out, entry, n.id.named ? (kHighBit | n.nameString) : n.id.id);
      Put32(out, entry + 4, n.children.empty() ? n.dataEntry : (kHighBit | n.directory));
      entry += 8;
    }
  };
  writeDirectory(0, types);
  ForEachLevel(types, [&](Node& n) {
    if (!n.children.empty()) writeDirectory(n.directory, n.children);
    if (n.id.named) {
      Put16(out, section + n.nameString, static_cast<uint32_t>(n.id.name.size()));
      for (size_t i = 0; i < n.id.name.size(); ++i) {
        Put16(out, section + n.nameString + 2 + 2 * i, n.id.name[i]);
      }
    }
    if (n.data != nullptr) {
      Put32(out, section + n.dataEntry, sectionVirtualAddress + n.dataOffset);
      Put32(out, section + n.dataEntry + 4, n.data->size());
      Put32(out, section + n.dataEntry + 8, n.codePage);
      if (!n.data->empty()) {
        std::memcpy(out.data() + static_cast<size_t>(section + n.dataOffset), n.data->data(),
                    n.data->size());
      }
    }
  });

  return out;
}

std::vector<uint8_t> WriteResourceImage(const std::vector<Resource>& resources,
                                        const ImageLayout& layout) {
  const std::vector<uint8_t> section =
      WriteResourceSection(resources, layout.sectionVirtualAddress);
  const uint64_t size = section.size();
  const uint64_t rawSize = AlignUp(size, kFileAlignment);
  std::vector<uint8_t> out(static_cast<size_t>(kResourceSectionFileOffset + rawSize), 0);
  std::copy(section.begin(), section.end(), out.begin() + kResourceSectionFileOffset);

  // DOS header: the signature and where the NT headers are.
  out[0] = 'M';
  out[1] = 'Z';
  Put32(out, 0x3C, kNtHeaders);
  // NT headers: signature, file header (i386, one section, no time stamp, a DLL).
  Put32(out, kNtHeaders, 0x4550);
  Put16(out, kNtHeaders + 4, 0x14C);
  Put16(out, kNtHeaders + 6, 1);
  Put16(out, kNtHeaders + 20, 224);
  Put16(out, kNtHeaders + 22, 0x2102);
  // Optional header, PE32.
  const uint64_t imageSize = AlignUp(layout.sectionVirtualAddress + size, kSectionAlignment);
  Put16(out, kOptionalHeader, 0x10B);
  Put32(out, kOptionalHeader + 8, rawSize);      // initialized data
  Put32(out, kOptionalHeader + 28, 0x10000000);  // image base
  Put32(out, kOptionalHeader + 32, kSectionAlignment);
  Put32(out, kOptionalHeader + 36, kFileAlignment);
  Put16(out, kOptionalHeader + 40, 4);  // operating system version 4.0
  Put16(out, kOptionalHeader + 48, 4);  // subsystem version 4.0
  Put32(out, kOptionalHeader + 56, imageSize);
  Put32(out, kOptionalHeader + 60, kResourceSectionFileOffset);            // size of headers
  Put16(out, kOptionalHeader + 68, 2);                                     // Windows GUI subsystem
  Put32(out, kOptionalHeader + 72, 0x100000);                              // stack reserve
  Put32(out, kOptionalHeader + 76, 0x1000);                                // stack commit
  Put32(out, kOptionalHeader + 80, 0x100000);                              // heap reserve
  Put32(out, kOptionalHeader + 84, 0x1000);                                // heap commit
  Put32(out, kOptionalHeader + 92, 16);                                    // data directories
  Put32(out, kOptionalHeader + 96 + 2 * 8, layout.sectionVirtualAddress);  // resources
  Put32(out, kOptionalHeader + 96 + 2 * 8 + 4, size);
  // The one section header.
  for (size_t i = 0; i < 8 && i < layout.sectionName.size(); ++i) {
    out[kSectionTable + i] = static_cast<uint8_t>(layout.sectionName[i]);
  }
  Put32(out, kSectionTable + 8, size);
  Put32(out, kSectionTable + 12, layout.sectionVirtualAddress);
  Put32(out, kSectionTable + 16, rawSize);
  Put32(out, kSectionTable + 20, kResourceSectionFileOffset);
  Put32(out, kSectionTable + 36, 0x40000040);  // initialized data, readable
  return out;
}

}  // namespace talvex::pack
