// The checks of an image set before it is packed, and what talvex-pack makes of them and of
// hostile names in a file it lists.

#include "talvex/pack/image_set_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "resource_test_support.h"
#include "talvex/pack/listing.h"
#include "talvex/tools/jpeg_encode.h"
#include "tool_runner.h"

namespace talvex::pack {
namespace {

using imagestore::testing::Bytes;
using imagestore::testing::Quote;
using imagestore::testing::RunCommand;
using imagestore::testing::TempFolder;
using imagestore::testing::WriteFile;

std::vector<uint8_t> Jpeg(int width = 32, int height = 32, int components = 3) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width * height * components));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 29 % 253);
  return tools::EncodeJpeg(pixels.data(), width, height, components);
}

// The offset of the first marker FF <code>.
size_t Marker(const std::vector<uint8_t>& bytes, uint8_t code) {
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
  }
  return bytes.size();
}

std::vector<PackImage> ValidSet() {
  return {{"RESOURCES_BLANK_BMP", "set/RESOURCES_BLANK_BMP.jpg", Jpeg(8, 8)},
          {"RESOURCES_TALVEX2_BMP", "set/RESOURCES_TALVEX2_BMP.jpg", Jpeg(16, 24)},
          {"RESOURCES_POS_G__0__BMP", "set/RESOURCES_POS_G__0__BMP.jpg", Jpeg()},
          {"RESOURCES_NEG_C__0__BMP", "set/RESOURCES_NEG_C__0__BMP.jpg", Jpeg()}};
}

// The message of the check with one more image, or "no error".
std::string CheckWith(const PackImage& extra) {
  std::vector<PackImage> images = ValidSet();
  images.push_back(extra);
  return imagestore::testing::ErrorOf<EPackError>([&] { CheckImageSet(images); });
}

TEST(ImageSetCheck, NamesTheProgramShowsAndWritesInTwoColumnsPass) {
  for (const std::string name :
       {"RESOURCES_POS_G__19__BMP", "resources_neg_c__7__bmp", "XXXXXXXXXXPOS_XY",
        "RESOURCES_NEG_C__gr\xC3\xBC\xC3\x9F"
        "e__BMP"}) {
    EXPECT_EQ(CheckWith({name, "x.jpg", Jpeg()}), "no error") << name;
  }
  // The required pictures may come in any letter case.
  std::vector<PackImage> lower = ValidSet();
  lower[0].name = "resources_blank_bmp";
  EXPECT_EQ(imagestore::testing::ErrorOf<EPackError>([&] { CheckImageSet(lower); }), "no error");
}

TEST(ImageSetCheck, NamesNeverShownOrSplittingARowAreRefused) {
  const std::string never =
      "name of an image the program never shows (a trial image has POS or NEG as its "
      "characters 11 to 13; the others are RESOURCES_BLANK_BMP and RESOURCES_TALVEX2_BMP): x.jpg";
  const std::string control =
      "name with a control character (TAB, CR, LF or another), which would split a row of the "
      "results file: x.jpg";
  const struct {
    std::string name;
    std::string error;
  } cases[] = {
      {"picture", never},
      {"RESOURCES_POS_", never},
      {"XXXXXXXXXXPOSX", never},  // 14 characters: too short for a class
      {"RESOURCES_BLANK_BMP2", never},
      {"RESOURCES_NEG_C__1\t__BMP", control},
      {"RESOURCES_NEG_C__1\r__BMP", control},
      {"RESOURCES_NEG_C__1\n__BMP", control},
      {std::string("RESOURCES_NEG_C__1\0__BMP", 24), control},
      {"RESOURCES_NEG_C__1\x7F__BMP", control},
      {"RESOURCES_NEG_C__1\xC2\x85__BMP", control},  // U+0085, next line
      {"RESOURCES_NEG_C__1_b__BMP",
       "name whose image name would not fit the two columns status and imgname of the results "
       "file (\"neg\tc (1\tB).ccc\"): x.jpg"},
      // A trial by its class, but its row would lack the TAB between status and imgname.
      {"XXXXXXXXXXPOSXY",
       "name whose image name would not fit the two columns status and imgname of the results "
       "file (\"XXXXXXXXXXposXY\"): x.jpg"},
      {"RESOURCES_NEG_C__1\\b__BMP",
       "name whose image name would not fit the two columns status and imgname of the results "
       "file (\"neg\tc (1\tB).ccc\"): x.jpg"},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckWith({c.name, "x.jpg", Jpeg()}), c.error) << c.name;
}

TEST(ImageSetCheck, PicturesThatDoNotDecodeWholeAreRefusedByFile) {
  const std::vector<uint8_t> whole = Jpeg(64, 64);
  std::vector<uint8_t> cut = whole;
  cut.resize(Marker(cut, 0xDA) + 60);
  std::vector<uint8_t> noFrame = whole;
  noFrame.resize(Marker(noFrame, 0xC0));  // cut inside the header
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    std::string prefix;
  } cases[] = {
      {"cut short", cut, "picture that decodes only with "},
      {"CMYK", Jpeg(16, 16, 4), "picture that cannot be decoded (JPEG error #"},
      {"no frame", noFrame, "picture that cannot be decoded (JPEG error #"},
  };
  for (const auto& c : cases) {
    const std::string error = CheckWith({"RESOURCES_NEG_C__5__BMP", "set/bad.jpg", c.bytes});
    EXPECT_EQ(error.rfind(c.prefix, 0), 0u) << c.what << ": " << error;
    EXPECT_EQ(error.substr(error.size() - 13), ": set/bad.jpg") << c.what;
  }
  EXPECT_EQ(CheckWith({"RESOURCES_NEG_C__5__BMP", "set/grey.jpg", Jpeg(16, 16, 1)}), "no error");
}

TEST(ImageSetCheck, BlankAndAboutPicturesAreRequired) {
  for (const size_t missing : {size_t{0}, size_t{1}}) {
    std::vector<PackImage> images = ValidSet();
    const std::string name = images[missing].name;
    images.erase(images.begin() + static_cast<long>(missing));
    EXPECT_EQ(imagestore::testing::ErrorOf<EPackError>([&] { CheckImageSet(images); }),
              std::string("the image set has no ") +
                  (missing == 0 ? "blank picture " : "About picture ") + name);
  }
}

TEST(PrintableName, EscapesWhatATerminalWouldActOn) {
  const struct {
    std::string name;
    std::string printed;
  } cases[] = {
      {"RESOURCES_NEG_C__1__BMP", "RESOURCES_NEG_C__1__BMP"},
      {"GR\xC3\x9C\xC3\x9F"
       "E",
       "GR\xC3\x9C\xC3\x9F"
       "E"},  // printable beyond ASCII is kept
      {"a\\b", "a\\\\b"},
      {"a\tb\rc\nd", "a\\tb\\rc\\nd"},
      {"\x1B[31mred", "\\x1B[31mred"},
      {std::string("nul\0end", 7), "nul\\x00end"},
      {"del\x7F", "del\\x7F"},
      {"c1\xC2\x9B"
       "2J",
       "c1\\u009B2J"},
      {"rtl\xE2\x80\xAEtxt", "rtl\\u202Etxt"},
      {"bad\xC3", "bad\\xC3"},
      {"bad\xFF\xFE", "bad\\xFF\\xFE"},
  };
  for (const auto& c : cases) EXPECT_EQ(PrintableName(c.name), c.printed) << c.printed;
}

// --- The tool --------------------------------------------------------------------------------

std::string Tool(const std::string& arguments, int& status) {
  return RunCommand(std::string(TALVEX_PACK_TOOL) + " " + arguments + " 2>&1", status);
}

TEST(PackTool, ListPrintsNumbersAsExtractTakesThemAndEscapesHostileNames) {
  TempFolder folder;
  const auto binary = [](ResourceId name) {
    return Resource{ResourceId::Named(u"BINARY"), std::move(name), 0x409, Bytes("data")};
  };
  WriteFile(
      folder / "hostile.dll",
      WriteResourceImage(
          {binary(ResourceId::Named(u"PLAIN")), binary(ResourceId::Named(u"\x1B]0;TITLE\x07")),
           binary(ResourceId::Named(u"TWO\nLINES")), binary(ResourceId::Number(42))}));
  int status = 0;
  const std::string listed = Tool("list " + Quote(folder / "hostile.dll"), status);
  EXPECT_EQ(status, 0);
  // Stored in ascending order of the names' code units: ESC (1B) first.
  EXPECT_EQ(listed, "\\x1B]0;TITLE\\x07\nPLAIN\nTWO\\nLINES\n#42\n");
  Tool("extract " + Quote(folder / "hostile.dll") + " '#42' " + Quote(folder / "out"), status);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(std::filesystem::exists(folder / "out"));
}

}  // namespace
}  // namespace talvex::pack
