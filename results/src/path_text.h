#pragma once
// Small text helpers for the file names of results and sealed files.

#include <string>

namespace talvex::results {

// How many runs may share one name stem: " (2)" ... " (999)".
constexpr int kMaxSameNameRuns = 999;

// Whether text ends in lowerSuffix, ASCII letters compared without regard to case.
inline bool EndsWithNoCase(const std::string& text, const std::string& lowerSuffix) {
  if (text.size() < lowerSuffix.size()) return false;
  const size_t start = text.size() - lowerSuffix.size();
  for (size_t i = 0; i < lowerSuffix.size(); ++i) {
    if (static_cast<char>(text[start + i] | 0x20) != lowerSuffix[i]) return false;
  }
  return true;
}

// The name of the run-th file of a stem: stem + extension, then stem + " (2)" + extension...
inline std::string NumberedName(const std::string& stem, int run, const std::string& extension) {
  return run == 1 ? stem + extension : stem + " (" + std::to_string(run) + ")" + extension;
}

}  // namespace talvex::results
