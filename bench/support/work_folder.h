#pragma once
// A scratch folder for one benchmark run, with the tmp and Desktop folders a run of the program
// may use, removed with everything in it at the end.

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace talvex::bench {

struct WorkFolder {
  std::filesystem::path path;
  WorkFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "talvex-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a work folder");
    path = pattern;
    std::filesystem::create_directories(path / "tmp");
    std::filesystem::create_directories(path / "Desktop");
  }
  ~WorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
};

}  // namespace talvex::bench
