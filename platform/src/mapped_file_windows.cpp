#include <windows.h>

#include <cstdint>
#include <limits>

#include "talvex/platform/mapped_file.h"
#include "talvex/platform/wide_text.h"

namespace talvex::platform {

namespace {

// Closes a handle when the mapping step is over; the view keeps its own reference to the
// mapping and the file, so neither handle is held beyond the constructor.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

MappedFile::MappedFile(const std::string& path) {
  // Others may read the file at the same time, as the running program's loader does.
  ScopedHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid() || GetFileType(file.Get()) != FILE_TYPE_DISK) {
    failedAt_ = Step::kOpen;
    return;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) > std::numeric_limits<size_t>::max()) {
    failedAt_ = Step::kMapping;
    return;
  }
  if (size.QuadPart == 0) return;  // a mapping of no bytes is refused; an empty file is no bytes
  ScopedHandle mapping(CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping.Valid()) {
    failedAt_ = Step::kMapping;
    return;
  }
  const void* view = MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0);
  if (view == nullptr) {
    failedAt_ = Step::kView;
    return;
  }
  data_ = static_cast<const uint8_t*>(view);
  size_ = static_cast<size_t>(size.QuadPart);
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) UnmapViewOfFile(data_);
}

}  // namespace talvex::platform
