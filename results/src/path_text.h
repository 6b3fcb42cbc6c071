#pragma once
// Small text helpers for the file names of results and sealed files.

#include <string>

namespace talvex::results {

// Whether text ends in lowerSuffix, ASCII letters compared without regard to case.
inline bool EndsWithNoCase(const std::string& text, const std::string& lowerSuffix) {
  if (text.size() < lowerSuffix.size()) return false;
  const size_t start = text.size() - lowerSuffix.size();
  for (size_t i = 0; i < lowerSuffix.size(); ++i) {
    if (static_cast<char>(text[start + i] | 0x20) != lowerSuffix[i]) return false;
  }
  return true;
}

}  // namespace talvex::results
