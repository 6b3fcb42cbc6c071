#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <limits>

#include "talvex/platform/mapped_file.h"

namespace talvex::platform {

namespace {

// Closes a file descriptor when the mapping step is over; the mapping keeps its own
// reference to the file, so the descriptor is never held beyond the constructor.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

MappedFile::MappedFile(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  struct stat status {};
  if (file.Get() < 0) {
    failedAt_ = Step::kOpen;
    return;
  }
  if (::fstat(file.Get(), &status) != 0) {
    failedAt_ = Step::kMapping;
    return;
  }
  // Folders, devices and pipes open on POSIX but are not files one can map.
  if (!S_ISREG(status.st_mode)) {
    failedAt_ = Step::kOpen;
    return;
  }
  if (status.st_size < 0 ||
      static_cast<uint64_t>(status.st_size) > std::numeric_limits<size_t>::max()) {
    failedAt_ = Step::kMapping;
    return;
  }
  const size_t size = static_cast<size_t>(status.st_size);
  if (size == 0) return;  // mmap refuses a zero length; an empty file is simply no bytes
  void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.Get(), 0);
  if (view == MAP_FAILED) {
    failedAt_ = Step::kView;
    return;
  }
  data_ = static_cast<const uint8_t*>(view);
  size_ = size;
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(const_cast<uint8_t*>(data_), size_);
}

}  // namespace talvex::platform
