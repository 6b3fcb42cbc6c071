// A small program that carries the embedded image set, for the tests that read a built
// program (and, stamped, for the tests of stamping). Without arguments it prints
// ListImageNames over the embedded image source (the pack in its own file, mapped once for the
// life of the program), one a line. With --file the names come from its own executable file
// read for the call, and a last line "mappings <before> <after>" counts the mappings of that
// file around the call. With --lookup it prints each name and whether the embedded source and
// its own file give the same bytes.

#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>

#include "talvex/embedded_images.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/posix_system.h"

namespace {

using namespace talvex::imagestore;

int CountMappingsOf(const std::string& path) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  int count = 0;
  while (std::getline(maps, line)) {
    if (line.find(path) != std::string::npos) ++count;
  }
  return count;
}

// The bytes of a resource of the source's image; empty when there is none.
std::string Lookup(const ImageSource& source, const std::string& name) {
  const std::unique_ptr<TExeImage> image = source.Open();
  ByteSpan found;
  if (image == nullptr || !FindResourceData(*image, "BINARY", name, found)) return {};
  return std::string(reinterpret_cast<const char*>(found.data), found.size);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const std::string self = talvex::platform::TheSystem().ExecutablePath();
  const ImageSource linked = talvex::EmbeddedImageSource();
  const ImageSource file = ImageSource::ProgramFile(self);
  try {
    if (mode == "--file") {
      const int before = CountMappingsOf(self);
      for (const std::string& name : TResourceManager(file).ListImageNames()) {
        std::cout << name << '\n';
      }
      std::cout << "mappings " << before << ' ' << CountMappingsOf(self) << '\n';
      return 0;
    }
    if (mode == "--lookup") {
      for (const std::string& name : TResourceManager(file).ListImageNames()) {
        const std::string fromFile = Lookup(file, name);
        const bool same = !fromFile.empty() && fromFile == Lookup(linked, name);
        std::cout << name << (same ? " same" : " differs") << '\n';
      }
      return 0;
    }
    for (const std::string& name : TResourceManager(linked).ListImageNames()) {
      std::cout << name << '\n';
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
}
