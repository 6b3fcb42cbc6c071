#include "talvex/embedded_images.h"

#include <memory>
#include <string>

#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/platform/mapped_file.h"
#include "talvex/platform/posix_system.h"

namespace talvex {

namespace {

// The pack in the program's own file, which stays mapped for the life of the program; null
// when the file cannot be read or holds no pack.
const imagestore::TExeImage* PackInOwnFile(const std::string& path) {
  static const platform::MappedFile self(path);
  static const std::unique_ptr<imagestore::TExeImage> pack =
      [&]() -> std::unique_ptr<imagestore::TExeImage> {
    if (self.Failed()) return nullptr;
    try {
      return imagestore::OpenProgramImage(self.Data(), self.Size(), path, nullptr);
    } catch (const imagestore::EExeError&) {
      return nullptr;
    }
  }();
  return pack.get();
}

}  // namespace

// The images are the pack in the program's own section .talvex_images, read in place. Where
// that cannot be had, the program file itself is the source, whose loaders then report why.
imagestore::ImageSource EmbeddedImageSource() {
  const std::string path = platform::TheSystem().ExecutablePath();
  const imagestore::TExeImage* pack = PackInOwnFile(path);
  if (pack == nullptr) return imagestore::ImageSource::ProgramFile(path);
  return imagestore::ImageSource::InMemory(
      imagestore::ByteSpan{pack->ViewBase(), pack->ViewSize()});
}

}  // namespace talvex
