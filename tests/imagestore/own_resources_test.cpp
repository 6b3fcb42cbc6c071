// Windows only: this test program carries the image set as resources of its own .rsrc section
// (talvex_add_image_resources), found through its own file and read by the project's reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "talvex/embedded_images.h"
#include "talvex/imagestore/resource_manager.h"

namespace talvex::imagestore {
namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(OwnResources, EveryListedImageLoadsAndDecodes) {
  const ImageSource source = EmbeddedImageSource();
  ASSERT_TRUE(source.IsProgramFile());
  const TResourceManager loader(source);
  const std::vector<std::string> names = loader.ListImageNames();
  // The blank and the About picture are in every image set the build accepts.
  EXPECT_TRUE(Contains(names, "RESOURCES_BLANK_BMP"));
  EXPECT_TRUE(Contains(names, "RESOURCES_TALVEX2_BMP"));
  for (const std::string& name : names) {
    const std::unique_ptr<TJPEGImage> picture = loader.LoadImage(name);
    ASSERT_NE(picture, nullptr) << name;
    const Bitmap& decoded = picture->Decoded();
    EXPECT_GT(picture->Width(), 0) << name;
    EXPECT_EQ(decoded.width, picture->Width()) << name;
    EXPECT_EQ(decoded.height, picture->Height()) << name;
    EXPECT_EQ(decoded.pixels.size(), size_t{3} * decoded.width * decoded.height) << name;
  }
  EXPECT_THROW(loader.LoadImage("RESOURCES_NOT_THERE"), EResNotFound);
}

}  // namespace
}  // namespace talvex::imagestore
