// A small program that carries the embedded image set, for the tests that read a built
// program. Without arguments it registers the set and prints ListImageNames, one a line.
// With --unregistered it does not register: the names come from its own executable file,
// and a last line "mappings <before> <after>" counts the mappings of that file around the
// call. With --lookup it prints each name and whether the registered and the file lookup
// give the same bytes.

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "module_resources.h"
#include "talvex/embedded_images.h"
#include "talvex/imagestore/resource_manager.h"

namespace {

int CountOwnMappings() {
  char target[PATH_MAX] = {};
  const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target - 1);
  if (length <= 0) return -1;
  std::ifstream maps("/proc/self/maps");
  std::string line;
  int count = 0;
  while (std::getline(maps, line)) {
    if (line.find(target) != std::string::npos) ++count;
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace talvex::imagestore;
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (mode == "--unregistered") {
      const int before = CountOwnMappings();
      for (const std::string& name : TResourceManager().ListImageNames()) std::cout << name << '\n';
      std::cout << "mappings " << before << ' ' << CountOwnMappings() << '\n';
      return 0;
    }
    if (mode == "--lookup") {
      // Looked up from the file first, so that the registered pack cannot be what answers.
      const std::vector<std::string> names = TResourceManager().ListImageNames();
      talvex::RegisterEmbeddedImages();
      for (const std::string& name : names) {
        ResourceBytes fromFile;
        ResourceBytes registered;
        talvex::imagestore::SetModuleResources(nullptr, 0);
        const bool inFile = FindModuleResource("BINARY", name, fromFile);
        talvex::RegisterEmbeddedImages();
        const bool inPack = FindModuleResource("binary", name, registered);
        const bool same = inFile && inPack && fromFile.size == registered.size &&
                          fromFile.data != registered.data &&
                          std::equal(fromFile.data, fromFile.data + fromFile.size, registered.data);
        std::cout << name << (same ? " same" : " differs") << '\n';
      }
      return 0;
    }
    talvex::RegisterEmbeddedImages();
    for (const std::string& name : TResourceManager().ListImageNames()) std::cout << name << '\n';
    return 0;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
}
