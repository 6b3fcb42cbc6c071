#pragma once
// Whether this process still holds a file: has it open or mapped into memory. The tests of
// the readers use it to show that nothing outlives the reader that opened the file.

#include <string>

#ifdef _WIN32
#include <windows.h>

#include "talvex/platform/wide_text.h"
#else
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

}  // namespace talvex::testing
