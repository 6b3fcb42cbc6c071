// talvex-pack: builds, lists and extracts the image pack that the program carries.
//   talvex-pack build DIR OUT          check the JPEG files of DIR as an image set, pack them
//                                      into OUT
//   talvex-pack check DIR              the checks of build alone, for builds that store the
//                                      images some other way
//   talvex-pack script DIR OUT         the checks of build, then the enciphered images and a
//                                      resource script, OUT/images.rc, for a resource compiler
//   talvex-pack list FILE              the "BINARY" names of a PE file or of the program, as
//                                      extract takes them ("#42" for a number), escaped
//   talvex-pack extract FILE NAME OUT  write one image of FILE, deciphered, to OUT
// and the study team's commands stamp and raters-zip (study_commands.h).

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "study_commands.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/pack/image_pack.h"
#include "talvex/pack/image_set_check.h"
#include "talvex/pack/listing.h"
#include "talvex/pack/tool_files.h"
#include "talvex/platform/tool_io.h"

namespace {

constexpr const char* kUsage =
    "usage: talvex-pack build DIR OUT\n"
    "       talvex-pack check DIR\n"
    "       talvex-pack script DIR OUT\n"
    "       talvex-pack list FILE\n"
    "       talvex-pack extract FILE NAME OUT\n";

int Run(const std::vector<std::string>& args) {
  using namespace talvex;
  if (pack::IsStudyCommand(args)) return pack::RunStudyCommand(args);
  if (args.size() == 3 && args[0] == "build") {
    const std::vector<pack::PackImage> images = pack::ReadImageFolder(args[1]);
    pack::CheckImageSet(images);
    pack::WriteWholeFile(args[2], pack::BuildImagePack(images));
    return 0;
  }
  if (args.size() == 2 && args[0] == "check") {
    pack::CheckImageSet(pack::ReadImageFolder(args[1]));
    return 0;
  }
  if (args.size() == 3 && args[0] == "script") {
    const std::vector<pack::PackImage> images = pack::ReadImageFolder(args[1]);
    pack::CheckImageSet(images);
    const std::vector<pack::Resource> resources = pack::PackResources(images);
    const std::string script = pack::ResourceScript(resources);
    pack::MakeFolders(args[2]);
    for (size_t i = 0; i < resources.size(); ++i) {
      pack::WriteWholeFile(args[2] + "/" + pack::ResourceDataFileName(i), resources[i].data);
    }
    // The script last, so that a complete one always names data files that are there.
    pack::WriteWholeFile(args[2] + "/images.rc",
                         std::vector<uint8_t>(script.begin(), script.end()));
    return 0;
  }
  if (args.size() == 2 && args[0] == "list") {
    const auto image = imagestore::OpenProgramImage(args[1]);
    for (const std::string& key : imagestore::ListTypeEntryKeys(*image, "BINARY")) {
      std::cout << pack::PrintableName(key) << '\n';
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
  }
  if (args.size() == 4 && args[0] == "extract") {
    const auto image = imagestore::OpenProgramImage(args[1]);
    imagestore::ByteSpan data;
    if (!imagestore::FindResourceData(*image, "BINARY", args[2], data)) {
      throw EResNotFound(args[2]);
    }
    pack::WriteWholeFile(args[3], pack::CipherImage(data.data, data.size));
    return 0;
  }
  std::cerr << kUsage << pack::kStudyCommandsUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    // Names beyond ASCII: UTF-16 from a Windows command line, UTF-16 to a Windows console.
    return Run(talvex::platform::ToolArguments(argc, argv));
  } catch (const std::exception& e) {
    std::cerr.flush();
    talvex::platform::WriteText(stderr, std::string("talvex-pack: ") + e.what() + "\n");
    return 1;
  }
}
