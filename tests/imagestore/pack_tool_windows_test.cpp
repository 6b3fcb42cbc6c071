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

// The tool lists a folder whose name has letters beyond ASCII (one of them beyond the usual
// ANSI code pages too), reads its pictures and names a bad one by its whole path, printed as
// UTF-8 into a file.
TEST(PackTool, ChecksAFolderByANameBeyondAscii) {
  ScratchFolder scratch;
  const std::string folder = scratch / "Bilder-\xC3\xA4-\xC5\x81";  // "Bilder-ä-Ł"
  ASSERT_TRUE(platform::CreateFolder(folder).Ok());
  const std::vector<uint8_t> pixels(8 * 8, 128);
  const std::vector<uint8_t> jpeg = tools::EncodeJpeg(pixels.data(), 8, 8, 1);
  for (const char* name :
       {"RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP", "RESOURCES_POS_G__0__BMP"}) {
    WriteBytes(folder + "/" + name + ".jpg", std::string(jpeg.begin(), jpeg.end()));
  }
  const auto check = [&] {
    return testing::RunWithWideCommandLine(TALVEX_PACK_TOOL, {"check", folder}, scratch / "out",
                                           scratch / "err");
  };
  EXPECT_EQ(check(), 0) << ReadBytes(scratch / "err");
  WriteBytes(folder + "/RESOURCES_NEG_C__0__BMP.jpg", "\xFF\xD8\xFF but no picture");
  EXPECT_EQ(check(), 1);
  EXPECT_NE(ReadBytes(scratch / "err").find(folder + "/RESOURCES_NEG_C__0__BMP.jpg"),
            std::string::npos)
      << ReadBytes(scratch / "err");
}

}  // namespace
}  // namespace talvex::pack
