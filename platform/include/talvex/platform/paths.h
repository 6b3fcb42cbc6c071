#pragma once
// The path conventions of the platform: its separator, and where a path's folder part ends.

#include <string>

namespace talvex {

#ifdef _WIN32
// Windows takes "/" as well as "\", and a drive's own ":" ends a folder part ("C:name").
constexpr char kPathSeparator = '\\';
constexpr const char* kPathSeparators = "\\/";
constexpr const char* kFolderPartEnds = "\\/:";
#else
constexpr char kPathSeparator = '/';
constexpr const char* kPathSeparators = "/";
constexpr const char* kFolderPartEnds = "/";
#endif

// Whether the character separates the folders of a path.
inline bool IsPathSeparator(char c) {
  return c != '\0' && std::string(kPathSeparators).find(c) != std::string::npos;
}

// The folder with a separator at its end: the platform's own, added only where the folder
// ends in none (an empty folder stays empty).
inline std::string WithTrailingSeparator(std::string folder) {
  if (!folder.empty() && !IsPathSeparator(folder.back())) folder += kPathSeparator;
  return folder;
}

// The folder part of a path, including its final separator; "" when the path has none.
inline std::string FolderPart(const std::string& path) {
  const size_t last = path.find_last_of(kFolderPartEnds);
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

// The file-name part of a path: everything after its folder part.
inline std::string FileNamePart(const std::string& path) {
  const size_t last = path.find_last_of(kFolderPartEnds);
  return last == std::string::npos ? path : path.substr(last + 1);
}

}  // namespace talvex
