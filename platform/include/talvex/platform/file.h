#pragma once
// Files for the core: open, create, read, write, flush to stable storage, and the folder
// queries, each failure reported as the error code the results messages use together with
// the system's English text for it. Paths are UTF-8 text on every platform.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace talvex::platform {

// Error codes that have a meaning of their own in the results messages.
constexpr int kFileNotFound = 2;
constexpr int kInvalidFilename = 3;
constexpr int kTooManyOpenFiles = 4;
constexpr int kAccessDenied = 5;
constexpr int kSharingViolation = 32;  // another program holds the file
constexpr int kDiskFull = 101;
constexpr int kDeviceIoError = 1117;   // EIO; kept apart from code 5
constexpr int kNotTheSameFile = 1006;  // the path names another file than the one made before

// The outcome of a file step: code 0 on success.
struct FileStatus {
  int code = 0;  // error code in the numbering of the results messages
  // The C library's errno value (on Windows the errno value of the same meaning, EEXIST for
  // a taken name), 0 when there is none.
  int errorNumber = 0;
  std::string text;  // the system's English message, e.g. "No such file or directory"
  bool Ok() const { return code == 0; }
};

// The code of an errno value by its kind (error_kinds.h); any other value keeps its own,
// and on Windows a taken name has the code Windows gives it.
int ErrorCodeFromErrno(int errorNumber);
// The C library's English text for an errno value, whatever the current locale.
std::string ErrorTextFromErrno(int errorNumber);
FileStatus StatusFromErrno(int errorNumber);
// The status of a file that another program (or another open of this one) holds.
FileStatus SharingViolationStatus();
// The status of a path that names something other than a regular file (a pipe, a device).
FileStatus NotARegularFileStatus();

// Which file an open file or a path is: equal identities name the same file of the same
// volume, whatever names lead to it.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && index == other.index;
  }
  bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// What renaming onto a name that is taken does.
enum class Existing { kKeep, kReplace };

// An open file; closed by the destructor when Close was not called.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // A regular file for reading; other programs may read it as well but not write it. Never
  // waits for a writer: a pipe or a device is refused with NotARegularFileStatus.
  FileStatus OpenForReading(const std::string& path);
  // A regular file for reading that no other open may use while this one holds it, another
  // open in this program included: one held elsewhere is refused with SharingViolationStatus.
  // The holder may remove the file while it holds it. Never waits for a writer, as above.
  FileStatus OpenForReadingAlone(const std::string& path);
  // An existing file, written at its end; other programs may read it but not write it.
  FileStatus OpenForAppend(const std::string& path);
  // The regular file made before under this identity, written at its end: a link at the path
  // is not followed, and anything else at the path is refused with kNotTheSameFile.
  FileStatus OpenSameFileForAppend(const std::string& path, const FileIdentity& identity);
  // A new file; fails with EEXIST (code 17) when anything already has the name.
  FileStatus CreateNew(const std::string& path);
  // A file emptied or created, for exclusive use.
  FileStatus Create(const std::string& path);
  // A new file under a name of its own in the folder of path, for exclusive use; the name
  // is returned in temporaryPath.
  FileStatus CreateBeside(const std::string& path, std::string& temporaryPath);

  FileStatus Read(void* buffer, size_t capacity, size_t& count);  // count 0 at the end
  FileStatus WriteAll(const void* data, size_t length);
  FileStatus Sync();  // flushes the data to stable storage
  FileStatus Size(uint64_t& size) const;
  FileStatus Truncate(uint64_t size);
  FileStatus Close();

  FileStatus Identity(FileIdentity& identity) const;
  // Whether the open file belongs to the user running the program and no other user may
  // write it. POSIX: its owner is the effective user, and neither others nor a group other
  // than the user's own may write it. Windows: always, the user's folders keeping others out.
  bool IsUsersOwn() const;

#ifdef _WIN32
  bool IsOpen() const {
    return handle_ != nullptr;
  }
#else
  bool IsOpen() const {
    return descriptor_ >= 0;
  }
#endif
  // Whether the path names the open file (the same file of the same file system).
  bool IsFileAt(const std::string& path) const;

 private:
  FileStatus Open(const std::string& path, int flags, bool exclusive);

#ifdef _WIN32
  void* handle_ = nullptr;  // the file's HANDLE; null when no file is open
#else
  FileStatus Adopt(int descriptor, bool exclusive);  // locks and keeps an open descriptor
  FileStatus OpenRegularForReading(const std::string& path, bool exclusive);

  int descriptor_ = -1;
#endif
};

bool Exists(const std::string& path);              // anything at the path; links are not followed
bool FileExists(const std::string& path);          // a regular file
bool FolderExists(const std::string& path);        // a folder
FileStatus CreateFolder(const std::string& path);  // one level
FileStatus RemoveFile(const std::string& path);
// The identity of the file at the path, links followed.
FileStatus IdentityAt(const std::string& path, FileIdentity& identity);
// The names of the entries of a folder ("." and ".." left out), in no particular order.
FileStatus ListFolder(const std::string& folder, std::vector<std::string>& names);

// Gives a file a new name in one step, so that the name holds either the old file or the
// whole new one. With Existing::kKeep a taken name is refused with EEXIST (code 17).
FileStatus RenameFile(const std::string& from, const std::string& to, Existing existing);

}  // namespace talvex::platform
