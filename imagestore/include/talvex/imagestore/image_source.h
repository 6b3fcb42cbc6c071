#pragma once
// Where an image loader finds the images: a resource image held in memory (the image pack
// linked into the program) or a program file read whenever it is asked (a PE program's own
// resources, or the image pack in an ELF program's section).

#include <memory>
#include <string>

#include "talvex/imagestore/byte_span.h"
#include "talvex/imagestore/exe_image.h"

namespace talvex::imagestore {

class ImageSource {
 public:
  // A resource image in memory; its bytes must stay unchanged for as long as any loader
  // reads them (the linked pack lives as long as the program).
  static ImageSource InMemory(ByteSpan image);
  // A program file, mapped for each operation and released when it is done.
  static ImageSource ProgramFile(std::string path);

  // The resource image for one operation; a program file stays mapped until the returned
  // image is destroyed. Null when an ELF program carries no image pack. Raises EExeError as
  // TExeImage does.
  std::unique_ptr<TExeImage> Open() const;

  bool IsProgramFile() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  ByteSpan Memory() const { return memory_; }

 private:
  ImageSource(ByteSpan memory, std::string path) : memory_(memory), path_(std::move(path)) {}

  ByteSpan memory_;
  std::string path_;  // empty for a source in memory
};

}  // namespace talvex::imagestore
