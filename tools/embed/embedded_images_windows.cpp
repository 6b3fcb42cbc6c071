#include "talvex/embedded_images.h"
#include "talvex/platform/windows_system.h"

namespace talvex {

// The images are this program's own "BINARY" resources, read from its file by the project's
// resource reader whenever they are asked for.
imagestore::ImageSource EmbeddedImageSource() {
  return imagestore::ImageSource::ProgramFile(platform::TheSystem().ExecutablePath());
}

}  // namespace talvex
