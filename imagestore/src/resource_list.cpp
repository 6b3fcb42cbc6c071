#include <utility>

#include "pe_layout.h"
#include "talvex/imagestore/exe_image.h"
#include "talvex/imagestore/resource_kinds.h"

namespace talvex::imagestore {

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
  const StrictReader<EExeError> file = pe::ViewOf(image_);
  const uint64_t count = pe::DirectoryEntryCount(file, directory_);
  const uint64_t first = pe::FirstEntry(directory_);
  file.Require(first, count * pe::kDirectoryEntrySize);
  image_.ChargeEntries(count);

  std::vector<TResourceItem*> listed;
  std::vector<std::unique_ptr<TResourceItem>> owned;
  TResourceItem* iconType = nullptr;
  TResourceItem* cursorType = nullptr;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t entry = first + i * pe::kDirectoryEntrySize;
    owned.push_back(CreateResourceItem(resourceType_, *this, entry));
    TResourceItem* item = owned.back().get();
    const uint32_t nameOrId = file.U32(entry + pe::kEntryNameOrId);
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

}  // namespace talvex::imagestore
