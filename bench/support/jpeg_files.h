#pragma once
// The deciphered JPEG files of an image set, written once into a work folder, for programs
// that read files (djpeg) to decode what the program shows.

#include <map>
#include <string>

#include "talvex/imagestore/image_source.h"

namespace talvex::bench {

class JpegFiles {
 public:
  JpegFiles(imagestore::ImageSource images, std::string folder)
      : images_(std::move(images)), folder_(std::move(folder)) {}

  // The file of an image, written on first use; throws std::runtime_error when it cannot be.
  const std::string& FileOf(const std::string& resourceName);

 private:
  imagestore::ImageSource images_;
  std::string folder_;
  std::map<std::string, std::string> written_;
};

}  // namespace talvex::bench
