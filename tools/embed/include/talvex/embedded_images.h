#pragma once
// The image set linked into the program.

#include "talvex/imagestore/image_source.h"

namespace talvex {

// The image pack linked into this program, as the source of its image loaders.
imagestore::ImageSource EmbeddedImageSource();

}  // namespace talvex
