#pragma once
// Whether this process still holds a file (has it open or mapped into memory), so that tests
// of the readers show that nothing outlives the reader that opened the file; and a file held
// the way another program would hold it against every other use.

#include <string>

#ifdef _WIN32
#include <windows.h>

#include "talvex/platform/wide_text.h"
#else
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#endif

namespace talvex::testing {

inline bool ProcessHoldsFile(const std::string& path) {
#ifdef _WIN32
  // An open handle or a mapped view of the file refuses an open that shares nothing.
  const HANDLE file = CreateFileW(platform::Widen(path).c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
#else
  std::error_code error;
  const std::filesystem::path target = std::filesystem::canonical(path, error);
  if (error) return false;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.size() >= target.native().size() &&
        line.compare(line.size() - target.native().size(), std::string::npos, target.native()) ==
            0) {
      return true;
    }
  }
  for (const auto& descriptor : std::filesystem::directory_iterator("/proc/self/fd")) {
    if (std::filesystem::read_symlink(descriptor.path(), error) == target && !error) return true;
  }
  return false;
#endif
}

// Holds a file for the length of a scope as another program holding it for itself would: on
// Windows an open that shares nothing, on POSIX an exclusive advisory lock.
class ExclusiveHold {
 public:
  explicit ExclusiveHold(const std::string& path) {
#ifdef _WIN32
    handle_ = CreateFileW(platform::Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    held_ = handle_ != INVALID_HANDLE_VALUE;
#else
    file_ = std::fopen(path.c_str(), "r");
    held_ = file_ != nullptr && flock(fileno(file_), LOCK_EX) == 0;
#endif
  }
  ~ExclusiveHold() {
#ifdef _WIN32
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
#else
    if (file_ != nullptr) std::fclose(file_);
#endif
  }
  ExclusiveHold(const ExclusiveHold&) = delete;
  ExclusiveHold& operator=(const ExclusiveHold&) = delete;
  bool Held() const {
    return held_;
  }

 private:
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  std::FILE* file_ = nullptr;
#endif
  bool held_ = false;
};

}  // namespace talvex::testing
