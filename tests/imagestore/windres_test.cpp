// Cross-checks of the reader and of the image pack against a real resource compiler: resource
// scripts compiled at test time into resource-only DLLs (skipped when the tools are missing).

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resource_samples.h"
#include "resource_test_support.h"
#include "talvex/imagestore/exe_image.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/imagestore/resource_kinds.h"
#include "talvex/pack/image_pack.h"
#include "tool_runner.h"

namespace talvex::imagestore {
namespace {

using namespace testing;

// The 32-bit tool chain; the 64-bit one has the prefix x86_64 in place of i686.
const char* const kCompiler = "i686-w64-mingw32-windres";
const char* const kLinker = "i686-w64-mingw32-ld";
const char* const kCompiler64 = "x86_64-w64-mingw32-windres";
const char* const kLinker64 = "x86_64-w64-mingw32-ld";

// Compiles the script in folder into a resource-only DLL (64-bit when wide) and returns its
// bytes.
std::vector<uint8_t> CompileDll(const TempFolder& folder, const std::string& script,
                                bool wide = false) {
  WriteFile(folder / "resources.rc", Bytes(script));
  int status = 0;
  const std::string log =
      RunCommand("cd " + Quote(folder.Path()) + " && " + (wide ? kCompiler64 : kCompiler) +
                     " --preprocessor=cat -i resources.rc -o resources.o 2>&1 && " +
                     (wide ? kLinker64 : kLinker) + " --dll -e 0 -o resources.dll resources.o 2>&1",
                 status);
  EXPECT_EQ(status, 0) << log;
  return ReadFile(folder / "resources.dll");
}

// Replaces every UTF-16 occurrence of from by to (of the same length).
void ReplaceText16(std::vector<uint8_t>& bytes, const std::u16string& from,
                   const std::u16string& to) {
  const std::vector<uint8_t> pattern = ByteBuilder().Text16(from, false).Bytes();
  const std::vector<uint8_t> replacement = ByteBuilder().Text16(to, false).Bytes();
  for (auto it = bytes.begin();
       (it = std::search(it, bytes.end(), pattern.begin(), pattern.end())) != bytes.end();) {
    it = std::copy(replacement.begin(), replacement.end(), it);
  }
}

TResourceItem& Child(TResourceList& list, const std::string& displayName) {
  for (int i = 0; i < list.Count(); ++i) {
    if (list.Items(i).DisplayName() == displayName) return list.Items(i);
  }
  throw std::runtime_error("no entry " + displayName);
}

// The language ID of an entry's first stored variant.
uint32_t FirstLanguage(TExeImage& image, const TResourceItem& entry) {
  const uint64_t directory = image.ResourceSectionStart() + (entry.OffsetToData() & ~kHighBit);
  const uint8_t* first = image.ViewBase() + directory + 16;
  return uint32_t{first[0]} | uint32_t{first[1]} << 8;
}

class ResourceCompiler : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool(kCompiler) || !HaveTool(kLinker)) {
      GTEST_SKIP() << kCompiler << " or " << kLinker << " is not installed";
    }
  }
  TempFolder folder_;
};

const IconShape kSmall{16, 16, 4};
const IconShape kLarge{32, 32, 8};
const IconShape kPointer{32, 32, 1};

const char* const kScript = R"(RESOURCES_NEG_C__1__BMP BINARY "a.bin"
42 BINARY "b.bin"
MULTI BINARY "a.bin"
LANGUAGE 7, 1
MULTI BINARY "b.bin"
LANGUAGE 9, 1
LOWER_ENTRY XINARY "a.bin"
7 257 "a.bin"
1 ICON "two.ico"
2 CURSOR "one.cur"
3 BITMAP "pic.bmp"
4 MENU
BEGIN
  POPUP "&File"
  BEGIN
    MENUITEM "&Open", 101
    MENUITEM SEPARATOR
    MENUITEM "E&xit", 102
  END
  MENUITEM "&Help", 103
END
STRINGTABLE
BEGIN
  1, "One"
  2, "Two"
  17, "Seventeen"
END
)";

// Writes the files the script names and compiles it; the type XINARY becomes "binary" in
// lower case, which the compiler itself would have upper-cased.
std::vector<uint8_t> CompileSample(const TempFolder& folder) {
  WriteFile(folder / "a.bin", Bytes("first file"));
  WriteFile(folder / "b.bin", Bytes("the second file"));
  WriteFile(folder / "two.ico",
            IconFile({kSmall, kLarge}, {IconImage(kSmall, 1), IconImage(kLarge, 2)}));
  WriteFile(folder / "one.cur", CursorFile(kPointer, IconImage(kPointer, 3), 5, 7));
  WriteFile(folder / "pic.bmp", BitmapFile(8, 4, 4));
  std::vector<uint8_t> dll = CompileDll(folder, kScript);
  ReplaceText16(dll, u"XINARY", u"binary");
  return dll;
}

TEST_F(ResourceCompiler, ListsTypesAndBinaryEntries) {
  const std::vector<uint8_t> dll = CompileSample(folder_);
  TExeImage image(dll.data(), dll.size(), "resources.dll");
  TResourceList& root = image.ResourceRoot();
  EXPECT_EQ(DisplayNames(root), (std::vector<std::string>{"BINARY", "binary", "Bitmap", "Menu",
                                                          "String", "Cursor", "Icon", "257"}));
  EXPECT_EQ(ListTypeEntryNames(image, "BINARY"),
            (std::vector<std::string>{"MULTI", "RESOURCES_NEG_C__1__BMP", "42"}));
  EXPECT_EQ(ListTypeEntryNames(image, "binary"), std::vector<std::string>{"LOWER_ENTRY"});

  TResourceList& binary = root.Items(0).SubList();
  EXPECT_EQ(ErrorOf([&] { binary.Items(0).SubList(); }), "ResourceItem is not a list");
  // MULTI has German (0x407) stored before US English (0x409): the first one's data counts.
  EXPECT_EQ(FirstLanguage(image, binary.Items(0)), 0x407u);
  EXPECT_EQ(DataOf(binary.Items(0)), Bytes("the second file"));
  EXPECT_EQ(binary.Items(1).DataSize(), 10u);
  EXPECT_EQ(DataOf(binary.Items(1)), Bytes("first file"));
  EXPECT_EQ(DataOf(binary.Items(2)), Bytes("the second file"));
  EXPECT_EQ(DataOf(Child(root, "257").SubList().Items(0)), Bytes("first file"));
  EXPECT_EQ(Child(root, "257").SubList().Items(0).DisplayName(), "7");

  ByteSpan data;
  ASSERT_TRUE(FindResourceData(image, "binary", "multi", data));
  EXPECT_EQ(std::vector<uint8_t>(data.data, data.data + data.size), Bytes("the second file"));
  ASSERT_TRUE(FindResourceData(image, "BINARY", "#42", data));
  EXPECT_EQ(data.size, 15u);
  ASSERT_TRUE(FindResourceData(image, "#257", "#7", data));
  EXPECT_EQ(data.size, 10u);
  EXPECT_FALSE(FindResourceData(image, "BINARY", "LOWER_ENTRY", data));
}

TEST_F(ResourceCompiler, EveryKindGivesBackWhatTheScriptPutIn) {
  const std::vector<uint8_t> dll = CompileSample(folder_);
  TExeImage image(dll.data(), dll.size(), "resources.dll");
  TResourceList& root = image.ResourceRoot();

  TResourceList& icons = Child(root, "Icon").SubList().Items(0).SubList();
  EXPECT_EQ(DisplayNames(icons),
            (std::vector<std::string>{"16 X 16 16 Colors", "32 X 32 0 Colors"}));
  EXPECT_EQ(dynamic_cast<TIconResEntry&>(icons.Items(0)).AsIconFile(),
            IconFile({kSmall}, {IconImage(kSmall, 1)}));
  EXPECT_EQ(DataOf(icons.Items(1)), IconFile({kLarge}, {IconImage(kLarge, 2)}));

  TResourceList& cursors = Child(root, "Cursor").SubList().Items(0).SubList();
  EXPECT_EQ(DisplayNames(cursors), std::vector<std::string>{"32 X 32 1 Bit(s)"});
  EXPECT_EQ(DataOf(cursors.Items(0)), CursorFile(kPointer, IconImage(kPointer, 3), 5, 7));

  TResourceItem& bitmap = Child(root, "Bitmap").SubList().Items(0);
  EXPECT_EQ(bitmap.DisplayName(), "3");
  EXPECT_EQ(DataOf(bitmap), BitmapFile(8, 4, 4));

  TResourceList& strings = Child(root, "String").SubList();
  ASSERT_EQ(DisplayNames(strings), (std::vector<std::string>{"1", "2"}));
  std::vector<std::string> lines;
  dynamic_cast<TStringResource&>(strings.Items(0)).CopyTo(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"1,  \"One\"", "2,  \"Two\""}));
  dynamic_cast<TStringResource&>(strings.Items(1)).CopyTo(lines);
  EXPECT_EQ(lines, std::vector<std::string>{"17,  \"Seventeen\""});

  dynamic_cast<TMenuResource&>(Child(root, "Menu").SubList().Items(0)).CopyTo(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"POPUP \"&File\"", "  MENUITEM \"&Open\",  101",
                                             "  MENUITEM SEPARATOR", "  MENUITEM \"E&xit\",  102",
                                             "ENDPOPUP", "MENUITEM \"&Help\",  103", "ENDPOPUP"}));
}

TEST_F(ResourceCompiler, SixtyFourBitProgramIsReadLikeAThirtyTwoBitOne) {
  if (!HaveTool(kCompiler64) || !HaveTool(kLinker64)) {
    GTEST_SKIP() << kCompiler64 << " or " << kLinker64 << " is not installed";
  }
  const std::vector<uint8_t> narrowDll = CompileSample(folder_);
  std::vector<uint8_t> wideDll = CompileDll(folder_, kScript, true);
  ReplaceText16(wideDll, u"XINARY", u"binary");
  TExeImage narrow(narrowDll.data(), narrowDll.size(), "resources32.dll");
  TExeImage wide(wideDll.data(), wideDll.size(), "resources64.dll");
  // A PE32+ optional header (magic 0x20B) of 240 bytes: the section table starts 264 bytes
  // after the NT headers, where a 32-bit program's starts after 248.
  const auto ntHeaders = [](const TExeImage& image) {
    return static_cast<uint64_t>(image.NtHeaders() - image.ViewBase());
  };
  EXPECT_EQ(wide.NtHeaders()[24] | wide.NtHeaders()[25] << 8, 0x20B);
  EXPECT_EQ(wide.SectionTable(), ntHeaders(wide) + 264);
  EXPECT_EQ(narrow.NtHeaders()[24] | narrow.NtHeaders()[25] << 8, 0x10B);
  EXPECT_EQ(narrow.SectionTable(), ntHeaders(narrow) + 248);

  EXPECT_EQ(ListTypeEntryNames(wide, "BINARY"), ListTypeEntryNames(narrow, "BINARY"));
  EXPECT_EQ(DisplayNames(wide.ResourceRoot()), DisplayNames(narrow.ResourceRoot()));
  for (const char* name : {"RESOURCES_NEG_C__1__BMP", "#42", "MULTI"}) {
    ByteSpan fromWide;
    ByteSpan fromNarrow;
    ASSERT_TRUE(FindResourceData(wide, "BINARY", name, fromWide)) << name;
    ASSERT_TRUE(FindResourceData(narrow, "BINARY", name, fromNarrow)) << name;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(fromWide.data), fromWide.size),
              std::string(reinterpret_cast<const char*>(fromNarrow.data), fromNarrow.size))
        << name;
  }
}

TEST_F(ResourceCompiler, PackStoresNamesAsTheCompilerDoes) {
  const std::vector<std::string> names = {"RESOURCES_POS_G__0__BMP",
                                          "RESOURCES_NEG_C__1__BMP",
                                          "RESOURCES_NEG_C__10__BMP",
                                          "RESOURCES_NEG_C__2__BMP",
                                          "RESOURCES_NEG_C__79__BMP",
                                          "RESOURCES_POS_G__19__BMP",
                                          "RESOURCES_BLANK_BMP",
                                          "RESOURCES_TALVEX2_BMP",
                                          "Zeta",
                                          "_under",
                                          "resources_lower",
                                          "A1"};
  std::string script;
  std::vector<pack::PackImage> images;
  WriteFile(folder_ / "x.jpg", Bytes("\xFF\xD8\xFF\xE0 not really a picture"));
  for (const std::string& name : names) {
    script += name + " BINARY \"x.jpg\"\n";
    images.push_back(pack::PackImage{name, "", ReadFile(folder_ / "x.jpg")});
  }
  const std::vector<uint8_t> dll = CompileDll(folder_, script);
  const std::vector<uint8_t> packed = pack::BuildImagePack(images);
  TExeImage compiled(dll.data(), dll.size(), "resources.dll");
  TExeImage ours(packed.data(), packed.size(), "pack");
  const std::vector<std::string> order = ListTypeEntryNames(compiled, "BINARY");
  EXPECT_EQ(ListTypeEntryNames(ours, "BINARY"), order);
  EXPECT_EQ(order.front(), "A1");
  EXPECT_EQ(order.back(), "_UNDER");
  EXPECT_EQ(FirstLanguage(ours, ours.ResourceRoot().Items(0).SubList().Items(0)),
            FirstLanguage(compiled, compiled.ResourceRoot().Items(0).SubList().Items(0)));
}

TEST_F(ResourceCompiler, ImageSetScriptCompilesToThePacksEntries) {
  // Names the script must quote and escape: spaces, quotes, backslashes, letters beyond
  // ASCII (which the compiler leaves as they are and the pack too), lower case.
  const std::vector<pack::PackImage> images = {
      {"RESOURCES_NEG_C__1__BMP", "", Bytes("\xFF\xD8\xFF one")},
      {"RESOURCES_NEG_C__10__BMP", "", Bytes("\xFF\xD8\xFF ten")},
      {"with space", "", Bytes("\xFF\xD8\xFF space")},
      {"say \"cheese\"", "", Bytes("\xFF\xD8\xFF quotes")},
      {"back\\slash\\n", "", Bytes("\xFF\xD8\xFF backslash")},
      {"Gr\xC3\xBC\xC3\x9F"
       "e",
       "", Bytes("\xFF\xD8\xFF letters")},
      {"_under", "", Bytes("\xFF\xD8\xFF")}};
  const std::vector<pack::Resource> resources = pack::PackResources(images);
  for (size_t i = 0; i < resources.size(); ++i) {
    WriteFile(folder_ / pack::ResourceDataFileName(i), resources[i].data);
  }
  const std::vector<uint8_t> dll = CompileDll(folder_, pack::ResourceScript(resources));
  const std::vector<uint8_t> packed = pack::BuildImagePack(images);
  TExeImage compiled(dll.data(), dll.size(), "resources.dll");
  TExeImage ours(packed.data(), packed.size(), "pack");
  const std::vector<std::string> keys = ListTypeEntryKeys(ours, "BINARY");
  ASSERT_EQ(keys.size(), images.size());
  EXPECT_EQ(ListTypeEntryKeys(compiled, "BINARY"), keys);
  for (const std::string& key : keys) {
    ByteSpan fromCompiled;
    ByteSpan fromPack;
    ASSERT_TRUE(FindResourceData(compiled, "BINARY", key, fromCompiled)) << key;
    ASSERT_TRUE(FindResourceData(ours, "BINARY", key, fromPack)) << key;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(fromCompiled.data), fromCompiled.size),
              std::string(reinterpret_cast<const char*>(fromPack.data), fromPack.size))
        << key;
  }
  EXPECT_EQ(FirstLanguage(compiled, compiled.ResourceRoot().Items(0).SubList().Items(0)),
            pack::kPackLanguage);
}

}  // namespace
}  // namespace talvex::imagestore
