#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "resource_test_support.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/pack/image_pack.h"
#include "talvex/tools/jpeg_encode.h"
#include "tool_runner.h"

namespace talvex::pack {
namespace {

using imagestore::testing::Bytes;
using imagestore::testing::Lines;
using imagestore::testing::Quote;
using imagestore::testing::ReadFile;
using imagestore::testing::RunCommand;
using imagestore::testing::TempFolder;
using imagestore::testing::WriteFile;

const std::vector<uint8_t> kJpeg = Bytes("\xFF\xD8\xFF\xE0 pretend picture");

// The message of the EPackError an action raises, or "no error".
std::string ErrorOf(const std::function<void()>& action) {
  return imagestore::testing::ErrorOf<EPackError>(action);
}

std::vector<std::string> PackedNames(const std::vector<uint8_t>& pack) {
  imagestore::TExeImage image(pack.data(), pack.size(), "pack");
  return imagestore::ListTypeEntryNames(image, "BINARY");
}

// The data stored for a name, as found by the lookup.
std::vector<uint8_t> StoredData(const std::vector<uint8_t>& pack, const std::string& name) {
  imagestore::TExeImage image(pack.data(), pack.size(), "pack");
  imagestore::ByteSpan data;
  if (!imagestore::FindResourceData(image, "BINARY", name, data)) return {};
  return std::vector<uint8_t>(data.data, data.data + data.size);
}

// --- Building a pack -------------------------------------------------------------------------

TEST(ImagePack, StoresEncipheredImagesUnderUpperCaseNamesInCompilerOrder) {
  const std::vector<uint8_t> other = Bytes("\xFF\xD8\xFF\xDB another picture");
  // Names beyond ASCII are kept as UTF-16.
  const std::vector<uint8_t> pack = BuildImagePack({{"RESOURCES_NEG_C__1__BMP", "", kJpeg},
                                                    {"resources_blank_bmp", "", other},
                                                    {"gr\u00fc\u00dfe", "", kJpeg},
                                                    {"RESOURCES_NEG_C__10__BMP", "", kJpeg}});
  EXPECT_EQ(PackedNames(pack),
            (std::vector<std::string>{"GR\u00fc\u00dfE", "RESOURCES_BLANK_BMP",
                                      "RESOURCES_NEG_C__10__BMP", "RESOURCES_NEG_C__1__BMP"}));
  // Every image is enciphered with a key stream of its own, starting afresh.
  std::vector<uint8_t> stored = StoredData(pack, "RESOURCES_NEG_C__1__BMP");
  EXPECT_NE(stored, kJpeg);
  EXPECT_EQ(stored, StoredData(pack, "RESOURCES_NEG_C__10__BMP"));
  imagestore::TCrypto().DecipherStream(stored);
  EXPECT_EQ(stored, kJpeg);
  EXPECT_EQ(CipherImage(StoredData(pack, "RESOURCES_BLANK_BMP").data(), other.size()), other);
}

TEST(ImagePack, OutputDependsOnlyOnTheImages) {
  const std::vector<PackImage> images = {{"B", "", kJpeg}, {"A", "", kJpeg}, {"C", "", kJpeg}};
  std::vector<PackImage> reversed(images.rbegin(), images.rend());
  EXPECT_EQ(BuildImagePack(images), BuildImagePack(reversed));
}

TEST(ImagePack, RefusesFilesThatAreNotJpeg) {
  for (const std::string& content : {std::string(), std::string("\xFF\xD8"),
                                     std::string("\x89PNG\r\n"), std::string("\xFF\xD9\xFF")}) {
    EXPECT_EQ(ErrorOf([&] {
                BuildImagePack({{"A", "dir/a.png", Bytes(content)}});
              }),
              "not a JPEG file (it does not begin with FF D8 FF): dir/a.png");
  }
}

TEST(ImagePack, RefusesNamesADirectoryCannotHold) {
  const auto refuse = [](const std::string& name) {
    return ErrorOf([&] { BuildImagePack({{name, "x.jpg", kJpeg}}); });
  };
  EXPECT_EQ(refuse(""), "empty resource name: x.jpg");
  EXPECT_EQ(refuse("#12"), "name begins with \"#\", which the lookup reads as a number: x.jpg");
  EXPECT_EQ(refuse("bad\xC3"), "name is not valid UTF-8: x.jpg");
  EXPECT_EQ(refuse(std::string(65536, 'A')), "name longer than 65535 UTF-16 code units: x.jpg");
  EXPECT_EQ(refuse(std::string(65535, 'A')), "no error");
  EXPECT_EQ(ErrorOf([] {
              BuildImagePack({{"Name", "one.jpg", kJpeg}, {"NAME", "two.jpeg", kJpeg}});
            }),
            "two images have the same resource name in upper case: one.jpg and two.jpeg");
  EXPECT_EQ(ErrorOf([] { BuildImagePack({}); }), "no images to pack");
}

TEST(ResourceScript, RefusesNamesAScriptLineCannotCarry) {
  const auto refuse = [](const std::string& name) {
    return ErrorOf([&] { ResourceScript(PackResources({{name, "x.jpg", kJpeg}})); });
  };
  EXPECT_EQ(refuse("A\nB"), "a resource script cannot hold the control character in: A\nB");
  EXPECT_EQ(refuse("A\tB"), "a resource script cannot hold the control character in: A\tB");
  EXPECT_EQ(refuse(std::string("A\x7F")),
            "a resource script cannot hold the control character in: A\x7F");
  EXPECT_EQ(refuse("A \"B\" \\C \xC3\xA4"), "no error");
  // The checks of the pack come first.
  EXPECT_EQ(refuse("#1"), "name begins with \"#\", which the lookup reads as a number: x.jpg");
}

TEST(ResourceImageWriter, RefusesWhatADirectoryCannotHold) {
  const Resource a{ResourceId::Named(u"T"), ResourceId::Named(u"A"), 0x409, {}};
  EXPECT_EQ(ErrorOf([&] { WriteResourceImage({a, a}); }), "duplicate resource T/A language 1033");
  std::vector<Resource> many;
  for (uint32_t id = 0; id <= 0xFFFF; ++id) {
    many.push_back(Resource{ResourceId::Number(10), ResourceId::Number(id), 0, {}});
  }
  EXPECT_EQ(ErrorOf([&] { WriteResourceImage(many); }),
            "more than 65535 named or numbered entries in one resource directory");
  many.pop_back();
  EXPECT_EQ(ErrorOf([&] { WriteResourceImage(many); }), "no error");
}

TEST(Utf8ToUtf16, AcceptsOnlyWellFormedText) {
  std::u16string out;
  EXPECT_TRUE(Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E", out));
  EXPECT_EQ(out, u"a\u00e9\u20ac\U0001D11E");
  for (const std::string& bad :
       {std::string("\xC0\x80"), std::string("\xED\xA0\x80"), std::string("\xE2\x82"),
        std::string("\x80"), std::string("\xF4\x90\x80\x80"), std::string("\xFF")}) {
    EXPECT_FALSE(Utf8ToUtf16(bad, out)) << bad.size();
  }
}

// --- Reading a folder ------------------------------------------------------------------------

TEST(ImageFolder, TakesEveryVisibleFileByItsNameWithoutExtension) {
  TempFolder folder;
  WriteFile(folder / "RESOURCES_BLANK_BMP.jpg", kJpeg);
  WriteFile(folder / "two.dots.jpeg", kJpeg);
  WriteFile(folder / ".hidden.jpg", Bytes("not looked at"));
  std::filesystem::create_directory(folder / "sub.jpg");
  const std::vector<PackImage> images = ReadImageFolder(folder.Path());
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].name, "RESOURCES_BLANK_BMP");
  EXPECT_EQ(images[0].path, folder / "RESOURCES_BLANK_BMP.jpg");
  EXPECT_EQ(images[0].jpeg, kJpeg);
  EXPECT_EQ(images[1].name, "two.dots");
}

TEST(ImageFolder, PipeOrDanglingLinkNamedAsAnImageIsRefusedByName) {
  TempFolder folder;
  WriteFile(folder / "RESOURCES_BLANK_BMP.jpg", kJpeg);
  const std::string pipe = folder / "RESOURCES_POS_G__0__BMP.jpg";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string refusal =
      "entry that is not a picture file (a named pipe, a device or a link that leads nowhere): ";
  EXPECT_EQ(ErrorOf([&] { ReadImageFolder(folder.Path()); }), refusal + pipe);
  std::filesystem::remove(pipe);
  const std::string link = folder / "RESOURCES_NEG_C__0__BMP.jpg";
  std::filesystem::create_symlink(folder / "gone.jpg", link);
  EXPECT_EQ(ErrorOf([&] { ReadImageFolder(folder.Path()); }), refusal + link);
  // A link to a picture is read as the picture.
  WriteFile(folder / "gone.jpg", kJpeg);
  EXPECT_EQ(ReadImageFolder(folder.Path()).size(), 3u);
}

TEST(ImageFolder, MissingOrEmptyFolderIsRefused) {
  TempFolder folder;
  EXPECT_EQ(ErrorOf([&] { ReadImageFolder(folder.Path()); }), "no image files in " + folder.Path());
  EXPECT_EQ(ErrorOf([&] {
              ReadImageFolder(folder / "missing");
            }).rfind("cannot read the folder " + folder / "missing" + ": ", 0),
            0u);
}

// --- The tool --------------------------------------------------------------------------------

std::string Tool(const std::string& arguments, int& status) {
  return RunCommand(std::string(TALVEX_PACK_TOOL) + " " + arguments + " 2>&1", status);
}

// A complete image set of real pictures in folder/images, one file per name.
void WriteImageSet(const TempFolder& folder, const std::vector<std::string>& names) {
  std::filesystem::create_directory(folder / "images");
  int shade = 40;
  for (const std::string& name : names) {
    const std::vector<uint8_t> pixels(8 * 8 * 3, static_cast<uint8_t>(shade += 20));
    WriteFile(folder / ("images/" + name + ".jpg"), tools::EncodeJpeg(pixels.data(), 8, 8, 3));
  }
}

TEST(PackTool, BuildsListsAndExtracts) {
  TempFolder folder;
  WriteImageSet(folder, {"RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP", "RESOURCES_NEG_C__1__BMP",
                         "RESOURCES_NEG_C__10__BMP"});
  int status = 0;
  EXPECT_EQ(Tool("build " + Quote(folder / "images") + " " + Quote(folder / "pack"), status), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Tool("list " + Quote(folder / "pack"), status),
            "RESOURCES_BLANK_BMP\nRESOURCES_NEG_C__10__BMP\nRESOURCES_NEG_C__1__BMP\n"
            "RESOURCES_TALVEX2_BMP\n");
  EXPECT_EQ(status, 0);
  Tool(
      "extract " + Quote(folder / "pack") + " resources_neg_c__1__bmp " + Quote(folder / "out.jpg"),
      status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFile(folder / "out.jpg"), ReadFile(folder / "images/RESOURCES_NEG_C__1__BMP.jpg"));
  EXPECT_FALSE(std::filesystem::exists(folder / "out.jpg.tmp"));
}

TEST(PackTool, ReportsFailuresWithoutLeavingOutput) {
  TempFolder folder;
  WriteImageSet(folder, {"RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP"});
  WriteFile(folder / "images/RESOURCES_NEG_C__1__BMP.jpg", Bytes("GIF89a"));
  int status = 0;
  const std::string refused =
      Tool("build " + Quote(folder / "images") + " " + Quote(folder / "pack"), status);
  EXPECT_EQ(refused.rfind("talvex-pack: picture that cannot be decoded (JPEG error #", 0), 0u)
      << refused;
  EXPECT_NE(refused.find("): " + folder / "images/RESOURCES_NEG_C__1__BMP.jpg\n"),
            std::string::npos)
      << refused;
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(std::filesystem::exists(folder / "pack"));
  // check refuses it alike.
  EXPECT_EQ(Tool("check " + Quote(folder / "images"), status), refused);
  EXPECT_EQ(status, 1);

  std::filesystem::remove(folder / "images/RESOURCES_NEG_C__1__BMP.jpg");
  EXPECT_EQ(Tool("check " + Quote(folder / "images"), status), "");
  EXPECT_EQ(status, 0);
  Tool("build " + Quote(folder / "images") + " " + Quote(folder / "pack"), status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Tool("extract " + Quote(folder / "pack") + " NOPE " + Quote(folder / "out"), status),
            "talvex-pack: Resource NOPE not found\n");
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(std::filesystem::exists(folder / "out"));
  EXPECT_EQ(Tool("list " + Quote(folder / "missing"), status),
            "talvex-pack: Couldn't open: " + folder / "missing" + "\n");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Lines(Tool("", status)).front(), "usage: talvex-pack build DIR OUT");
  EXPECT_EQ(status, 2);
}

// --- The program's embedded image set ------------------------------------------------------------

std::vector<std::string> SampleNames() {
  std::vector<std::string> names = {"RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP"};
  for (int n = 0; n < 20; ++n) names.push_back("RESOURCES_POS_G__" + std::to_string(n) + "__BMP");
  for (int n = 0; n < 80; ++n) names.push_back("RESOURCES_NEG_C__" + std::to_string(n) + "__BMP");
  // Stored order: ascending by character code, in which digits come before "_".
  std::sort(names.begin(), names.end());
  return names;
}

TEST(EmbeddedImages, BuiltProgramListsItsImagesInStoredOrder) {
  int status = 0;
  const std::vector<std::string> listed =
      Lines(Tool("list " + Quote(TALVEX_EMBEDDED_PROBE), status));
  ASSERT_EQ(status, 0);
  EXPECT_EQ(listed, SampleNames());
  EXPECT_LT(std::find(listed.begin(), listed.end(), "RESOURCES_NEG_C__10__BMP"),
            std::find(listed.begin(), listed.end(), "RESOURCES_NEG_C__1__BMP"));

  // The program itself lists the same, from its linked pack and from its own file.
  EXPECT_EQ(Lines(RunCommand(Quote(TALVEX_EMBEDDED_PROBE), status)), listed);
  std::vector<std::string> fromFile =
      Lines(RunCommand(Quote(TALVEX_EMBEDDED_PROBE) + " --file", status));
  ASSERT_FALSE(fromFile.empty());
  const std::string mappings = fromFile.back();
  fromFile.pop_back();
  EXPECT_EQ(fromFile, listed);
  // The file was mapped only during the call.
  const size_t space = mappings.rfind(' ');
  EXPECT_EQ(mappings.substr(0, 9), "mappings ");
  EXPECT_EQ(mappings.substr(9, space - 9), mappings.substr(space + 1));
}

TEST(EmbeddedImages, LinkedPackAndFileLookupsAgree) {
  int status = 0;
  const std::vector<std::string> lines =
      Lines(RunCommand(Quote(TALVEX_EMBEDDED_PROBE) + " --lookup", status));
  ASSERT_EQ(status, 0);
  ASSERT_EQ(lines.size(), 102u);
  for (const std::string& line : lines) EXPECT_EQ(line.substr(line.size() - 5), " same") << line;
}

TEST(EmbeddedImages, ExtractedImagesDecode) {
  if (!imagestore::testing::HaveTool("djpeg")) GTEST_SKIP() << "djpeg is not installed";
  TempFolder folder;
  for (const std::string name : {"RESOURCES_NEG_C__10__BMP", "RESOURCES_POS_G__19__BMP",
                                 "RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP"}) {
    int status = 0;
    Tool("extract " + Quote(TALVEX_EMBEDDED_PROBE) + " " + name + " " + Quote(folder / "x.jpg"),
         status);
    ASSERT_EQ(status, 0) << name;
    const std::string header =
        RunCommand("djpeg -pnm " + Quote(folder / "x.jpg") + " 2>&1 | head -c 2", status);
    EXPECT_TRUE(header == "P6" || header == "P5") << name << ": " << header;
  }
}

}  // namespace
}  // namespace talvex::pack
