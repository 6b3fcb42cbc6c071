#include "mapped_view.h"

#include "talvex/imagestore/exe_image.h"

namespace talvex::imagestore {

std::shared_ptr<const platform::MappedFile> MapWholeFile(const std::string& fileName) {
  auto file = std::make_shared<const platform::MappedFile>(fileName);
  switch (file->FailedAt()) {
    case platform::MappedFile::Step::kDone:
      return file;
    case platform::MappedFile::Step::kOpen:
      throw EExeError("Couldn't open: " + fileName);
    case platform::MappedFile::Step::kMapping:
      throw EExeError("CreateFileMapping failed");
    case platform::MappedFile::Step::kView:
      break;
  }
  throw EExeError("MapViewOfFile failed");
}

}  // namespace talvex::imagestore
