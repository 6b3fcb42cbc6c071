#include "jpeg_files.h"

#include <fstream>
#include <stdexcept>

#include "talvex/imagestore/resource_manager.h"

namespace talvex::bench {

const std::string& JpegFiles::FileOf(const std::string& resourceName) {
  const auto found = written_.find(resourceName);
  if (found != written_.end()) return found->second;
  const auto picture = imagestore::TResourceManager(images_).LoadImage(resourceName);
  const std::vector<uint8_t>& bytes = picture->CompressedBytes();
  const std::string path = folder_ + "/" + resourceName + ".jpg";
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return written_[resourceName] = path;
}

}  // namespace talvex::bench
