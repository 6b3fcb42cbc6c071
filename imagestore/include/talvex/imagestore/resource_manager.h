#pragma once
// TResourceManager: the image store's front object. It has no state; any instance serves.
// Virtual so that tests of the experiment can stand in their own image set.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "talvex/imagestore/jpeg_image.h"

namespace talvex::imagestore {

class TResourceManager {
 public:
  virtual ~TResourceManager() = default;

  // Names of every entry of the type "BINARY" of the running program, in stored order.
  virtual std::vector<std::string> ListImageNames() const;

  // The deciphered picture of a resource name; raises EResNotFound or EJPEG.
  virtual std::unique_ptr<TJPEGImage> LoadImage(const std::string& name) const;
};

// Where the running program's resources are. A program whose executable is not a PE file
// carries them as an image pack linked into it and registers the pack's bytes here at start;
// when nothing is registered the running executable file itself is read.
void SetModuleResources(const uint8_t* data, size_t size);

}  // namespace talvex::imagestore
