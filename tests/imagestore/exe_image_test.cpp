#include "talvex/imagestore/exe_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "resource_test_support.h"
#include "talvex/held_file.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/imagestore/resource_kinds.h"

namespace talvex::imagestore {
namespace {

using namespace testing;

Resource Binary(const std::u16string& name, const std::string& data, uint16_t language = 0x409) {
  return Resource{Named(u"BINARY"), Named(name), language, Bytes(data)};
}

std::vector<uint8_t> Image(const std::vector<Resource>& resources,
                           const pack::ImageLayout& layout = {}) {
  return pack::WriteResourceImage(resources, layout);
}

std::vector<std::string> BinaryNames(const std::vector<uint8_t>& bytes) {
  TExeImage image(bytes.data(), bytes.size(), "test");
  return ListTypeEntryNames(image, "BINARY");
}

// Walks every list and every entry the way a resource browser would, reading every name,
// size and output.
void WalkAll(TResourceList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    TResourceItem& item = list.Items(i);
    item.DisplayName();
    if (item.HasSubList()) {
      WalkAll(item.SubList());
    } else {
      item.DataSize();
      DataOf(item);
    }
  }
}

// The file offset of the section header's pointer to raw data in every written image.
constexpr size_t kSectionRawPointer = kWrittenSectionTable + 20;

#ifndef _WIN32
// How often /proc/self/fd names the file.
int CountDescriptorsOf(const std::string& path) {
  const std::filesystem::path target = std::filesystem::canonical(path);
  int count = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    count += std::filesystem::read_symlink(fd.path(), error) == target && !error;
  }
  return count;
}
#endif

// --- Opening ------------------------------------------------------------------------------

TEST(ExeImageOpen, MissingFileOrFolderCannotBeOpened) {
  TempFolder folder;
  const std::string missing = folder / "missing.exe";
  EXPECT_EQ(ErrorOf([&] { TExeImage image(missing); }), "Couldn't open: " + missing);
  EXPECT_EQ(ErrorOf([&] { TExeImage image(folder.Path()); }), "Couldn't open: " + folder.Path());
}

TEST(ExeImageOpen, FileNotBeginningWithMzIsUnrecognized) {
  for (const std::string& content : {std::string(), std::string("M"), std::string("ZM\0\0", 4),
                                     std::string("\x7f"
                                                 "ELF\2\1\1",
                                                 7)}) {
    EXPECT_EQ(ErrorOf([&] { Parsed parsed(Bytes(content)); }), "unrecognized file format")
        << content.size();
  }
  TempFolder folder;
  WriteFile(folder / "empty", {});
  EXPECT_EQ(ErrorOf([&] { TExeImage image(folder / "empty"); }), "unrecognized file format");
}

TEST(ExeImageOpen, UnreadableOrWrongNtHeadersAreNotPe) {
  const std::vector<uint8_t> valid = Image({Binary(u"A", "a")});
  const auto refuse = [](const std::vector<uint8_t>& bytes) {
    return ErrorOf([&] { Parsed parsed(bytes); });
  };
  const std::string notPe = "Not a PE (WIN32 Executable) file";
  EXPECT_EQ(refuse(Bytes("MZ")), notPe);  // no NT header pointer
  std::vector<uint8_t> wrongSignature = valid;
  wrongSignature[0x41] = 'X';
  EXPECT_EQ(refuse(wrongSignature), notPe);
  // The signature, the file header and the optional header as long as the file header says
  // must all lie in the file: 248 bytes for a 32-bit image, 264 for a 64-bit one.
  for (const uint32_t optionalHeader : {224u, 240u, 0u}) {
    for (const size_t room : {size_t{24} + optionalHeader - 1, size_t{24} + optionalHeader}) {
      std::vector<uint8_t> late = valid;
      const size_t at = valid.size() - room;
      Put32(late, 0x3C, at);
      Put32(late, at, 0x4550);
      if (room >= 22) Put16(late, at + 20, optionalHeader);
      EXPECT_EQ(refuse(late), room < 24 + optionalHeader ? notPe : "no error")
          << optionalHeader << " " << room;
    }
  }
  std::vector<uint8_t> farAway = valid;
  Put32(farAway, 0x3C, 0xFFFFFFF0u);
  EXPECT_EQ(refuse(farAway), notPe);
  EXPECT_EQ(refuse({valid.begin(), valid.begin() + 0x40 + 247}), notPe);
  EXPECT_EQ(refuse({valid.begin(), valid.begin() + 0x40 + 248}), "no error");
}

TEST(ExeImageOpen, ReadsAFileAndReleasesItWithTheImage) {
  TempFolder folder;
  const std::string path = folder / "pack.dll";
  WriteFile(path, Image({Binary(u"FIRST", "1"), Binary(u"SECOND", "2")}));
  {
    TExeImage image(path);
    EXPECT_EQ(image.FileName(), path);
    EXPECT_EQ(ListTypeEntryNames(image, "BINARY"), (std::vector<std::string>{"FIRST", "SECOND"}));
#ifndef _WIN32
    // Mapped, but the descriptor is closed once the file is mapped. (Wine shows a mapping
    // whose file handle is closed to no share check, so only the release is checked there.)
    EXPECT_TRUE(talvex::testing::ProcessHoldsFile(path));
    EXPECT_EQ(CountDescriptorsOf(path), 0);
#endif
  }
  EXPECT_FALSE(talvex::testing::ProcessHoldsFile(path));
  // A failed creation releases what it had opened.
  WriteFile(path, Bytes("MZ not a program"));
  EXPECT_EQ(ErrorOf([&] { TExeImage image(path); }), "Not a PE (WIN32 Executable) file");
  EXPECT_FALSE(talvex::testing::ProcessHoldsFile(path));
}

// --- Sections -----------------------------------------------------------------------------

TEST(ExeImageSections, SectionNamesIgnoreCaseButNotLength) {
  pack::ImageLayout layout;
  layout.sectionName = ".RSRC";
  EXPECT_EQ(BinaryNames(Image({Binary(u"A", "a")}, layout)), std::vector<std::string>{"A"});

  layout.sectionName = ".rsrc1";
  Parsed longer(Image({Binary(u"A", "a")}, layout));
  EXPECT_EQ(longer.image.FindSection(".rsrc"), nullptr);
  EXPECT_EQ(longer.image.FindSection(".RSRC1"), longer.image.ViewBase() + kWrittenSectionTable);
  EXPECT_EQ(ErrorOf([&] { longer.image.ResourceRoot(); }), "No resources in this file.");

  // Eight-character names have no terminator.
  layout.sectionName = ".rsrcdat";
  Parsed full(Image({Binary(u"A", "a")}, layout));
  EXPECT_NE(full.image.FindSection(".RSRCDAT"), nullptr);
  EXPECT_EQ(full.image.FindSection(".rsrcda"), nullptr);
}

// The image with its optional header grown to the 240 bytes of a 64-bit (PE32+) image: magic
// 0x20B, the size in the file header, the section table moved behind it.
std::vector<uint8_t> AsPe32Plus(std::vector<uint8_t> bytes) {
  const size_t optionalHeader = 0x40 + 24;
  Put16(bytes, optionalHeader, 0x20B);
  Put16(bytes, 0x40 + 20, 240);
  const std::vector<uint8_t> section(bytes.begin() + kWrittenSectionTable,
                                     bytes.begin() + kWrittenSectionTable + 40);
  std::fill(bytes.begin() + kWrittenSectionTable, bytes.begin() + kWrittenSectionTable + 40, 0);
  std::copy(section.begin(), section.end(), bytes.begin() + optionalHeader + 240);
  return bytes;
}

TEST(ExeImageSections, SectionTableFollowsTheOptionalHeaderOfEitherSize) {
  const std::vector<uint8_t> pe32 = Image({Binary(u"A", "a"), Binary(u"B", "b")});
  const std::vector<uint8_t> pe32Plus = AsPe32Plus(pe32);
  Parsed narrow(pe32);
  Parsed wide(pe32Plus);
  // 32-bit: the 248 bytes of NT headers a fixed rule assumes; 64-bit: 16 bytes more.
  EXPECT_EQ(narrow.image.SectionTable(), 0x40u + 248);
  EXPECT_EQ(wide.image.SectionTable(), 0x40u + 264);
  EXPECT_EQ(wide.image.FindSection(".rsrc"), wide.image.ViewBase() + 0x40 + 264);
  EXPECT_EQ(BinaryNames(pe32Plus), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(BinaryNames(pe32Plus), BinaryNames(pe32));
  ByteSpan data;
  ASSERT_TRUE(FindResourceData(wide.image, "BINARY", "B", data));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data), data.size), "b");
}

TEST(ExeImageSections, NoSectionsMeansNoResources) {
  std::vector<uint8_t> bytes = Image({Binary(u"A", "a")});
  Put16(bytes, 0x40 + 6, 0);
  Parsed parsed(bytes);
  EXPECT_EQ(ErrorOf([&] { parsed.image.ResourceRoot(); }), "No resources in this file.");
}

TEST(ExeImageSections, SectionTablePastTheEndIsCorrupt) {
  std::vector<uint8_t> bytes = Image({Binary(u"A", "a")});
  bytes[kWrittenSectionTable + 1] = 'x';  // no section is called .rsrc now
  Put16(bytes, 0x40 + 6, 0xFFFF);
  Parsed parsed(bytes);
  EXPECT_EQ(ErrorOf([&] { parsed.image.ResourceRoot(); }), "Corrupt resource directory");
}

// --- The root list ------------------------------------------------------------------------

TEST(ResourceRoot, ShowsTypesInStoredOrderByNameWithoutIconAndCursorImages) {
  std::vector<Resource> resources = {Resource{Number(257), Number(1), 0, Bytes("x")},
                                     Resource{Named(u"ZED"), Number(1), 0, Bytes("x")},
                                     Resource{Named(u"BINARY"), Number(1), 0, Bytes("x")}};
  for (uint32_t type = 0; type <= 17; ++type) {
    resources.push_back(Resource{Number(type), Number(1), 0, Bytes("x")});
  }
  Parsed parsed(Image(resources));
  TResourceList& root = parsed.image.ResourceRoot();
  EXPECT_EQ(DisplayNames(root),
            (std::vector<std::string>{"BINARY", "ZED", "Unknown0", "Bitmap", "Menu", "Dialog",
                                      "String", "FontDir", "Font", "Accelerators", "RCData",
                                      "MessageTable", "Cursor", "Unknown13", "Icon", "Unknown15",
                                      "Version", "17", "257"}));
  ASSERT_NE(parsed.image.CursorTypeEntry(), nullptr);
  ASSERT_NE(parsed.image.IconTypeEntry(), nullptr);
  EXPECT_EQ(parsed.image.CursorTypeEntry()->NameOrId(), 1u);
  EXPECT_EQ(parsed.image.IconTypeEntry()->NameOrId(), 3u);
  EXPECT_EQ(&parsed.image.ResourceRoot(), &root);
  EXPECT_EQ(&root.EntryList(), &root.EntryList());
  EXPECT_EQ(&root.Items(0), &root.Items(0));
}

TEST(ResourceList, ItemsOutsideTheListRaiseListError) {
  Parsed parsed(Image({Binary(u"A", "a")}));
  TResourceList& root = parsed.image.ResourceRoot();
  ASSERT_EQ(root.Count(), 1);
  for (int index : {-1, 1, 1000}) {
    EXPECT_EQ(ErrorOf<EListError>([&] { root.Items(index); }),
              "List index out of bounds (" + std::to_string(index) + ")");
  }
}

// --- Entries ------------------------------------------------------------------------------

TEST(ResourceItem, EntryUnderATypeIsALeafWithData) {
  Parsed parsed(Image({Binary(u"A", "payload")}));
  TResourceItem& type = parsed.image.ResourceRoot().Items(0);
  EXPECT_TRUE(type.HasSubList());
  EXPECT_EQ(type.DataSize(), 0u);
  TResourceItem& entry = type.SubList().Items(0);
  EXPECT_FALSE(entry.HasSubList());
  EXPECT_EQ(ErrorOf([&] { entry.SubList(); }), "ResourceItem is not a list");
  EXPECT_EQ(entry.DataSize(), 7u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.DataPointer()), 7), "payload");
  EXPECT_EQ(&entry.OwnerImage(), &parsed.image);
  // The type of a list under a string-named type carries the high bit; its low 8 bits are
  // the name's offset, whatever that is.
  EXPECT_EQ(type.SubList().ResourceType(), type.NameOrId());
  EXPECT_NE(type.SubList().ResourceType() & kHighBit, 0u);
  std::vector<uint8_t> stream = Bytes("head:");
  entry.WriteData(stream);
  EXPECT_EQ(stream, Bytes("head:payload"));
}

TEST(ResourceItem, DataComesFromTheSectionAddressAndTheFirstLanguageStored) {
  Parsed languages(Image({Binary(u"A", "english", 0x409), Binary(u"A", "german", 0x407)}));
  EXPECT_EQ(DataOf(languages.FirstEntry()), Bytes("german"));
  EXPECT_EQ(ListTypeEntryNames(languages.image, "BINARY"), std::vector<std::string>{"A"});

  pack::ImageLayout layout;
  layout.sectionVirtualAddress = 0x7000;
  Parsed moved(Image({Binary(u"A", "first"), Binary(u"B", "second")}, layout));
  EXPECT_EQ(DataOf(moved.image.ResourceRoot().Items(0).SubList().Items(1)), Bytes("second"));

  Parsed empty(Image({Binary(u"A", "")}));
  EXPECT_EQ(empty.FirstEntry().DataSize(), 0u);
  EXPECT_TRUE(DataOf(empty.FirstEntry()).empty());
}

// A list below the name level (a tree deeper than type, name and language) holds plain
// entries: the kind of its top-level type does not reach down there.
TEST(ResourceItem, ListsBelowTheTypeLevelArePlain) {
  std::vector<uint8_t> bytes = Image({Resource{Number(6), Number(1), 0x409, Bytes("x")},
                                      Resource{Number(6), Number(2), 0x409, Bytes("y")}});
  Parsed probe(bytes);
  TResourceList& names = probe.image.ResourceRoot().Items(0).SubList();
  // Point name 1 at the name directory itself, so that it looks like one more level.
  const auto directory =
      static_cast<uint32_t>(names.Directory() - probe.image.ResourceSectionStart());
  Put32(bytes, names.Items(0).DirectoryEntry() + 4, kHighBit | directory);
  Parsed parsed(bytes);
  TResourceItem& deep = parsed.FirstEntry();
  ASSERT_TRUE(deep.HasSubList());
  TResourceList& below = deep.SubList();
  EXPECT_EQ(below.ResourceType(), 0u);
  ASSERT_EQ(below.Count(), 2);
  EXPECT_EQ(typeid(below.Items(1)), typeid(TResourceItem));
}

// --- The catalogue walk ---------------------------------------------------------------------

TEST(ListTypeEntryNames, ListsTheEntriesOfTheExactTypeOnceInStoredOrder) {
  const std::pair<std::vector<Resource>, std::vector<std::string>> cases[] = {
      {{Resource{Named(u"OTHER"), Named(u"A"), 0, Bytes("a")}}, {}},
      // Only the exact type name matches.
      {{Resource{Named(u"binary"), Named(u"LOWER"), 0, Bytes("a")},
        Resource{Named(u"BINARYX"), Named(u"LONGER"), 0, Bytes("a")},
        Resource{Named(u"BINAR"), Named(u"SHORTER"), 0, Bytes("a")},
        Resource{Named(u"BINARY"), Named(u"EXACT"), 0, Bytes("a")}},
       {"EXACT"}},
      // Integer IDs are listed in decimal.
      {{Resource{Named(u"BINARY"), Number(65535), 0, Bytes("a")},
        Resource{Named(u"BINARY"), Number(7), 0, Bytes("a")}, Binary(u"NAMED", "a")},
       {"NAMED", "7", "65535"}},
      // Several languages are listed once.
      {{Binary(u"A", "a", 0x409), Binary(u"A", "a", 0x407), Binary(u"A", "a", 0),
        Binary(u"B", "b")},
       {"A", "B"}},
  };
  for (const auto& [resources, names] : cases) {
    SCOPED_TRACE(::testing::PrintToString(names));
    EXPECT_EQ(BinaryNames(Image(resources)), names);
  }
}

TEST(ListTypeEntryNames, NamesComeInStoredOrder) {
  std::vector<uint8_t> bytes =
      Image({Binary(u"RESOURCES_NEG_C__1__BMP", "1"), Binary(u"RESOURCES_NEG_C__2__BMP", "2"),
             Binary(u"RESOURCES_NEG_C__10__BMP", "10")});
  EXPECT_EQ(BinaryNames(bytes),
            (std::vector<std::string>{"RESOURCES_NEG_C__10__BMP", "RESOURCES_NEG_C__1__BMP",
                                      "RESOURCES_NEG_C__2__BMP"}));
  // The reader does not sort: swapping two stored entries swaps them in the result.
  Parsed probe(bytes);
  TResourceList& names = probe.image.ResourceRoot().Items(0).SubList();
  const uint64_t first = names.Items(0).DirectoryEntry();
  const uint64_t last = names.Items(2).DirectoryEntry();
  for (size_t i = 0; i < 8; ++i) {
    std::swap(bytes[static_cast<size_t>(first) + i], bytes[static_cast<size_t>(last) + i]);
  }
  EXPECT_EQ(BinaryNames(bytes),
            (std::vector<std::string>{"RESOURCES_NEG_C__2__BMP", "RESOURCES_NEG_C__1__BMP",
                                      "RESOURCES_NEG_C__10__BMP"}));
}

TEST(ListTypeEntryNames, EveryTypeCalledBinaryIsExamined) {
  std::vector<uint8_t> bytes =
      Image({Binary(u"ONE", "1"), Resource{Named(u"BINARZ"), Named(u"TWO"), 0, Bytes("2")}});
  // Rename BINARZ to a second BINARY: the walk does not stop at the first match.
  Parsed probe(bytes);
  const TResourceItem& second = probe.image.ResourceRoot().Items(1);
  const uint64_t text = probe.image.ResourceSectionStart() + (second.NameOrId() & ~kHighBit);
  Put16(bytes, text + 2 + 2 * 5, 'Y');
  EXPECT_EQ(BinaryNames(bytes), (std::vector<std::string>{"ONE", "TWO"}));
}

TEST(ListTypeEntryNames, NamesAreConvertedToUtf8) {
  const std::u16string unpaired = {u'A', char16_t(0xD800), u'B'};
  const std::vector<uint8_t> bytes =
      Image({Binary(u"Gr\u00fc\u00dfe\u20ac\U0001D11E", "a"), Binary(unpaired, "b")});
  EXPECT_EQ(BinaryNames(bytes),
            (std::vector<std::string>{"A\uFFFDB", "Gr\u00fc\u00dfe\u20ac\U0001D11E"}));
}

TEST(ListTypeEntryNames, EmptyBinaryDirectoryGivesNothing) {
  std::vector<uint8_t> bytes = Image({Binary(u"A", "a")});
  Put32(bytes, Parsed(bytes).image.ResourceRoot().Items(0).SubList().Directory() + 12, 0);
  EXPECT_TRUE(BinaryNames(bytes).empty());
}

// --- Files that point outside themselves ------------------------------------------------------

TEST(CorruptDirectory, RootOutsideTheFile) {
  for (uint32_t position : {0x7FFFFFF0u, 0xFFFFFFFFu}) {
    std::vector<uint8_t> bytes = Image({Binary(u"A", "a")});
    Put32(bytes, kSectionRawPointer, position);
    EXPECT_EQ(ErrorOf([&] { BinaryNames(bytes); }), "Corrupt resource directory") << position;
  }
}

TEST(CorruptDirectory, EntryCountsBeyondTheFile) {
  std::vector<uint8_t> bytes = Image({Binary(u"A", "a")});
  Put16(bytes, 0x200 + 12, 0xFFFF);
  Put16(bytes, 0x200 + 14, 0xFFFF);
  Parsed parsed(bytes);
  EXPECT_EQ(ErrorOf([&] { parsed.image.ResourceRoot().Count(); }), "Corrupt resource directory");
}

TEST(CorruptDirectory, SubDirectoryOrNamePastTheEnd) {
  Parsed probe(Image({Binary(u"A", "a")}));
  const std::vector<uint8_t>& valid = probe.bytes;
  TResourceItem& type = probe.image.ResourceRoot().Items(0);
  const uint64_t text = probe.image.ResourceSectionStart() + (type.NameOrId() & ~kHighBit);
  const uint64_t languageEntry =
      probe.image.ResourceSectionStart() + (probe.FirstEntry().OffsetToData() & ~kHighBit) + 16;
  const auto patched = [&](uint64_t at, uint32_t value, bool wide = true) {
    std::vector<uint8_t> bytes = valid;
    wide ? Put32(bytes, at, value) : Put16(bytes, at, value);
    return bytes;
  };
  const std::string corrupt = "Corrupt resource directory";
  const std::vector<uint8_t> cases[] = {
      patched(type.DirectoryEntry() + 4, kHighBit | 0x7FFFFFF0u),
      patched(probe.FirstEntry().DirectoryEntry(),
              kHighBit | static_cast<uint32_t>(valid.size() - 0x200 - 1)),
      patched(text, 0xFFFF, false)};  // a name longer than the rest of the file
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(ErrorOf([&] { BinaryNames(cases[i]); }), corrupt) << i;
  }
  Parsed parsed(patched(languageEntry + 4, 0x7FFFFFF0u));  // a data entry past the end
  EXPECT_EQ(ErrorOf([&] { parsed.FirstEntry().DataSize(); }), corrupt);
}

TEST(CorruptDirectory, DataOutsideTheFile) {
  Parsed probe(Image({Binary(u"A", "abc")}));
  const uint64_t dataEntry =
      static_cast<uint64_t>(probe.FirstEntry().DataEntry() - probe.image.ViewBase());
  const uint32_t address = Get32(probe.bytes, dataEntry);
  const auto refused = [&](uint32_t newAddress, uint32_t newSize) {
    std::vector<uint8_t> bytes = probe.bytes;
    Put32(bytes, dataEntry, newAddress);
    Put32(bytes, dataEntry + 4, newSize);
    Parsed parsed(bytes);
    return ErrorOf([&] { DataOf(parsed.FirstEntry()); });
  };
  EXPECT_EQ(refused(address, 3), "no error");
  EXPECT_EQ(refused(address, 0xFFFFFFFFu), "Corrupt resource directory");
  EXPECT_EQ(refused(0xFFFFFFFFu, 3), "Corrupt resource directory");
  EXPECT_EQ(refused(0, 3), "Corrupt resource directory");  // before the start of the file
  const auto end = static_cast<uint32_t>(probe.bytes.size() - 0x200 + 0x1000);
  EXPECT_EQ(refused(end - 3, 3), "no error");
  EXPECT_EQ(refused(end - 2, 3), "Corrupt resource directory");
}

TEST(CorruptDirectory, DirectoryLoopEndsInRefusal) {
  std::vector<uint8_t> bytes = Image({Binary(u"A", "a")});
  // The name entry points back at the root directory.
  Put32(bytes, Parsed(bytes).FirstEntry().DirectoryEntry() + 4, kHighBit);
  Parsed parsed(bytes);
  EXPECT_EQ(ErrorOf([&] { WalkAll(parsed.image.ResourceRoot()); }), "Corrupt resource directory");
}

TEST(CorruptDirectory, SharedDirectoriesCannotFanOutWithoutLimit) {
  // 400 top-level entries share one directory of 400 entries, which share one language
  // directory: a small file that would make 400 + 400 x 400 entries.
  const uint32_t count = 400;
  const uint32_t shared = 16 + 8 * count;
  const uint32_t language = 2 * shared;
  const uint32_t dataEntry = language + 24;
  const size_t section = pack::kResourceSectionFileOffset;
  std::vector<uint8_t> bytes = Image({Binary(u"A", "a")});
  bytes.resize(section);
  bytes.resize(section + dataEntry + 16, 0);
  for (uint32_t directory : {0u, shared}) {
    Put16(bytes, section + directory + 14, count);
    for (uint32_t i = 0; i < count; ++i) {
      Put32(bytes, section + directory + 16 + 8 * i, 100 + i);
      Put32(bytes, section + directory + 16 + 8 * i + 4,
            kHighBit | (directory == 0 ? shared : language));
    }
  }
  Put16(bytes, section + language + 14, 1);
  Put32(bytes, section + language + 16, 0x409);
  Put32(bytes, section + language + 20, dataEntry);
  Put32(bytes, section + dataEntry, 0x1000);
  Parsed parsed(bytes);
  EXPECT_EQ(ErrorOf([&] { WalkAll(parsed.image.ResourceRoot()); }), "Corrupt resource directory");
}

// The names and data of every entry below the list, in order.
std::string Listing(TResourceList& list) {
  std::string listing;
  for (int i = 0; i < list.Count(); ++i) {
    TResourceItem& item = list.Items(i);
    listing += item.DisplayName() + "(";
    if (item.HasSubList()) {
      listing += Listing(item.SubList());
    } else {
      const std::vector<uint8_t> data = DataOf(item);
      listing.append(data.begin(), data.end());
    }
    listing += ")";
  }
  return listing;
}

// A file cut short anywhere either reads exactly as the whole file (the cut took only bytes
// that nothing points to) or is refused with one of the reader's own messages.
TEST(CorruptDirectory, EveryTruncationReadsWholeOrIsRefused) {
  const std::vector<uint8_t> valid =
      Image({Binary(u"NAME", "data"), Resource{Number(6), Number(1), 0, Bytes("xx")},
             Resource{Number(14), Number(1), 0, Bytes("yyyyyy")}});
  Parsed whole(valid);
  const std::string wholeListing = Listing(whole.image.ResourceRoot());
  ASSERT_NE(wholeListing.find("data"), std::string::npos);
  const std::set<std::string> refusals = {
      "Corrupt resource directory", "Not a PE (WIN32 Executable) file", "unrecognized file format"};
  size_t refused = 0;
  for (size_t length = 0; length < valid.size(); ++length) {
    std::string listing;
    const std::string error = ErrorOf([&] {
      Parsed parsed({valid.begin(), valid.begin() + static_cast<long>(length)});
      listing = Listing(parsed.image.ResourceRoot());
    });
    if (error == "no error") {
      EXPECT_EQ(listing, wholeListing) << "cut at " << length;
    } else {
      EXPECT_EQ(refusals.count(error), 1u) << "cut at " << length << ": " << error;
      ++refused;
    }
  }
  EXPECT_GT(refused, valid.size() / 2);
}

}  // namespace
}  // namespace talvex::imagestore
