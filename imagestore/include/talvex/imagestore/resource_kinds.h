#pragma once
// The entry kinds of the standard resource types. The class of every entry made for a list
// follows that list's resource type (CreateResourceItem); string-named types and types above
// 16 give plain TResourceItem.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "talvex/imagestore/exe_image.h"

namespace talvex::imagestore {

// The standard type IDs 0 to 16.
enum TResourceType : uint32_t {
  rtUnknown0,
  rtCursorEntry,
  rtBitmap,
  rtIconEntry,
  rtMenu,
  rtDialog,
  rtString,
  rtFontDir,
  rtFont,
  rtAccelerators,
  rtRCData,
  rtMessageTable,
  rtCursor,
  rtUnknown13,
  rtIcon,
  rtUnknown15,
  rtVersion,
};

// "rtUnknown0" ... "rtVersion"; empty above 16.
std::string ResourceTypeName(uint32_t type);

// The entry of the class the kind table gives for a list of that resource type.
std::unique_ptr<TResourceItem> CreateResourceItem(uint32_t resourceType, TResourceList& holder,
                                                  uint64_t entry);

// An icon group (type 14): always a list, whose entries are the icon images of the group.
class TIconResource : public TResourceItem {
 public:
  using TResourceItem::TResourceItem;
  bool HasSubList() const override { return true; }
  TResourceList& SubList() override;
};

// A cursor group (type 12): the same over the cursor images.
class TCursorResource : public TIconResource {
 public:
  using TIconResource::TIconResource;
  TResourceList& SubList() override;
};

// The images of an icon group, in the group's order: the entries of the icon image type
// whose ID a group entry names.
class TIconResourceList : public TResourceList {
 public:
  // group: the group data in the view (offset and size).
  TIconResourceList(TExeImage& image, uint64_t group, uint32_t groupSize, int level);
  const std::vector<TResourceItem*>& EntryList() override;

 protected:
  // The type entry whose images the group names (icons here, cursors in the cursor list).
  virtual TResourceItem* ImageTypeEntry() const;

 private:
  uint32_t groupSize_;
};

class TCursorResourceList : public TIconResourceList {
 public:
  using TIconResourceList::TIconResourceList;

 protected:
  TResourceItem* ImageTypeEntry() const override;
};

// An icon image (type 3). Reached through a group it knows its 14-byte group entry.
class TIconResEntry : public TResourceItem {
 public:
  using TResourceItem::TResourceItem;
  // "%d X %d %d Colors" from the group entry, else the base name.
  std::string DisplayName() const override;
  // The image as a whole .ico file (a .cur file with its hot spot when the holding list is
  // not of type 3): directory header, one directory entry, the image data.
  std::vector<uint8_t> AsIconFile() const;
  // Writes AsIconFile().
  void WriteData(std::vector<uint8_t>& stream) const override;

  void SetGroupEntry(uint64_t groupEntry) { groupEntry_ = groupEntry; }
  bool HasGroupEntry() const { return groupEntry_ != 0; }
  uint64_t GroupEntry() const { return groupEntry_; }

 private:
  uint64_t groupEntry_ = 0;  // offset in the view; 0: not reached through a group
};

// A cursor image (type 1).
class TCursorResEntry : public TIconResEntry {
 public:
  using TIconResEntry::TIconResEntry;
  // "%d X %d %d Bit(s)" from the cursor group entry, else the icon entry's rule.
  std::string DisplayName() const override;
};

// A bitmap (type 2): its output is a bitmap file.
class TBitMapResource : public TResourceItem {
 public:
  using TResourceItem::TResourceItem;
  // The 14-byte bitmap file header followed by the resource data.
  std::vector<uint8_t> AsBitmapFile() const;
  void WriteData(std::vector<uint8_t>& stream) const override;
};

// A string block (type 6) of 16 counted strings.
class TStringResource : public TResourceItem {
 public:
  using TResourceItem::TResourceItem;
  // Replaces list by one line `%d,  "%s"` per non-empty string, the string's ID first.
  void CopyTo(std::vector<std::string>& list) const;
};

// A menu template (type 4).
class TMenuResource : public TResourceItem {
 public:
  using TResourceItem::TResourceItem;
  // Replaces list by one line per item, indented two blanks per level: MENUITEM "%s",  %d /
  // MENUITEM SEPARATOR / POPUP "%s", and ENDPOPUP where a level ends.
  void CopyTo(std::vector<std::string>& list) const;
};

}  // namespace talvex::imagestore
