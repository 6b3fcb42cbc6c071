#pragma once
// An image store for tests: serves a list of names and tiny pictures, logs every load and
// can be told to fail the loads of some names, or to serve pictures that cannot be decoded.

#include <algorithm>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "talvex/exception.h"
#include "talvex/imagestore/jpeg_image.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/tools/jpeg_encode.h"

namespace talvex::testing {

// A grey picture of the given width, one pixel high; the blank picture is 1 wide, trial
// pictures 2, so a test can tell them apart.
inline imagestore::TJPEGImage TinyPicture(int width) {
  const std::vector<uint8_t> pixels(static_cast<size_t>(width), 128);
  imagestore::TJPEGImage picture;
  picture.LoadFromBytes(tools::EncodeJpeg(pixels.data(), width, 1, 1));
  return picture;
}

// A CMYK picture: its header reads, but it cannot be decoded for the screen.
inline imagestore::TJPEGImage CmykPicture() {
  const std::vector<uint8_t> ink(8 * 8 * 4, 60);
  imagestore::TJPEGImage picture;
  picture.LoadFromBytes(tools::EncodeJpeg(ink.data(), 8, 8, 4));
  return picture;
}

class FakeLoader : public imagestore::TResourceManager {
 public:
  explicit FakeLoader(std::vector<std::string> names) : names_(std::move(names)) {}

  // 20 positive and 80 negative images, the blank and the About picture.
  static std::shared_ptr<FakeLoader> DefaultSet(int positives = 20, int negatives = 80) {
    std::vector<std::string> names{"RESOURCES_BLANK_BMP"};
    for (int n = 0; n < negatives; ++n) names.push_back(NegName(n));
    for (int n = 0; n < positives; ++n) names.push_back(PosName(n));
    names.push_back("RESOURCES_TALVEX2_BMP");
    return std::make_shared<FakeLoader>(names);
  }
  static std::string PosName(int n) { return "RESOURCES_POS_G__" + std::to_string(n) + "__BMP"; }
  static std::string NegName(int n) { return "RESOURCES_NEG_C__" + std::to_string(n) + "__BMP"; }

  std::vector<std::string> ListImageNames() const override { return names_; }

  // Called on the worker that prepares the next picture as well.
  std::unique_ptr<imagestore::TJPEGImage> LoadImage(const std::string& name) const override {
    {
      const std::lock_guard<std::mutex> lock(loadsMutex_);
      loads.push_back(name);
    }
    if (failAll || unloadable.count(name) > 0) throw imagestore::EJPEG(42);
    if (std::find(names_.begin(), names_.end(), name) == names_.end()) throw EResNotFound(name);
    if (undecodable.count(name) > 0) return std::make_unique<imagestore::TJPEGImage>(cmyk_);
    return std::make_unique<imagestore::TJPEGImage>(name == kBlank ? blank_ : trial_);
  }

  // Trial loads only (the blank picture left out).
  std::vector<std::string> TrialLoads() const {
    std::vector<std::string> result;
    std::copy_if(loads.begin(), loads.end(), std::back_inserter(result),
                 [](const std::string& name) { return name != kBlank; });
    return result;
  }

  mutable std::vector<std::string> loads;
  bool failAll = false;
  std::set<std::string> unloadable;   // their loads fail
  std::set<std::string> undecodable;  // they load, but no window can decode them

 private:
  static constexpr const char* kBlank = "RESOURCES_BLANK_BMP";
  mutable std::mutex loadsMutex_;
  std::vector<std::string> names_;
  imagestore::TJPEGImage blank_ = TinyPicture(1);
  imagestore::TJPEGImage trial_ = TinyPicture(2);
  imagestore::TJPEGImage cmyk_ = CmykPicture();
};

}  // namespace talvex::testing
