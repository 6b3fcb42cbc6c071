#include "talvex/imagestore/image_source.h"

#include <utility>

#include "mapped_view.h"
#include "talvex/imagestore/resource_catalogue.h"

namespace talvex::imagestore {

ImageSource ImageSource::InMemory(ByteSpan image) {
  return ImageSource(image, std::string());
}

ImageSource ImageSource::ProgramFile(std::string path) {
  return ImageSource(ByteSpan{}, std::move(path));
}

std::unique_ptr<TExeImage> ImageSource::Open() const {
  if (!IsProgramFile())
    return std::make_unique<TExeImage>(memory_.data, memory_.size, "image pack");
  const std::shared_ptr<const platform::MappedFile> file = MapWholeFile(path_);
  return OpenProgramImage(file->Data(), file->Size(), path_, file);
}

}  // namespace talvex::imagestore
