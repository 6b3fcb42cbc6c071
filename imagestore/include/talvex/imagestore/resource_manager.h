#pragma once
// TResourceManager: the image store's front object. It reads the images of the source it is
// given and keeps nothing between calls. Virtual so that tests of the experiment can stand in
// their own image set.

#include <memory>
#include <string>
#include <vector>

#include "talvex/imagestore/image_source.h"
#include "talvex/imagestore/jpeg_image.h"

namespace talvex::imagestore {

class TResourceManager {
 public:
  // Reads the images of source; the pictures it loads decode to pixelFormat (8 bits when the
  // screen has at most 8 bits per pixel).
  explicit TResourceManager(ImageSource source, PixelFormat pixelFormat = PixelFormat::Bits24);
  virtual ~TResourceManager() = default;

  // Names of every entry of the type "BINARY" of the source, in stored order. Raises
  // EExeError when the source cannot be read or carries no resources.
  virtual std::vector<std::string> ListImageNames() const;

  // The deciphered picture of a resource name; raises EResNotFound, EJPEG or EStreamError.
  virtual std::unique_ptr<TJPEGImage> LoadImage(const std::string& name) const;

  const ImageSource& Source() const { return source_; }
  PixelFormat PicturePixelFormat() const { return pixelFormat_; }

 protected:
  // For stand-ins that serve images of their own and override both operations.
  TResourceManager();

 private:
  ImageSource source_;
  PixelFormat pixelFormat_;
};

}  // namespace talvex::imagestore
