// talvex-pack on Windows, its folder named as Windows hands names over: on a UTF-16 command line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scratch_folder.h"
#include "talvex/platform/file.h"
#include "talvex/tools/jpeg_encode.h"
#include "talvex/wide_command_line.h"

namespace talvex::pack {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

// A folder of an image set whose name has letters beyond ASCII (one of them beyond the usual
// ANSI code pages too), with three good pictures.
std::string MakeImageFolder(const ScratchFolder& scratch) {
  const std::string folder = scratch / "Bilder-\xC3\xA4-\xC5\x81";  // "Bilder-ä-Ł"
  EXPECT_TRUE(platform::CreateFolder(folder).Ok());
  const std::vector<uint8_t> pixels(8 * 8, 128);
  const std::vector<uint8_t> jpeg = tools::EncodeJpeg(pixels.data(), 8, 8, 1);
  for (const char* name :
       {"RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP", "RESOURCES_POS_G__0__BMP"}) {
    WriteBytes(folder + "/" + name + ".jpg", std::string(jpeg.begin(), jpeg.end()));
  }
  return folder;
}

int RunTool(const ScratchFolder& scratch, const std::vector<std::string>& arguments) {
  return testing::RunWithWideCommandLine(TALVEX_PACK_TOOL, arguments, scratch / "out",
                                         scratch / "err");
}

// The tool lists the folder, reads its pictures and names a bad one by its whole path, printed
// as UTF-8 into a file.
TEST(PackTool, ChecksAFolderByANameBeyondAscii) {
  ScratchFolder scratch;
  const std::string folder = MakeImageFolder(scratch);
  EXPECT_EQ(RunTool(scratch, {"check", folder}), 0) << ReadBytes(scratch / "err");
  WriteBytes(folder + "/RESOURCES_NEG_C__0__BMP.jpg", "\xFF\xD8\xFF but no picture");
  EXPECT_EQ(RunTool(scratch, {"check", folder}), 1);
  EXPECT_NE(ReadBytes(scratch / "err").find(folder + "/RESOURCES_NEG_C__0__BMP.jpg"),
            std::string::npos)
      << ReadBytes(scratch / "err");
}

// build and script write their outputs, and script makes its folders, by such names too.
TEST(PackTool, WritesItsOutputsByNamesBeyondAscii) {
  ScratchFolder scratch;
  const std::string folder = MakeImageFolder(scratch);
  const std::string pack = scratch / "Pack-\xC5\x81.bin";
  const std::string script = scratch / "Skript-\xC5\x81" + "/neu-\xC3\xA4";
  EXPECT_EQ(RunTool(scratch, {"build", folder, pack}), 0) << ReadBytes(scratch / "err");
  EXPECT_EQ(RunTool(scratch, {"script", folder, script}), 0) << ReadBytes(scratch / "err");
  EXPECT_EQ(ReadBytes(pack).substr(0, 2), "MZ");
  EXPECT_NE(ReadBytes(script + "/images.rc").find("RESOURCES_TALVEX2_BMP"), std::string::npos);
}

}  // namespace
}  // namespace talvex::pack
