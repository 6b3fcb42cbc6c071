#include <windows.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

#include "file_status.h"
#include "talvex/platform/error_kinds.h"
#include "talvex/platform/file.h"
#include "talvex/platform/wide_text.h"

namespace talvex::platform {
namespace {

constexpr const char* kSharingViolationText =
    "The process cannot access the file because it is being used by another process.";
constexpr int kNameAttempts = 100;  // temporary names tried before giving up

HANDLE AsHandle(void* handle) {
  return static_cast<HANDLE>(handle);
}

// The Windows errors of each kind; the first of a kind stands for it.
constexpr std::pair<DWORD, ErrorKind> kWindowsErrors[] = {
    {ERROR_FILE_NOT_FOUND, ErrorKind::kNotFound},
    {ERROR_PATH_NOT_FOUND, ErrorKind::kBadName},
    {ERROR_TOO_MANY_OPEN_FILES, ErrorKind::kTooManyOpen},
    {ERROR_ACCESS_DENIED, ErrorKind::kDenied},
    {ERROR_SHARING_VIOLATION, ErrorKind::kInUse},
    {ERROR_FILE_EXISTS, ErrorKind::kNameTaken},
    {ERROR_ALREADY_EXISTS, ErrorKind::kNameTaken},
    {ERROR_DISK_FULL, ErrorKind::kNoSpace},
    {ERROR_HANDLE_DISK_FULL, ErrorKind::kNoSpace},
    {ERROR_IO_DEVICE, ErrorKind::kDeviceFailure},
};

ErrorKind KindOfWindowsError(DWORD error) {
  if (error == ERROR_SUCCESS) return ErrorKind::kNone;
  for (const auto& [windowsError, kind] : kWindowsErrors) {
    if (windowsError == error) return kind;
  }
  return ErrorKind::kOther;
}

// The Windows error that stands for a kind; ERROR_SUCCESS for none.
DWORD WindowsErrorOfKind(ErrorKind kind) {
  for (const auto& [windowsError, entryKind] : kWindowsErrors) {
    if (entryKind == kind) return windowsError;
  }
  return ERROR_SUCCESS;
}

// The system's English text for a Windows error code, without the line end.
std::string WindowsErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  // English when the system has it, else the user's language.
  DWORD length = 0;
  for (const DWORD language : {DWORD{MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)},
                               DWORD{MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)}}) {
    length = FormatMessageW(flags, nullptr, error, language, reinterpret_cast<LPWSTR>(&buffer), 0,
                            nullptr);
    if (length > 0) break;
  }
  if (length == 0 || buffer == nullptr) return "System error " + std::to_string(error);
  std::string text = Narrow(std::wstring_view(buffer, length));
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

FileStatus StatusFromWindowsError(DWORD error) {
  FileStatus status;
  if (error == ERROR_SUCCESS) return status;
  const ErrorKind kind = KindOfWindowsError(error);
  status.code = ErrorCodeOfKind(kind, static_cast<int>(error));
  status.errorNumber = ErrnoOfErrorKind(kind);
  status.text = WindowsErrorText(error);
  return status;
}

FileStatus LastError() {
  return StatusFromWindowsError(GetLastError());
}

std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) {
    // "C:name" lies in the current folder of drive C.
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
  }
  return path.substr(0, separator + 1);
}

// A name in the folder that no other probe or copy of this process uses.
std::string UniqueNameIn(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  std::string name = folder;
  if (!name.empty() && name.back() != '\\' && name.back() != '/' && name.back() != ':') {
    name += '\\';
  }
  name += ".talvex-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) +
          "-" + std::to_string(GetTickCount64()) + ".tmp";
  return name;
}

DWORD AttributesOf(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str());
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  FileIdentity identity;
  identity.volume = info.dwVolumeSerialNumber;
  identity.index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return identity;
}

// Moves the file pointer to the end, where every later write goes.
FileStatus SeekToEnd(HANDLE file) {
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(file, zero, nullptr, FILE_END)) return LastError();
  return {};
}

}  // namespace

int ErrorCodeFromErrno(int errorNumber) {
  const ErrorKind kind = ErrorKindOfErrno(errorNumber);
  return ErrorCodeOfKind(
      kind, kind == ErrorKind::kOther ? errorNumber : static_cast<int>(WindowsErrorOfKind(kind)));
}

std::string ErrorTextFromErrno(int errorNumber) {
  const DWORD error = WindowsErrorOfKind(ErrorKindOfErrno(errorNumber));
  if (error == ERROR_SUCCESS) return "Error " + std::to_string(errorNumber);
  return WindowsErrorText(error);
}

FileStatus StatusFromSystemError(int systemError) {
  return StatusFromWindowsError(static_cast<DWORD>(systemError));
}

FileStatus SharingViolationStatus() {
  FileStatus status;
  status.code = kSharingViolation;
  status.text = kSharingViolationText;
  return status;
}

File::~File() {
  if (handle_ != nullptr) CloseHandle(AsHandle(handle_));
}

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) CloseHandle(AsHandle(handle_));
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

// flags: the access wanted (GENERIC_READ or GENERIC_WRITE) and the creation disposition;
// exclusive: whether other programs may not even read the file while it is open.
FileStatus File::Open(const std::string& path, int flags, bool exclusive) {
  Close();
  const DWORD access = (flags & 1) != 0 ? GENERIC_WRITE : GENERIC_READ;
  const DWORD disposition = static_cast<DWORD>(flags >> 1);
  const DWORD share = exclusive ? 0 : FILE_SHARE_READ;
  const HANDLE file = CreateFileW(Widen(path).c_str(), access, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  // Named pipes, consoles and devices open too, but are not files of the results.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return NotARegularFileStatus();
  }
  handle_ = file;
  return {};
}

namespace {
// The flags of File::Open: bit 0 for writing, the creation disposition above it.
constexpr int OpenFlags(bool write, DWORD disposition) {
  return (write ? 1 : 0) | static_cast<int>(disposition << 1);
}
}  // namespace

FileStatus File::OpenForReading(const std::string& path) {
  return Open(path, OpenFlags(false, OPEN_EXISTING), false);
}

FileStatus File::OpenForReadingAlone(const std::string& path) {
  Close();
  // No other open may read or write it; the holder may still delete it, which leaves the name
  // unusable until the handle is closed.
  const HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return NotARegularFileStatus();
  }
  handle_ = file;
  return {};
}

FileStatus File::OpenForAppend(const std::string& path) {
  FileStatus status = Open(path, OpenFlags(true, OPEN_EXISTING), false);
  if (status.Ok()) status = SeekToEnd(AsHandle(handle_));
  if (!status.Ok()) Close();
  return status;
}

FileStatus File::OpenSameFileForAppend(const std::string& path, const FileIdentity& identity) {
  Close();
  // A link or junction put at the path is opened itself, not followed, and then refused.
  const HANDLE file =
      CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && FolderExists(path)) return NotTheSameFileStatus();
    return StatusFromWindowsError(error);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
      IdentityOf(info) != identity) {
    CloseHandle(file);
    return NotTheSameFileStatus();
  }
  handle_ = file;
  FileStatus status = SeekToEnd(file);
  if (!status.Ok()) Close();
  return status;
}

FileStatus File::CreateNew(const std::string& path) {
  return Open(path, OpenFlags(true, CREATE_NEW), false);
}

FileStatus File::Create(const std::string& path) {
  // A file another program holds is refused by the share mode before anything is emptied.
  return Open(path, OpenFlags(true, CREATE_ALWAYS), true);
}

FileStatus File::CreateBeside(const std::string& path, std::string& temporaryPath) {
  FileStatus status;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temporaryPath = UniqueNameIn(FolderOf(path));
    status = Open(temporaryPath, OpenFlags(true, CREATE_NEW), true);
    if (status.errorNumber != EEXIST) break;
  }
  if (!status.Ok()) temporaryPath.clear();
  return status;
}

FileStatus File::Read(void* buffer, size_t capacity, size_t& count) {
  count = 0;
  if (handle_ == nullptr) return StatusFromWindowsError(ERROR_INVALID_HANDLE);
  DWORD got = 0;
  const DWORD wanted = capacity > MAXDWORD ? MAXDWORD : static_cast<DWORD>(capacity);
  if (!ReadFile(AsHandle(handle_), buffer, wanted, &got, nullptr)) return LastError();
  count = got;
  return {};
}

FileStatus File::WriteAll(const void* data, size_t length) {
  if (handle_ == nullptr) return StatusFromWindowsError(ERROR_INVALID_HANDLE);
  const char* next = static_cast<const char*>(data);
  while (length > 0) {
    const DWORD chunk = length > 0x40000000u ? 0x40000000u : static_cast<DWORD>(length);
    DWORD put = 0;
    if (!WriteFile(AsHandle(handle_), next, chunk, &put, nullptr)) return LastError();
    // A write that takes nothing would loop for ever; Windows reports a full disk this way.
    if (put == 0) return StatusFromWindowsError(ERROR_DISK_FULL);
    next += put;
    length -= put;
  }
  return {};
}

FileStatus File::Sync() {
  if (handle_ == nullptr) return StatusFromWindowsError(ERROR_INVALID_HANDLE);
  if (!FlushFileBuffers(AsHandle(handle_))) return LastError();
  return {};
}

FileStatus File::Size(uint64_t& size) const {
  size = 0;
  if (handle_ == nullptr) return StatusFromWindowsError(ERROR_INVALID_HANDLE);
  LARGE_INTEGER value{};
  if (!GetFileSizeEx(AsHandle(handle_), &value)) return LastError();
  size = static_cast<uint64_t>(value.QuadPart);
  return {};
}

FileStatus File::Truncate(uint64_t size) {
  if (handle_ == nullptr) return StatusFromWindowsError(ERROR_INVALID_HANDLE);
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFilePointerEx(AsHandle(handle_), position, nullptr, FILE_BEGIN) ||
      !SetEndOfFile(AsHandle(handle_))) {
    return LastError();
  }
  return {};
}

FileStatus File::Close() {
  if (handle_ == nullptr) return {};
  const HANDLE file = AsHandle(std::exchange(handle_, nullptr));
  if (!CloseHandle(file)) return LastError();
  return {};
}

FileStatus File::Identity(FileIdentity& identity) const {
  identity = {};
  if (handle_ == nullptr) return StatusFromWindowsError(ERROR_INVALID_HANDLE);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(AsHandle(handle_), &info)) return LastError();
  identity = IdentityOf(info);
  return {};
}

bool File::IsUsersOwn() const {
  return handle_ != nullptr;
}

bool File::IsFileAt(const std::string& path) const {
  FileIdentity mine;
  FileIdentity theirs;
  return Identity(mine).Ok() && IdentityAt(path, theirs).Ok() && mine == theirs;
}

bool Exists(const std::string& path) {
  return AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileStatus CreateFolder(const std::string& path) {
  if (!CreateDirectoryW(Widen(path).c_str(), nullptr)) return LastError();
  return {};
}

FileStatus RemoveFile(const std::string& path) {
  if (!DeleteFileW(Widen(path).c_str())) return LastError();
  return {};
}

FileStatus IdentityAt(const std::string& path, FileIdentity& identity) {
  identity = {};
  // Opened for its attributes only: every share mode, folders included.
  const HANDLE file = CreateFileW(Widen(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != FALSE;
  const FileStatus status = known ? FileStatus{} : LastError();
  CloseHandle(file);
  if (known) identity = IdentityOf(info);
  return status;
}

FileStatus RenameFile(const std::string& from, const std::string& to, Existing existing) {
  // Write-through: the new name is on disk before the call returns. Without the replace
  // flag a taken name is refused (ERROR_ALREADY_EXISTS, carried as EEXIST).
  DWORD flags = MOVEFILE_WRITE_THROUGH;
  if (existing == Existing::kReplace) flags |= MOVEFILE_REPLACE_EXISTING;
  if (!MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), flags)) return LastError();
  return {};
}

FileStatus ListFolder(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  WIN32_FIND_DATAW entry{};
  const HANDLE search = FindFirstFileW(Widen(pattern + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return LastError();
  do {
    const std::string name = Narrow(entry.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &entry));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES) {
    names.clear();
    return StatusFromWindowsError(error);
  }
  return {};
}

}  // namespace talvex::platform
