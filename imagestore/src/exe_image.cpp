#include "talvex/imagestore/exe_image.h"

#include <utility>

#include "mapped_view.h"
#include "pe_layout.h"
#include "talvex/ascii.h"

namespace talvex::imagestore {

namespace {

// At most this many entries may be created or listed in one tree: one directory can hold
// 2 x 65535 entries, and no real file comes near this, but a small hostile file could
// otherwise fan out into an enormous tree by pointing many entries at the same directories.
constexpr uint64_t kMaxEntriesPerImage = 2 * 65536;

}  // namespace

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
  if (!file.ReadU16(0, signature) || signature != pe::kDosSignature) {
    throw EExeError("unrecognized file format");
  }
  // The signature, the file header and the optional header, as long as the file header says
  // (224 bytes in a 32-bit image, 240 in a 64-bit one), must lie in the file. The section
  // table follows them.
  uint32_t ntHeaders = 0;
  uint32_t peSignature = 0;
  uint16_t optionalHeaderSize = 0;
  if (!file.ReadU32(pe::kNtHeadersPointer, ntHeaders) || !file.ReadU32(ntHeaders, peSignature) ||
      peSignature != pe::kNtSignature ||
      !file.ReadU16(uint64_t{ntHeaders} + pe::kSizeOfOptionalHeader, optionalHeaderSize) ||
      !file.Contains(ntHeaders, pe::kOptionalHeader + optionalHeaderSize)) {
    throw EExeError("Not a PE (WIN32 Executable) file");
  }
  ntHeaders_ = ntHeaders;
  sectionTable_ = ntHeaders_ + pe::kOptionalHeader + optionalHeaderSize;
}

const uint8_t* TExeImage::FindSection(const std::string& name) const {
  const StrictReader<EExeError> file = pe::ViewOf(*this);
  const uint16_t count = file.U16(ntHeaders_ + pe::kNumberOfSections);
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t header = sectionTable_ + i * pe::kSectionHeaderSize;
    file.Require(header, pe::kSectionHeaderSize);
    // Compares up to 8 characters and the wanted name's terminating zero, so ".rsrc" matches
    // ".RSRC" but not ".rsrc1".
    bool same = true;
    for (size_t k = 0; k < pe::kSectionNameLength && same; ++k) {
      const char wanted = k < name.size() ? name[k] : '\0';
      const auto have = static_cast<char>(file.U8(header + k));
      same = AsciiUpper(wanted) == AsciiUpper(have);
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
    const StrictReader<EExeError> file = pe::ViewOf(*this);
    const auto header = static_cast<uint64_t>(section - view_);
    resourceVirtualAddress_ = file.U32(header + pe::kSectionVirtualAddress);
    resourceStart_ = file.U32(header + pe::kSectionRawData);
    file.Require(resourceStart_, pe::kDirectoryHeaderSize);
    root_ = std::make_unique<TResourceList>(*this, resourceStart_, 0, 1);
  }
  return *root_;
}

void TExeImage::ChargeEntries(uint64_t count) {
  entriesCharged_ += count;
  if (entriesCharged_ > kMaxEntriesPerImage) throw EExeError(kCorruptDirectory);
}

}  // namespace talvex::imagestore
