#pragma once
// Windows only: a fresh folder for one test under the temporary folder, its name holding
// letters beyond ASCII so that every path through it crosses the wide-character API;
// removed with everything in it when the test ends.

#include <windows.h>

#include <filesystem>
#include <string>

#include "talvex/platform/wide_text.h"

namespace talvex::testing {

class WideScratchFolder {
 public:
  WideScratchFolder() {
    static int counter = 0;
    // "Prüfung 李" and the process and a counter, so that parallel tests never meet.
    path_ = std::filesystem::temp_directory_path() /
            (L"Pr\u00FCfung \u674E " + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter));
    std::filesystem::create_directories(path_);
  }
  ~WideScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  WideScratchFolder(const WideScratchFolder&) = delete;
  WideScratchFolder& operator=(const WideScratchFolder&) = delete;

  // The folder as UTF-8 text, without a trailing separator.
  std::string Path() const { return platform::Narrow(path_.wstring()); }
  std::string operator/(const std::string& name) const { return Path() + "\\" + name; }
  const std::filesystem::path& WidePath() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace talvex::testing
