#pragma once
// The names of a run's files: the extensions of the results file, the sealed file and the run
// file, the one way to swap one for another, and the numbered names of runs that share a stem.

#include <string>
#include <string_view>

namespace talvex::results {

inline constexpr std::string_view kResultsExtension = ".xls";
inline constexpr std::string_view kSealedExtension = ".enc";
inline constexpr std::string_view kRunFileExtension = ".run";

// How many runs may share one name stem: " (2)" ... " (999)".
constexpr int kMaxSameNameRuns = 999;

// Whether text ends in lowerSuffix, ASCII letters compared without regard to case.
inline bool EndsWithNoCase(std::string_view text, std::string_view lowerSuffix) {
  if (text.size() < lowerSuffix.size()) return false;
  const size_t start = text.size() - lowerSuffix.size();
  for (size_t i = 0; i < lowerSuffix.size(); ++i) {
    if (static_cast<char>(text[start + i] | 0x20) != lowerSuffix[i]) return false;
  }
  return true;
}

// The path with its final extension from (in any letter case) replaced by to; a path without
// it keeps its whole name and gains to, so the new path is never the old one unless to is
// empty.
inline std::string SwapExtension(std::string_view path, std::string_view from,
                                 std::string_view to) {
  if (EndsWithNoCase(path, from)) path.remove_suffix(from.size());
  return std::string(path) + std::string(to);
}

// The name of the run-th file of a stem: stem + extension, then stem + " (2)" + extension...
inline std::string NumberedName(const std::string& stem, int run, std::string_view extension) {
  const std::string number = run == 1 ? "" : " (" + std::to_string(run) + ")";
  return stem + number + std::string(extension);
}

}  // namespace talvex::results
