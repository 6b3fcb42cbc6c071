#pragma once
// Read-only access to a whole file through a memory mapping.

#include <cstddef>
#include <cstdint>
#include <string>

namespace talvex::platform {

class MappedFile {
 public:
  // The step of mapping a file, in order; a failed map stops at one of them.
  enum class Step {
    kDone,     // the whole file is mapped (an empty file maps to no bytes)
    kOpen,     // the file could not be opened for reading, or it is not a regular file
    kMapping,  // its size could not be taken, or it is too large to map
    kView,     // the system refused the mapping itself
  };

  // Maps the file at path read-only; Failed() tells whether and where that went wrong.
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  bool Failed() const { return failedAt_ != Step::kDone; }
  Step FailedAt() const { return failedAt_; }
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  Step failedAt_ = Step::kDone;
};

}  // namespace talvex::platform
