#include "talvex/imagestore/resource_kinds.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "resource_samples.h"
#include "resource_test_support.h"

namespace talvex::imagestore {
namespace {

using namespace testing;

// An image of the resources, kept alive with its bytes.
struct Fixture : Parsed {
  explicit Fixture(const std::vector<Resource>& resources)
      : Parsed(pack::WriteResourceImage(resources)) {}

  // The entry of the given name under the top-level entry of the given type.
  TResourceItem& Entry(uint32_t type, uint32_t id) {
    TResourceList& root = image.ResourceRoot();
    root.Count();  // builds the root's entries, which sets the icon and cursor types
    TResourceItem* typeEntry = type == 1   ? image.CursorTypeEntry()
                               : type == 3 ? image.IconTypeEntry()
                                           : nullptr;
    for (int i = 0; typeEntry == nullptr && i < root.Count(); ++i) {
      if (!root.Items(i).IsNamed() && root.Items(i).NameOrId() == type) typeEntry = &root.Items(i);
    }
    if (typeEntry == nullptr) throw std::runtime_error("no such type");
    TResourceList& entries = typeEntry->SubList();
    for (int i = 0; i < entries.Count(); ++i) {
      if (entries.Items(i).NameOrId() == id) return entries.Items(i);
    }
    throw std::runtime_error("no such entry");
  }
};

const IconShape kSmall{16, 16, 4};
const IconShape kLarge{32, 32, 8};

// --- The kind table --------------------------------------------------------------------------

// The other kinds are made for their types through the lists in the tests below.
TEST(ResourceKinds, OtherAndStringNamedTypesArePlainEntries) {
  Fixture f({Resource{Named(u"BINARY"), Named(u"A"), 0, Bytes("a")}});
  // A string-named type carries the high bit, whatever its low bits say.
  for (uint32_t type :
       {0u, 5u, 7u, 8u, 9u, 10u, 11u, 13u, 15u, 16u, 17u, 257u, 0x80000006u, 0x8000000Eu}) {
    const std::unique_ptr<TResourceItem> item =
        CreateResourceItem(type, f.image.ResourceRoot(), 0x210);
    EXPECT_EQ(typeid(*item), typeid(TResourceItem)) << type;
  }
}

// --- Icons -----------------------------------------------------------------------------------

std::vector<Resource> IconResources() {
  const std::vector<uint8_t> small = IconImage(kSmall, 1);
  const std::vector<uint8_t> large = IconImage(kLarge, 2);
  return {
      Resource{Number(3), Number(1), 0x409, small}, Resource{Number(3), Number(2), 0x409, large},
      Resource{Number(3), Number(3), 0x409, IconImage({48, 48, 1}, 3)},
      // The group names image 2 first, then image 1; image 3 is in no group.
      Resource{Number(14), Number(7), 0x409, IconGroup({kLarge, kSmall}, {large, small}, {2, 1})}};
}

TEST(IconResources, GroupListsItsImagesInGroupOrder) {
  Fixture f(IconResources());
  TResourceItem& group = f.Entry(14, 7);
  ASSERT_EQ(typeid(group), typeid(TIconResource));
  EXPECT_TRUE(group.HasSubList());
  EXPECT_EQ(group.DataSize(), 0u);  // a list has no data of its own
  // Before the group is read the images show their IDs.
  EXPECT_EQ(DisplayNames(f.image.IconTypeEntry()->SubList()),
            (std::vector<std::string>{"1", "2", "3"}));
  TResourceList& images = group.SubList();
  EXPECT_EQ(&group.SubList(), &images);
  EXPECT_EQ(DisplayNames(images),
            (std::vector<std::string>{"32 X 32 0 Colors", "16 X 16 16 Colors"}));
  // The group's entries are the image type's own entries.
  EXPECT_EQ(&images.Items(1), &f.Entry(3, 1));
  EXPECT_EQ(f.Entry(3, 1).DisplayName(), "16 X 16 16 Colors");
  EXPECT_EQ(f.Entry(3, 3).DisplayName(), "3");
}

TEST(IconResources, IconFileHoldsTheImageWithItsGroupEntry) {
  Fixture f(IconResources());
  TResourceList& images = f.Entry(14, 7).SubList();
  auto& large = dynamic_cast<TIconResEntry&>(images.Items(0));
  EXPECT_EQ(large.AsIconFile(), IconFile({kLarge}, {IconImage(kLarge, 2)}));
  std::vector<uint8_t> stream = Bytes("x");
  large.WriteData(stream);
  EXPECT_EQ(stream.size(), 1 + large.AsIconFile().size());
  EXPECT_EQ(dynamic_cast<TIconResEntry&>(images.Items(1)).AsIconFile(),
            IconFile({kSmall}, {IconImage(kSmall, 1)}));
}

TEST(IconResources, ImageOutsideAGroupTakesItsSizesFromTheData) {
  Fixture f(IconResources());
  auto& loose = dynamic_cast<TIconResEntry&>(f.Entry(3, 3));
  EXPECT_EQ(loose.AsIconFile(), IconFile({{48, 48, 1}}, {IconImage({48, 48, 1}, 3)}));

  // A PNG image gives its size from its header; 256 is written as 0.
  ByteBuilder png;
  png.U8(0x89).U8('P').U8('N').U8('G').U8(0x0D).U8(0x0A).U8(0x1A).U8(0x0A);
  png.U32(0x0D000000).U8('I').U8('H').U8('D').U8('R');
  png.U32(0x00010000).U32(0x40000000).U8(8).U8(6).U8(0).U8(0).U8(0);  // 256 x 64
  Fixture p({Resource{Number(3), Number(9), 0, png.Bytes()}});
  const std::vector<uint8_t> file = dynamic_cast<TIconResEntry&>(p.Entry(3, 9)).AsIconFile();
  ASSERT_GE(file.size(), 22u);
  EXPECT_EQ(file[6], 0);    // width 256
  EXPECT_EQ(file[7], 64);   // height
  EXPECT_EQ(file[12], 32);  // bit count
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 22, file.end()), png.Bytes());
}

// Regression: a group in a file without icon images once followed a null type entry.
TEST(IconResources, GroupInAFileWithoutIconImagesIsEmpty) {
  Fixture f(
      {Resource{Number(14), Number(7), 0x409, IconGroup({kSmall}, {IconImage(kSmall, 1)}, {1})}});
  EXPECT_EQ(f.image.IconTypeEntry(), nullptr);
  EXPECT_EQ(f.Entry(14, 7).SubList().Count(), 0);
}

TEST(IconResources, GroupEntriesBeyondTheGroupDataAreCorrupt) {
  std::vector<Resource> resources = IconResources();
  Put16(resources[3].data, 4, 5);  // five entries announced, two stored
  Fixture f(resources);
  EXPECT_EQ(ErrorOf([&] { f.Entry(14, 7).SubList().Count(); }), "Corrupt resource directory");
}

TEST(IconResources, ImageTooShortForItsHeaderIsCorruptData) {
  Fixture f({Resource{Number(3), Number(1), 0, Bytes(std::string("\x28\0\0\0\x10", 5))}});
  auto& icon = dynamic_cast<TIconResEntry&>(f.Entry(3, 1));
  EXPECT_EQ(ErrorOf([&] { icon.AsIconFile(); }), "Corrupt resource data");
}

// --- Cursors ---------------------------------------------------------------------------------

TEST(CursorResources, GroupShowsWidthAndBitCountAndFileKeepsTheHotSpot) {
  const IconShape shape{32, 32, 1};
  const std::vector<uint8_t> image = IconImage(shape, 5);
  const std::vector<uint8_t> data = CursorImage(image, 5, 7);
  Fixture f({Resource{Number(1), Number(4), 0x409, data},
             Resource{Number(12), Number(2), 0x409,
                      CursorGroup(shape, static_cast<uint32_t>(data.size()), 4)}});
  TResourceItem& group = f.Entry(12, 2);
  ASSERT_EQ(typeid(group), typeid(TCursorResource));
  EXPECT_EQ(DisplayNames(f.image.CursorTypeEntry()->SubList()), std::vector<std::string>{"4"});
  TResourceList& cursors = group.SubList();
  EXPECT_EQ(DisplayNames(cursors), std::vector<std::string>{"32 X 32 1 Bit(s)"});
  auto& cursor = dynamic_cast<TCursorResEntry&>(cursors.Items(0));
  EXPECT_EQ(cursor.OwnerType(), 1);
  EXPECT_EQ(cursor.AsIconFile(), CursorFile(shape, image, 5, 7));
}

TEST(CursorResources, CursorWithoutHotSpotIsCorruptData) {
  Fixture f({Resource{Number(1), Number(4), 0, Bytes("abc")}});
  auto& cursor = dynamic_cast<TCursorResEntry&>(f.Entry(1, 4));
  EXPECT_EQ(cursor.DisplayName(), "4");
  EXPECT_EQ(ErrorOf([&] { cursor.AsIconFile(); }), "Corrupt resource data");
}

// --- Bitmaps ---------------------------------------------------------------------------------

// The pixel offset written into the file header of a bitmap whose header is given.
uint32_t PixelOffset(const std::vector<uint8_t>& dib) {
  Fixture f({Resource{Number(2), Number(1), 0, dib}});
  auto& bitmap = dynamic_cast<TBitMapResource&>(f.Entry(2, 1));
  const std::vector<uint8_t> file = bitmap.AsBitmapFile();
  EXPECT_EQ(file.size(), dib.size() + 14);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(Get32(file, 2), dib.size() + 14);
  EXPECT_EQ(Get32(file, 6), 0u);
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 14, file.end()), dib);
  return Get32(file, 10);
}

std::vector<uint8_t> InfoHeader(uint32_t size, uint16_t bitCount, uint32_t compression,
                                uint32_t coloursUsed) {
  ByteBuilder b;
  b.U32(size).U32(4).U32(4).U16(1).U16(bitCount).U32(compression).U32(0).U32(0).U32(0);
  b.U32(coloursUsed).U32(0);
  while (b.Bytes().size() < size) b.U8(0);
  return b.Bytes();
}

std::vector<uint8_t> CoreHeader(uint16_t bitCount) {
  return ByteBuilder().U32(12).U16(4).U16(4).U16(1).U16(bitCount).Bytes();
}

TEST(BitmapResources, FileHeaderPointsPastHeaderAndPalette) {
  EXPECT_EQ(PixelOffset(InfoHeader(40, 8, 0, 0)), 14u + 40 + 4 * 256);
  EXPECT_EQ(PixelOffset(InfoHeader(40, 4, 0, 0)), 14u + 40 + 4 * 16);
  EXPECT_EQ(PixelOffset(InfoHeader(40, 1, 0, 0)), 14u + 40 + 4 * 2);
  EXPECT_EQ(PixelOffset(InfoHeader(40, 8, 0, 5)), 14u + 40 + 4 * 5);
  EXPECT_EQ(PixelOffset(InfoHeader(40, 24, 0, 0)), 14u + 40);
  EXPECT_EQ(PixelOffset(CoreHeader(1)), 14u + 12 + 3 * 2);
  EXPECT_EQ(PixelOffset(CoreHeader(8)), 14u + 12 + 3 * 256);
  EXPECT_EQ(PixelOffset(CoreHeader(24)), 14u + 12);
  // A bitmap file stored as a resource (without its file header) comes back whole.
  const std::vector<uint8_t> file = BitmapFile(8, 4, 4);
  Fixture f(
      {Resource{Number(2), Number(1), 0, std::vector<uint8_t>(file.begin() + 14, file.end())}});
  EXPECT_EQ(dynamic_cast<TBitMapResource&>(f.Entry(2, 1)).AsBitmapFile(), file);
}

// Regression: version 4 and 5 headers were taken for the 12-byte core header, and the
// colour masks after a 40-byte bit-field header were not skipped.
TEST(BitmapResources, LargerHeadersAndColourMasksAreSkipped) {
  EXPECT_EQ(PixelOffset(InfoHeader(108, 32, 3, 0)), 14u + 108);
  EXPECT_EQ(PixelOffset(InfoHeader(124, 8, 0, 0)), 14u + 124 + 4 * 256);
  EXPECT_EQ(PixelOffset(InfoHeader(40, 16, 3, 0)), 14u + 40 + 12);
  EXPECT_EQ(PixelOffset(InfoHeader(40, 32, 6, 0)), 14u + 40 + 16);
}

TEST(BitmapResources, TruncatedHeaderIsCorruptData) {
  Fixture f({Resource{Number(2), Number(1), 0, Bytes(std::string("\x28\0\0\0\4\0\0\0", 8))}});
  auto& bitmap = dynamic_cast<TBitMapResource&>(f.Entry(2, 1));
  EXPECT_EQ(ErrorOf([&] { bitmap.AsBitmapFile(); }), "Corrupt resource data");
  std::vector<uint8_t> stream;
  EXPECT_EQ(ErrorOf([&] { bitmap.WriteData(stream); }), "Corrupt resource data");
}

// --- String tables ---------------------------------------------------------------------------

std::vector<uint8_t> StringBlock(const std::vector<std::u16string>& strings) {
  ByteBuilder b;
  for (size_t i = 0; i < 16; ++i) {
    const std::u16string text = i < strings.size() ? strings[i] : u"";
    b.U16(static_cast<uint32_t>(text.size())).Text16(text, false);
  }
  return b.Bytes();
}

TEST(StringResources, ListsNonEmptyStringsWithTheirIds) {
  Fixture f({Resource{Number(6), Number(2), 0x409,
                      StringBlock({u"sixteen", u"", u"eighteen", u"", u"", u"", u"", u"", u"", u"",
                                   u"", u"", u"", u"", u"", u"Stra\u00dfe"})}});
  auto& block = dynamic_cast<TStringResource&>(f.Entry(6, 2));
  std::vector<std::string> lines = {"left over"};
  block.CopyTo(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"16,  \"sixteen\"", "18,  \"eighteen\"",
                                             "31,  \"Stra\xC3\x9F"
                                             "e\""}));
}

TEST(StringResources, BlockEndingEarlyStopsTheList) {
  std::vector<uint8_t> data = StringBlock({u"zero", u"one", u"two"});
  data.resize(2 + 8 + 2 + 6 + 2 + 3);  // "two" cut in the middle
  Fixture f({Resource{Number(6), Number(1), 0x409, data}});
  std::vector<std::string> lines;
  dynamic_cast<TStringResource&>(f.Entry(6, 1)).CopyTo(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"0,  \"zero\"", "1,  \"one\""}));
}

// --- Menus -----------------------------------------------------------------------------------

ByteBuilder& MenuItem(ByteBuilder& b, uint16_t flags, uint16_t id, const std::u16string& text) {
  b.U16(flags);
  if ((flags & 0x10) == 0) b.U16(id);
  return b.Text16(text, true);
}

TEST(MenuResources, NestedPopupsCloseWhereTheirLevelEnds) {
  ByteBuilder menu;
  menu.U16(0).U16(0);
  MenuItem(menu, 0x10, 0, u"&File");
  MenuItem(menu, 0, 101, u"&Open");
  MenuItem(menu, 0x800, 0, u"");
  MenuItem(menu, 0x90, 0, u"&Recent");  // the last item of its level, and a popup
  MenuItem(menu, 0x80, 201, u"a.txt");
  MenuItem(menu, 0x80, 103, u"&Help");
  Fixture f({Resource{Number(4), Number(1), 0x409, menu.Bytes()}});
  std::vector<std::string> lines = {"left over"};
  dynamic_cast<TMenuResource&>(f.Entry(4, 1)).CopyTo(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"POPUP \"&File\"", "  MENUITEM \"&Open\",  101",
                                             "  MENUITEM SEPARATOR", "  POPUP \"&Recent\"",
                                             "    MENUITEM \"a.txt\",  201", "  ENDPOPUP",
                                             "ENDPOPUP", "MENUITEM \"&Help\",  103", "ENDPOPUP"}));
}

TEST(MenuResources, TruncatedMenuStopsAtTheEnd) {
  ByteBuilder menu;
  menu.U16(0).U16(0);
  MenuItem(menu, 0, 1, u"One");
  MenuItem(menu, 0x80, 2, u"Two");
  std::vector<uint8_t> data = menu.Bytes();
  data.resize(data.size() - 2);  // the last text loses its terminator
  Fixture f({Resource{Number(4), Number(1), 0x409, data}});
  std::vector<std::string> lines;
  dynamic_cast<TMenuResource&>(f.Entry(4, 1)).CopyTo(lines);
  EXPECT_EQ(lines, std::vector<std::string>{"MENUITEM \"One\",  1"});
}

}  // namespace
}  // namespace talvex::imagestore
