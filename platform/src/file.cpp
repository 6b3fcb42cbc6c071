#include "talvex/platform/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "file_status.h"
#include "talvex/platform/error_kinds.h"

namespace talvex::platform {
namespace {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask
constexpr mode_t kNewFolderMode = 0777;
constexpr const char* kSharingViolationText = "The file is in use by another program";
constexpr int kNameAttempts = 100;  // temporary names tried before giving up

FileIdentity IdentityOf(const struct stat& info) {
  FileIdentity identity;
  identity.volume = static_cast<uint64_t>(info.st_dev);
  identity.index = static_cast<uint64_t>(info.st_ino);
  return identity;
}

int OpenDescriptor(const std::string& path, int flags) {
  int descriptor;
  do {
    descriptor = ::open(path.c_str(), flags | O_CLOEXEC, kNewFileMode);
  } while (descriptor < 0 && errno == EINTR);
  return descriptor;
}

void ClearNonBlocking(int descriptor) {
  const int flags = fcntl(descriptor, F_GETFL);
  if (flags >= 0) fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
}

FileStatus LastError() {
  return StatusFromErrno(errno);
}

// Takes an advisory lock that keeps cooperating programs from writing (shared) or from any
// use (exclusive). A flock lock belongs to the open file, not to the process (as fcntl record
// locks do), so two opens in one program exclude each other as two programs do. File systems
// without locks are used without.
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
  return ErrorCodeOfKind(ErrorKindOfErrno(errorNumber), errorNumber);
}

FileStatus StatusFromSystemError(int systemError) {
  return StatusFromErrno(systemError);
}

std::string ErrorTextFromErrno(int errorNumber) {
  // The texts of the "C" locale are English whatever locale the program runs in.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (cLocale != static_cast<locale_t>(nullptr)) return strerror_l(errorNumber, cLocale);
  return "Error " + std::to_string(errorNumber);
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
  Close();
  const int descriptor = OpenDescriptor(path, flags);
  if (descriptor < 0) return LastError();
  return Adopt(descriptor, exclusive);
}

FileStatus File::Adopt(int descriptor, bool exclusive) {
  FileStatus status = Lock(descriptor, exclusive);
  if (!status.Ok()) {
    ::close(descriptor);
    return status;
  }
  descriptor_ = descriptor;
  return {};
}

FileStatus File::OpenForReading(const std::string& path) {
  return OpenRegularForReading(path, false);
}

FileStatus File::OpenForReadingAlone(const std::string& path) {
  return OpenRegularForReading(path, true);
}

FileStatus File::OpenRegularForReading(const std::string& path, bool exclusive) {
  Close();
  // Without O_NONBLOCK, opening a named pipe would wait for a writer for ever.
  const int descriptor = OpenDescriptor(path, O_RDONLY | O_NONBLOCK);
  if (descriptor < 0) return LastError();
  struct stat info {};
  FileStatus status;
  if (fstat(descriptor, &info) != 0) {
    status = LastError();
  } else if (S_ISDIR(info.st_mode)) {
    status = StatusFromErrno(EISDIR);
  } else if (!S_ISREG(info.st_mode)) {
    status = NotARegularFileStatus();
  } else {
    ClearNonBlocking(descriptor);
    return Adopt(descriptor, exclusive);
  }
  ::close(descriptor);
  return status;
}

FileStatus File::OpenForAppend(const std::string& path) {
  return Open(path, O_WRONLY | O_APPEND, true);
}

FileStatus File::OpenSameFileForAppend(const std::string& path, const FileIdentity& identity) {
  Close();
  // O_NOFOLLOW: a link put at the path fails (ELOOP); O_NONBLOCK: a pipe without a reader
  // fails (ENXIO) instead of waiting.
  const int descriptor = OpenDescriptor(path, O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK);
  if (descriptor < 0) {
    const int error = errno;
    if (error == ELOOP || error == ENXIO || error == EISDIR) return NotTheSameFileStatus();
    return StatusFromErrno(error);
  }
  struct stat info {};
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || IdentityOf(info) != identity) {
    ::close(descriptor);
    return NotTheSameFileStatus();
  }
  ClearNonBlocking(descriptor);
  return Adopt(descriptor, true);
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

FileStatus File::CreateBeside(const std::string& path, std::string& temporaryPath) {
  FileStatus status;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temporaryPath = UniqueNameIn(FolderOf(path));
    status = CreateNew(temporaryPath);
    if (status.errorNumber != EEXIST) break;
  }
  if (!status.Ok()) temporaryPath.clear();
  return status;
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

FileStatus File::Identity(FileIdentity& identity) const {
  identity = {};
  struct stat info {};
  if (descriptor_ < 0) return StatusFromErrno(EBADF);
  if (fstat(descriptor_, &info) != 0) return LastError();
  identity = IdentityOf(info);
  return {};
}

bool File::IsUsersOwn() const {
  struct stat info {};
  if (descriptor_ < 0 || fstat(descriptor_, &info) != 0) return false;
  const bool othersWrite = (info.st_mode & S_IWOTH) != 0;
  // A group the user's own (a private group, or one the user chose to share with) may write.
  const bool groupWrites = (info.st_mode & S_IWGRP) != 0 && info.st_gid != getegid();
  return info.st_uid == geteuid() && !othersWrite && !groupWrites;
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

FileStatus IdentityAt(const std::string& path, FileIdentity& identity) {
  identity = {};
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return LastError();
  identity = IdentityOf(info);
  return {};
}

FileStatus ListFolder(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return LastError();
  errno = 0;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int error = errno;
  closedir(listing);
  if (error != 0) return StatusFromErrno(error);
  return {};
}

FileStatus RenameFile(const std::string& from, const std::string& to, Existing existing) {
  if (existing == Existing::kReplace) {
    if (rename(from.c_str(), to.c_str()) != 0) return LastError();
    return {};
  }
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return LastError();
  // A file system without the no-replace rename: a hard link is made only where the name is
  // free, and then the old name is dropped.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return {};
  }
  if (errno != EPERM && errno != EOPNOTSUPP) return LastError();
  // Nor hard links (FAT): the name is tested and then taken, which leaves a short race.
  if (Exists(to)) return StatusFromErrno(EEXIST);
  if (rename(from.c_str(), to.c_str()) != 0) return LastError();
  return {};
}

}  // namespace talvex::platform
