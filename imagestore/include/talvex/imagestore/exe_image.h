#pragma once
// The reader of an executable's resource tree (Portable Executable format, 32-bit PE32 and
// 64-bit PE32+ images).
// TExeImage is the mapped file, TResourceList one resource directory, TResourceItem one
// directory entry. Lists and entries are built on first use and owned by the tree: the image
// owns the root list, a list owns the entries made for it, an entry owns its sub-list.
// Every address points into the image's view, so no list or entry may be used after its
// TExeImage is destroyed.
//
// Every offset and size taken from the file is checked against the file before use; a file
// that points outside itself is refused with EExeError "Corrupt resource directory".

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "talvex/exception.h"

namespace talvex::imagestore {

// A file that the reader cannot use; carries only its message.
class EExeError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* kCorruptDirectory = "Corrupt resource directory";
inline constexpr const char* kCorruptData = "Corrupt resource data";

class TResourceList;
class TResourceItem;

class TExeImage {
 public:
  // Maps the file read-only and checks its DOS and NT headers. Raises EExeError:
  // "Couldn't open: <name>", "CreateFileMapping failed", "MapViewOfFile failed",
  // "unrecognized file format", "Not a PE (WIN32 Executable) file".
  explicit TExeImage(const std::string& fileName);

  // Reads an image held in memory, with the same checks. keepAlive owns the bytes (or is
  // null when the caller keeps them alive and unchanged for the life of the image).
  TExeImage(const uint8_t* data, size_t size, std::string name,
            std::shared_ptr<const void> keepAlive = nullptr);

  ~TExeImage();
  TExeImage(const TExeImage&) = delete;
  TExeImage& operator=(const TExeImage&) = delete;

  const std::string& FileName() const { return fileName_; }

  // The root resource directory, built on the first call. Raises "No resources in this file."
  // when there is no section named ".rsrc".
  TResourceList& ResourceRoot();

  // The first section header whose name equals name (ASCII letters compared without regard
  // to case, at most 8 characters); null when there is none.
  const uint8_t* FindSection(const std::string& name) const;

  // The top-level entries of the icon (ID 3) and cursor (ID 1) image types, which the root
  // list keeps out of its entry list; null when the file has none or the root is not built.
  TResourceItem* IconTypeEntry() const { return iconTypeEntry_; }
  TResourceItem* CursorTypeEntry() const { return cursorTypeEntry_; }

  const uint8_t* ViewBase() const { return view_; }
  size_t ViewSize() const { return viewSize_; }
  const uint8_t* NtHeaders() const { return view_ + ntHeaders_; }
  // Offset in the view of the section table: right after the optional header, whose size the
  // file header gives.
  uint64_t SectionTable() const { return sectionTable_; }
  // Offset of the resource section in the view, and its relative virtual address.
  uint64_t ResourceSectionStart() const { return resourceStart_; }
  uint32_t ResourceSectionVirtualAddress() const { return resourceVirtualAddress_; }

  // Counts entries created or listed in this tree; raises "Corrupt resource directory" when
  // a file would make more than any real file has.
  void ChargeEntries(uint64_t count);

 private:
  friend class TResourceList;
  friend class TResourceItem;

  void CheckHeaders();

  std::string fileName_;
  std::shared_ptr<const void> keepAlive_;
  const uint8_t* view_ = nullptr;
  size_t viewSize_ = 0;
  uint64_t ntHeaders_ = 0;
  uint64_t sectionTable_ = 0;
  std::unique_ptr<TResourceList> root_;
  TResourceItem* iconTypeEntry_ = nullptr;
  TResourceItem* cursorTypeEntry_ = nullptr;
  uint64_t resourceStart_ = 0;
  uint32_t resourceVirtualAddress_ = 0;
  uint64_t entriesCharged_ = 0;
};

// One resource directory: its entries in stored order.
class TResourceList {
 public:
  // directory: offset of the directory in the image's view. level: 1 for the root directory,
  // one more for each directory below it.
  TResourceList(TExeImage& image, uint64_t directory, uint32_t resourceType, int level);
  virtual ~TResourceList();
  TResourceList(const TResourceList&) = delete;
  TResourceList& operator=(const TResourceList&) = delete;

  int Count();
  // Raises EListError "List index out of bounds (%d)" outside 0 to Count() - 1.
  TResourceItem& Items(int index);
  // The listed entries (references; the list owns them), built on the first call.
  virtual const std::vector<TResourceItem*>& EntryList();

  TExeImage& Image() const { return image_; }
  uint64_t Directory() const { return directory_; }
  // 0 for the root list; under a top-level entry, that entry's whole name-or-ID field.
  uint32_t ResourceType() const { return resourceType_; }
  int Level() const { return level_; }
  bool IsRoot() const { return level_ == 1; }

 protected:
  TExeImage& image_;
  uint64_t directory_;
  uint32_t resourceType_;
  int level_;
  bool built_ = false;
  std::vector<TResourceItem*> entryList_;
  std::vector<std::unique_ptr<TResourceItem>> owned_;
};

// One directory entry.
class TResourceItem {
 public:
  // entry: offset of the 8-byte directory entry in the view; holder: the list it belongs to.
  TResourceItem(TResourceList& holder, uint64_t entry);
  virtual ~TResourceItem();
  TResourceItem(const TResourceItem&) = delete;
  TResourceItem& operator=(const TResourceItem&) = delete;

  // The type name (top-level standard types), the entry's string name, or its ID in decimal.
  virtual std::string DisplayName() const;
  // The entry's sub-directory, built on the first call; raises "ResourceItem is not a list"
  // for a leaf.
  virtual TResourceList& SubList();
  virtual bool HasSubList() const;
  // Appends the entry's data to stream.
  virtual void WriteData(std::vector<uint8_t>& stream) const;

  // The data entry of the first language variant; null when there is none.
  const uint8_t* DataEntry() const;
  // The resource data in the view (its whole size checked to lie in the file); null when
  // the entry has no data entry.
  const uint8_t* DataPointer() const;
  // 0 for a list, else the data entry's size in bytes.
  uint32_t DataSize() const;
  TExeImage& OwnerImage() const { return holder_.Image(); }
  // Low 8 bits of the holding list's resource type.
  uint8_t OwnerType() const { return static_cast<uint8_t>(holder_.ResourceType() & 0xFF); }

  TResourceList& Holder() const { return holder_; }
  uint64_t DirectoryEntry() const { return entry_; }
  // The entry's name-or-ID field (high bit set: a string name) and offset-to-data field.
  uint32_t NameOrId() const;
  uint32_t OffsetToData() const;
  bool IsNamed() const { return (NameOrId() & 0x80000000u) != 0; }
  // The string name of a named entry in UTF-16 code units.
  std::u16string Name() const;

 protected:
  // The resource data whatever HasSubList says: first variant's data entry, bounds checked.
  bool RawData(const uint8_t*& data, uint32_t& size) const;
  // Offset in the view of the first variant's data entry; false when there is none.
  bool DataEntryOffset(uint64_t& offset) const;
  // Offset in the view of the directory the entry's offset to data names (high bit cleared).
  uint64_t SubDirectory() const;

  TResourceList& holder_;
  uint64_t entry_;
  std::unique_ptr<TResourceList> subList_;
};

// Conversion of a directory's UTF-16 text to the platform's narrow code page: UTF-8 here.
// Unpaired surrogates become U+FFFD.
std::string Utf16ToAnsi(const std::u16string& text);

}  // namespace talvex::imagestore
