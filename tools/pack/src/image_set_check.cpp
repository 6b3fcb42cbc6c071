#include "talvex/pack/image_set_check.h"

#include <algorithm>
#include <string>

#include "talvex/ascii.h"
#include "talvex/experiment/trial_schedule.h"
#include "talvex/imagestore/image_names.h"
#include "talvex/imagestore/jpeg_image.h"
#include "talvex/platform/file.h"

namespace talvex::pack {

namespace {

using imagestore::kAboutPictureName;
using imagestore::kBlankPictureName;

std::string Where(const PackImage& image) {
  return image.path.empty() ? image.name : image.path;
}

// C0 controls (TAB, LF and CR among them), DEL, and the C1 controls U+0080 to U+009F, which
// UTF-8 writes as C2 80 to C2 9F.
bool HasControlCharacter(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F &&
        static_cast<unsigned char>(text[i + 1]) >= 0x80) {
      return true;
    }
  }
  return false;
}

void CheckName(const PackImage& image) {
  const std::string name = AsciiUpper(image.name);
  if (HasControlCharacter(name)) {
    throw EPackError(
        "name with a control character (TAB, CR, LF or another), which would split "
        "a row of the results file: " +
        Where(image));
  }
  if (name == kBlankPictureName || name == kAboutPictureName) return;
  if (imagestore::ClassOfImageName(name) == imagestore::ImageClass::None) {
    throw EPackError(std::string("name of an image the program never shows (a trial image has "
                                 "POS or NEG as its characters 11 to 13; the others are ") +
                     kBlankPictureName + " and " + kAboutPictureName + "): " + Where(image));
  }
  // The row's status and imgname columns, separated by the one TAB.
  const std::string reported = experiment::ReportedImageName(name, "");
  if (std::count(reported.begin(), reported.end(), '\t') != 1) {
    throw EPackError(
        "name whose image name would not fit the two columns status and imgname of "
        "the results file (\"" +
        reported + "\"): " + Where(image));
  }
}

void CheckPicture(const PackImage& image) {
  int warnings = 0;
  try {
    imagestore::TJPEGImage picture;
    picture.LoadFromBytes(image.jpeg);
    warnings = picture.CountDecodeWarnings();
  } catch (const imagestore::EJPEG& error) {
    throw EPackError(std::string("picture that cannot be decoded (") + error.what() +
                     "): " + Where(image));
  }
  if (warnings > 0) {
    throw EPackError("picture that decodes only with " + std::to_string(warnings) +
                     " libjpeg warning(s), as a file cut short or damaged does: " + Where(image));
  }
}

}  // namespace

bool IsImageFile(const std::string& entry) {
  if (platform::FileExists(entry)) return true;
  if (platform::FolderExists(entry)) return false;
  throw EPackError(
      "entry that is not a picture file (a named pipe, a device or a link that leads nowhere): " +
      entry);
}

void CheckImageSet(const std::vector<PackImage>& images) {
  for (const PackImage& image : images) CheckName(image);
  const struct {
    const char* name;
    const char* what;
  } required[] = {{kBlankPictureName, "blank picture"}, {kAboutPictureName, "About picture"}};
  for (const auto& picture : required) {
    const bool present = std::any_of(images.begin(), images.end(), [&picture](const PackImage& i) {
      return AsciiUpper(i.name) == picture.name;
    });
    if (!present) {
      throw EPackError(std::string("the image set has no ") + picture.what + " " + picture.name);
    }
  }
  for (const PackImage& image : images) CheckPicture(image);
}

}  // namespace talvex::pack
