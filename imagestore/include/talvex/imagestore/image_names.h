#pragma once
// The resource names of the image set: the two pictures the program asks for by name, and the
// rule by which it sorts every other name into the trial pools.

#include <string>

namespace talvex::imagestore {

// Shown whenever an exposure ends.
inline constexpr const char* kBlankPictureName = "RESOURCES_BLANK_BMP";
// The About window's picture.
inline constexpr const char* kAboutPictureName = "RESOURCES_TALVEX2_BMP";

enum class ImageClass { None, Positive, Negative };

// The class of a trial image: characters 11 to 13 (counting from 1) of a name longer than 14
// characters, exactly "POS" or "NEG" (letter case counts). Any other name is never a trial.
inline ImageClass ClassOfImageName(const std::string& name) {
  if (name.size() <= 14) return ImageClass::None;
  const std::string kind = name.substr(10, 3);
  if (kind == "POS") return ImageClass::Positive;
  if (kind == "NEG") return ImageClass::Negative;
  return ImageClass::None;
}

}  // namespace talvex::imagestore
