#pragma once
// Pictures made by the tests themselves, and an image loader over them, for the window tests
// of either shell.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "talvex/imagestore/resource_manager.h"

namespace talvex::testing {

// A JPEG of the given size: left half red, right half blue.
std::vector<uint8_t> TwoColourJpeg(int width, int height);

// A CMYK JPEG: its header reads, but no window can decode it.
std::vector<uint8_t> CmykJpeg();

// A loader whose every picture is TwoColourJpeg (CmykJpeg for the names in undecodable);
// counts its loads. With fail set, LoadImage raises "Resource <name> not found".
class GeneratedLoader : public imagestore::TResourceManager {
 public:
  explicit GeneratedLoader(std::shared_ptr<int> loads = std::make_shared<int>(0), bool fail = false)
      : loads_(std::move(loads)), fail_(fail) {}
  std::vector<std::string> ListImageNames() const override { return names; }
  std::unique_ptr<imagestore::TJPEGImage> LoadImage(const std::string& name) const override;

  std::vector<std::string> names;
  std::set<std::string> undecodable;

 private:
  std::shared_ptr<int> loads_;
  bool fail_;
};

}  // namespace talvex::testing
