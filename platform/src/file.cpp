#include "talvex/platform/file.h"

#include <fcntl.h>
#include <locale.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

namespace talvex::platform {
namespace {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask
constexpr mode_t kNewFolderMode = 0777;
constexpr const char* kSharingViolationText = "The file is in use by another program";

FileStatus LastError() {
  return StatusFromErrno(errno);
}

// Takes an advisory lock that keeps cooperating programs from writing (shared) or from any
// use (exclusive). File systems without locks are used without.
FileStatus Lock(int descriptor, bool exclusive) {
  const int operation = (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  while (flock(descriptor, operation) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return SharingViolationStatus();
    break;
  }
  return {};
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A name in the folder that no other probe or copy of this process uses.
std::string UniqueNameIn(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::string name = folder;
  if (name.empty() || name.back() != '/') name += '/';
  name += ".talvex-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
          std::to_string(now.tv_nsec) + ".tmp";
  return name;
}

}  // namespace

int ErrorCodeFromErrno(int errorNumber) {
  switch (errorNumber) {
    case 0:
      return 0;
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
      return kInvalidFilename;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return kAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return kDiskFull;
    case EIO:
      return kDeviceIoError;
    default:
      return errorNumber;
  }
}

std::string ErrorTextFromErrno(int errorNumber) {
  // The texts of the "C" locale are English whatever locale the program runs in.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (cLocale != static_cast<locale_t>(nullptr)) return strerror_l(errorNumber, cLocale);
  return "Error " + std::to_string(errorNumber);
}

FileStatus StatusFromErrno(int errorNumber) {
  FileStatus status;
  status.code = ErrorCodeFromErrno(errorNumber);
  status.errorNumber = errorNumber;
  if (errorNumber != 0) status.text = ErrorTextFromErrno(errorNumber);
  return status;
}

FileStatus SharingViolationStatus() {
  FileStatus status;
  status.code = kSharingViolation;
  status.errorNumber = EWOULDBLOCK;
  status.text = kSharingViolationText;
  return status;
}

File::~File() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

File::File(File&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

FileStatus File::Open(const std::string& path, int flags, bool exclusive) {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
  int descriptor;
  do {
    descriptor = ::open(path.c_str(), flags | O_CLOEXEC, kNewFileMode);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return LastError();
  FileStatus status = Lock(descriptor, exclusive);
  if (!status.Ok()) {
    ::close(descriptor);
    return status;
  }
  descriptor_ = descriptor;
  return {};
}

FileStatus File::OpenForReading(const std::string& path) {
  FileStatus status = Open(path, O_RDONLY, false);
  if (!status.Ok()) return status;
  struct stat info {};
  if (fstat(descriptor_, &info) == 0 && S_ISDIR(info.st_mode)) {
    Close();
    return StatusFromErrno(EISDIR);
  }
  return {};
}

FileStatus File::OpenForAppend(const std::string& path) {
  return Open(path, O_WRONLY | O_APPEND, true);
}

FileStatus File::CreateNew(const std::string& path) {
  return Open(path, O_WRONLY | O_APPEND | O_CREAT | O_EXCL, true);
}

FileStatus File::Create(const std::string& path) {
  // Emptied only once the lock is held, so a file in use by another program is kept.
  FileStatus status = Open(path, O_WRONLY | O_CREAT, true);
  if (!status.Ok()) return status;
  struct stat info {};
  if (fstat(descriptor_, &info) == 0 && !S_ISREG(info.st_mode)) return {};  // a device
  return Truncate(0);
}

FileStatus File::Read(void* buffer, size_t capacity, size_t& count) {
  count = 0;
  if (descriptor_ < 0) return StatusFromErrno(EBADF);
  ssize_t got;
  do {
    got = ::read(descriptor_, buffer, capacity);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return LastError();
  count = static_cast<size_t>(got);
  return {};
}

FileStatus File::WriteAll(const void* data, size_t length) {
  if (descriptor_ < 0) return StatusFromErrno(EBADF);
  const char* next = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t put = ::write(descriptor_, next, length);
    if (put < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (put == 0) return StatusFromErrno(EIO);
    next += put;
    length -= static_cast<size_t>(put);
  }
  return {};
}

FileStatus File::Sync() {
  if (descriptor_ < 0) return StatusFromErrno(EBADF);
  if (fsync(descriptor_) != 0 && errno != EINVAL && errno != EROFS) return LastError();
  return {};  // EINVAL/EROFS: a file such as a device that has no stable storage to flush
}

FileStatus File::Size(uint64_t& size) const {
  size = 0;
  struct stat info {};
  if (descriptor_ < 0) return StatusFromErrno(EBADF);
  if (fstat(descriptor_, &info) != 0) return LastError();
  size = static_cast<uint64_t>(info.st_size);
  return {};
}

FileStatus File::Truncate(uint64_t size) {
  if (descriptor_ < 0) return StatusFromErrno(EBADF);
  int result;
  do {
    result = ftruncate(descriptor_, static_cast<off_t>(size));
  } while (result != 0 && errno == EINTR);
  if (result != 0) return LastError();
  return {};
}

FileStatus File::Close() {
  if (descriptor_ < 0) return {};
  const int descriptor = std::exchange(descriptor_, -1);
  // The descriptor is released even when close reports an error; it must not be retried.
  if (::close(descriptor) != 0 && errno != EINTR) return LastError();
  return {};
}

bool File::IsFileAt(const std::string& path) const {
  struct stat mine {};
  struct stat theirs {};
  if (descriptor_ < 0 || fstat(descriptor_, &mine) != 0 || stat(path.c_str(), &theirs) != 0) {
    return false;
  }
  return mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

FileStatus CreateFolder(const std::string& path) {
  if (mkdir(path.c_str(), kNewFolderMode) != 0) return LastError();
  return {};
}

FileStatus RemoveFile(const std::string& path) {
  if (unlink(path.c_str()) != 0) return LastError();
  return {};
}

FileStatus CopyFile(const std::string& source, const std::string& destination) {
  File from;
  FileStatus status = from.OpenForReading(source);
  if (!status.Ok()) return status;
  if (FolderExists(destination)) return StatusFromErrno(EISDIR);

  const std::string temporary = UniqueNameIn(FolderOf(destination));
  File to;
  status = to.CreateNew(temporary);
  if (!status.Ok()) return status;

  char buffer[64 * 1024];
  for (;;) {
    size_t count = 0;
    status = from.Read(buffer, sizeof buffer, count);
    if (!status.Ok() || count == 0) break;
    status = to.WriteAll(buffer, count);
    if (!status.Ok()) break;
  }
  if (status.Ok()) status = to.Sync();
  if (status.Ok()) status = to.Close();
  if (status.Ok() && rename(temporary.c_str(), destination.c_str()) != 0) status = LastError();
  if (!status.Ok()) {
    to.Close();
    unlink(temporary.c_str());
  }
  return status;
}

bool ProbeFolderWritable(const std::string& folder) {
  const std::string probe = UniqueNameIn(folder);
  int descriptor;
  do {
    descriptor = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return false;
  ::close(descriptor);
  unlink(probe.c_str());
  return true;
}

}  // namespace talvex::platform
