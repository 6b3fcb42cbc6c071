#include "talvex/imagestore/resource_manager.h"

#include <utility>

#include "image_loader.h"
#include "talvex/exception.h"
#include "talvex/imagestore/resource_catalogue.h"

namespace talvex::imagestore {

TResourceManager::TResourceManager(ImageSource source, PixelFormat pixelFormat)
    : source_(std::move(source)), pixelFormat_(pixelFormat) {}

TResourceManager::TResourceManager() : TResourceManager(ImageSource::InMemory(ByteSpan{})) {}

std::vector<std::string> TResourceManager::ListImageNames() const {
  // A program file is mapped only during this call.
  const std::unique_ptr<TExeImage> image = source_.Open();
  if (image == nullptr) throw EExeError("No resources in this file.");
  return ListTypeEntryNames(*image, "BINARY");
}

std::unique_ptr<TJPEGImage> TResourceManager::LoadImage(const std::string& name) const {
  const std::unique_ptr<TExeImage> image = source_.Open();
  ByteSpan resource;
  if (image == nullptr || !FindResourceData(*image, "BINARY", name, resource)) {
    throw EResNotFound(name);
  }
  // The picture takes a copy of the bytes: nothing of it points into the source afterwards.
  return LoadDecipheredImage(resource, pixelFormat_);
}

}  // namespace talvex::imagestore
