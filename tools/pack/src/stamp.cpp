#include "talvex/pack/stamp.h"

#include <algorithm>

#include "talvex/ascii.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/pack/image_set_check.h"
#include "talvex/utf16_text.h"
#include "talvex/version.h"

namespace talvex::pack {

namespace {

constexpr const char* kProductName = "Talvex";
constexpr uint32_t kVersionType = 16;  // the version block's resource type

bool IsNamed(const ResourceId& id, const char* name) {
  return id.named && AsciiUpper(Utf16ToUtf8(id.name)) == name;
}

void CheckVersion(const std::string& version) {
  if (version != kVersion) {
    throw EPackError("a program of Talvex " + version + "; this talvex-pack stamps programs of " +
                     "Talvex " + kVersion + " only (use the talvex-pack of that release)");
  }
}

// The program's resources with the new set in place of its images, and the settings text in
// place of those stamped before when there is one.
std::vector<Resource> WithNewSet(std::vector<Resource> resources, std::vector<Resource> set,
                                 const std::optional<std::string>& settingsText) {
  resources.erase(std::remove_if(resources.begin(), resources.end(),
                                 [&settingsText](const Resource& r) {
                                   return IsNamed(r.type, "BINARY") ||
                                          (settingsText &&
                                           IsNamed(r.type, experiment::kStudySettingsType) &&
                                           IsNamed(r.name, experiment::kStudySettingsName));
                                 }),
                  resources.end());
  for (Resource& image : set) resources.push_back(std::move(image));
  if (settingsText) resources.push_back(StudySettingsResource(*settingsText));
  return resources;
}

}  // namespace

Resource StudySettingsResource(const std::string& text) {
  std::u16string type;
  std::u16string name;
  Utf8ToUtf16(experiment::kStudySettingsType, type);
  Utf8ToUtf16(experiment::kStudySettingsName, name);
  return Resource{ResourceId::Named(type), ResourceId::Named(name), kPackLanguage,
                  std::vector<uint8_t>(text.begin(), text.end())};
}

ProgramKind CheckTalvexProgram(const std::vector<uint8_t>& program) {
  const ProgramKind kind = KindOfProgram(program);
  if (kind == ProgramKind::Windows) {
    for (const Resource& resource : ReadPeResources(program)) {
      VersionBlock block;
      if (resource.type.named || resource.type.id != kVersionType ||
          !ReadVersionBlock(resource.data, block) || block.productName != kProductName) {
        continue;
      }
      CheckVersion(block.fileVersion);
      return kind;
    }
    throw EPackError("not a Talvex program (its version block does not name Talvex)");
  }
  if (kind == ProgramKind::Linux) {
    std::vector<uint8_t> identity;
    const std::string prefix = std::string(kProductName) + " ";
    std::vector<uint8_t> pack;
    if (!ReadElfSection(program, kProgramSection, identity) &&
        ReadElfSection(program, imagestore::kImagePackSection, pack)) {
      throw EPackError(std::string("a program of an earlier Talvex version, whose image set ") +
                       "is loaded with it and cannot be replaced");
    }
    if (identity.empty() || !std::equal(prefix.begin(), prefix.end(), identity.begin(),
                                        identity.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                               identity.size(), prefix.size())))) {
      throw EPackError(std::string("not a Talvex program (it has no ") + kProgramSection +
                       " section)");
    }
    CheckVersion(
        std::string(identity.begin() + static_cast<std::ptrdiff_t>(prefix.size()), identity.end()));
    return kind;
  }
  throw EPackError("not a Talvex program (neither a Windows nor a Linux program file)");
}

std::vector<uint8_t> StampProgram(const std::vector<uint8_t>& program,
                                  const std::vector<PackImage>& images,
                                  const std::optional<std::string>& settingsText,
                                  const std::string& settingsName) {
  const ProgramKind kind = CheckTalvexProgram(program);
  if (kind == ProgramKind::Windows && IsSignedPe(program)) {
    throw EPackError(
        "the program is signed, and a new image set would break its signature: stamp the "
        "unsigned program, then sign the stamped copy");
  }
  CheckImageSet(images);
  std::vector<Resource> set = PackResources(images);
  // The program's own parser must take the text, or the program would not start.
  if (settingsText) experiment::ParseStudySettings(*settingsText, settingsName);
  if (kind == ProgramKind::Windows) {
    return ReplacePeResources(program,
                              WithNewSet(ReadPeResources(program), std::move(set), settingsText));
  }
  std::vector<uint8_t> pack;
  if (!ReadElfSection(program, imagestore::kImagePackSection, pack)) {
    throw EPackError(std::string("a Talvex program without its ") + imagestore::kImagePackSection +
                     " section");
  }
  return ReplaceElfSection(
      program, imagestore::kImagePackSection,
      WriteResourceImage(WithNewSet(ReadPeResources(pack), std::move(set), settingsText)));
}

}  // namespace talvex::pack
