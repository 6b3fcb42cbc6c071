// The sources of a program's resources: an image pack in memory, a program file (a PE file,
// or the image pack in an ELF file's section), and the lookup of one resource by type and name.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "elf_section.h"
#include "resource_samples.h"
#include "resource_test_support.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/mapped_file.h"
#include "talvex/platform/posix_system.h"
#include "tool_runner.h"

namespace talvex::imagestore {
namespace {

using namespace testing;

std::vector<uint8_t> SamplePack() {
  return pack::WriteResourceImage({
      Resource{Named(u"BINARY"), Named(u"RESOURCES_NEG_C__1__BMP"), 0x409, Bytes("neg one")},
      Resource{Named(u"BINARY"), Named(u"RESOURCES_NEG_C__10__BMP"), 0x409, Bytes("neg ten")},
      Resource{Named(u"BINARY"), Number(12), 0x409, Bytes("twelve")},
      Resource{Named(u"OTHER"), Named(u"ELSEWHERE"), 0x409, Bytes("other")},
  });
}

const std::vector<std::string> kSampleNames = {"RESOURCES_NEG_C__10__BMP",
                                               "RESOURCES_NEG_C__1__BMP", "12"};

ImageSource InMemory(const std::vector<uint8_t>& bytes) {
  return ImageSource::InMemory(ByteSpan{bytes.data(), bytes.size()});
}

// The data of a resource found in an image of the bytes, as text.
std::string Found(const std::vector<uint8_t>& bytes, const std::string& type,
                  const std::string& name) {
  TExeImage image(bytes.data(), bytes.size(), "test");
  ByteSpan found;
  if (!FindResourceData(image, type, name, found)) return "not found";
  return std::string(reinterpret_cast<const char*>(found.data), found.size);
}

// An ELF file (64- or 32-bit) of the sections (all of the given section type), then their
// names, then the section table: a null header, the sections, the names.
std::vector<uint8_t> ElfFile(
    bool wide, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& sections,
    uint32_t type = 1) {
  const uint32_t headerSize = wide ? 64 : 52;
  const auto size = [](const std::vector<uint8_t>& bytes) {
    return static_cast<uint32_t>(bytes.size());
  };
  ByteBuilder body;
  std::vector<uint8_t> names(1, 0);
  std::vector<std::array<uint32_t, 4>> headers = {{0, 0, 0, 0}};  // name, type, offset, size
  const auto add = [&](const std::string& name, uint32_t sectionType,
                       const std::vector<uint8_t>& contents) {
    headers.push_back({size(names), sectionType, headerSize + size(body.Bytes()), size(contents)});
    names.insert(names.end(), name.begin(), name.end());
    names.push_back(0);
    body.Append(contents);
  };
  for (const auto& [name, contents] : sections) add(name, type, contents);
  add(".shstrtab", 3, {});
  headers.back()[3] = size(names);  // the names hold their own section's name
  body.Append(names);
  const uint32_t table = headerSize + size(body.Bytes());
  const auto count = static_cast<uint32_t>(headers.size());

  ByteBuilder file;
  file.U8(0x7F).U8('E').U8('L').U8('F').U8(wide ? 2 : 1).U8(1).U8(1);
  while (file.Bytes().size() < 16) file.U8(0);
  file.U16(2).U16(wide ? 62 : 3).U32(1);
  // Entry point, program headers and the section table: 64-bit fields in a 64-bit file.
  wide ? file.U32(0).U32(0).U32(0).U32(0).U32(table).U32(0) : file.U32(0).U32(0).U32(table);
  file.U32(0).U16(headerSize).U16(0).U16(0).U16(wide ? 64 : 40).U16(count).U16(count - 1);
  file.Append(body.Bytes());
  for (const auto& [name, sectionType, offset, length] : headers) {
    file.U32(name).U32(sectionType).U32(2).U32(0);
    if (wide) {
      file.U32(0).U32(0).U32(offset).U32(0).U32(length).U32(0).U32(0).U32(0).U32(1).U32(0);
      file.U32(0).U32(0);
    } else {
      file.U32(offset).U32(length).U32(0).U32(0).U32(1).U32(0);
    }
  }
  return file.Bytes();
}

// Whether this test program was linked with an image pack of its own.
std::string ThisProgram() {
  return platform::TheSystem().ExecutablePath();
}

bool ThisProgramCarriesAPack() {
  const platform::MappedFile self(ThisProgram());
  ByteReader pack;
  return !self.Failed() &&
         FindElfSection(ByteReader(self.Data(), self.Size()), kImagePackSection, pack);
}

// --- Sources -----------------------------------------------------------------------------------

TEST(ImageSource, PackInMemoryIsReadInPlace) {
  const std::vector<uint8_t> pack = SamplePack();
  const ImageSource source = InMemory(pack);
  EXPECT_FALSE(source.IsProgramFile());
  EXPECT_EQ(TResourceManager(source).ListImageNames(), kSampleNames);
  const std::unique_ptr<TExeImage> image = source.Open();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->ViewBase(), pack.data());  // no copy is made
}

TEST(ImageSource, ProgramFileIsMappedOnlyWhileItIsRead) {
  TempFolder folder;
  WriteFile(folder / "program", ElfFile(true, {{kImagePackSection, SamplePack()}}));
  const std::string path = folder / "program";
  const TResourceManager loader(ImageSource::ProgramFile(path));
  EXPECT_EQ(loader.Source().Path(), path);
  EXPECT_EQ(loader.ListImageNames(), kSampleNames);
  EXPECT_EQ(CountMappingsOf(path), 0);
  EXPECT_EQ(ErrorOf<EResNotFound>([&] { loader.LoadImage("MISSING"); }),
            "Resource MISSING not found");
  EXPECT_EQ(CountMappingsOf(path), 0);
  EXPECT_EQ(ErrorOf([] {
              TResourceManager(ImageSource::ProgramFile("/nonexistent/program")).ListImageNames();
            }),
            "Couldn't open: /nonexistent/program");
}

TEST(ImageSource, ProgramWithoutAnImagePackHasNoResources) {
  // This test program carries no image pack; its own file is read and released again.
  if (ThisProgramCarriesAPack()) GTEST_SKIP() << "this program carries an image pack";
  const TResourceManager loader(ImageSource::ProgramFile(ThisProgram()));
  const int before = CountMappingsOf(ThisProgram());
  EXPECT_EQ(ErrorOf([&] { loader.ListImageNames(); }), "No resources in this file.");
  EXPECT_EQ(ErrorOf<EResNotFound>([&] { loader.LoadImage("RESOURCES_BLANK_BMP"); }),
            "Resource RESOURCES_BLANK_BMP not found");
  EXPECT_EQ(CountMappingsOf(ThisProgram()), before);
}

TEST(FindResourceData, LooksUpTypeAndNameLikeThePlatform) {
  const std::vector<uint8_t> pack = SamplePack();
  TExeImage image(pack.data(), pack.size(), "pack");
  ByteSpan found;
  ASSERT_TRUE(FindResourceData(image, "BINARY", "RESOURCES_NEG_C__1__BMP", found));
  // The bytes are the pack's own, not a copy.
  EXPECT_GE(found.data, pack.data());
  EXPECT_LT(found.data, pack.data() + pack.size());
  const struct {
    const char* type;
    const char* name;
    const char* data;
  } cases[] = {
      {"BINARY", "RESOURCES_NEG_C__1__BMP", "neg one"},
      {"binary", "resources_neg_c__10__bmp", "neg ten"},
      {"BINARY", "#12", "twelve"},
      {"BINARY", "12", "not found"},  // a name, not the number
      {"BINARY", "ELSEWHERE", "not found"},
      {"other", "elsewhere", "other"},
      {"MISSING", "RESOURCES_NEG_C__1__BMP", "not found"},
  };
  for (const auto& c : cases) EXPECT_EQ(Found(pack, c.type, c.name), c.data) << c.type << c.name;
  // A PE file without a resource section has nothing to find.
  std::vector<uint8_t> noSection = pack;
  noSection[kWrittenSectionTable] = 'x';
  EXPECT_EQ(Found(noSection, "BINARY", "RESOURCES_NEG_C__1__BMP"), "not found");
}

TEST(ListTypeEntryKeys, NamesAsStoredAndNumbersAsTheLookupTakesThem) {
  const std::vector<uint8_t> pack = SamplePack();
  TExeImage image(pack.data(), pack.size(), "pack");
  EXPECT_EQ(
      ListTypeEntryKeys(image, "BINARY"),
      (std::vector<std::string>{"RESOURCES_NEG_C__10__BMP", "RESOURCES_NEG_C__1__BMP", "#12"}));
  for (const std::string& key : ListTypeEntryKeys(image, "BINARY")) {
    EXPECT_NE(Found(pack, "BINARY", key), "not found") << key;
  }
  EXPECT_TRUE(ListTypeEntryKeys(image, "NONE").empty());
}

// --- Image packs in ELF files ----------------------------------------------------------------

TEST(ProgramImage, FindsThePackInAnElfSection) {
  for (bool wide : {true, false}) {
    const std::vector<uint8_t> elf =
        ElfFile(wide, {{".text", Bytes("code")}, {kImagePackSection, SamplePack()}});
    const auto image = OpenProgramImage(elf.data(), elf.size(), "program", nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(ListTypeEntryNames(*image, "BINARY"), kSampleNames);
  }
}

TEST(ProgramImage, ReadsAPeFileOrAProgramFile) {
  TempFolder folder;
  WriteFile(folder / "pack.dll", SamplePack());
  WriteFile(folder / "program", ElfFile(true, {{kImagePackSection, SamplePack()}}));
  WriteFile(folder / "plain", ElfFile(true, {{".data", Bytes("data")}}));
  for (const std::string name : {"pack.dll", "program"}) {
    const auto image = OpenProgramImage(folder / name);
    EXPECT_EQ(image->FileName(), folder / name);
    EXPECT_EQ(ListTypeEntryNames(*image, "BINARY").size(), 3u);
  }
  EXPECT_EQ(ErrorOf([&] { OpenProgramImage(folder / "plain"); }), "No resources in this file.");
  EXPECT_EQ(ErrorOf([&] { OpenProgramImage(folder / "missing"); }),
            "Couldn't open: " + folder / "missing");
}

TEST(ProgramImage, SectionWithoutContentsOrABigEndianFileIsNotSearched) {
  std::vector<uint8_t> bigEndian = ElfFile(true, {{kImagePackSection, SamplePack()}});
  bigEndian[5] = 2;
  const std::vector<uint8_t> noContents = ElfFile(true, {{kImagePackSection, SamplePack()}}, 8);
  EXPECT_EQ(OpenProgramImage(noContents.data(), noContents.size(), "program", nullptr), nullptr);
  EXPECT_EQ(OpenProgramImage(bigEndian.data(), bigEndian.size(), "program", nullptr), nullptr);
}

TEST(ProgramImage, CorruptSectionTableIsRefused) {
  const std::vector<uint8_t> valid = ElfFile(true, {{kImagePackSection, SamplePack()}});
  const uint32_t table = Get32(valid, 0x28);
  const auto refuse = [](const std::vector<uint8_t>& elf) {
    return ErrorOf([&] { OpenProgramImage(elf.data(), elf.size(), "program", nullptr); });
  };
  std::vector<uint8_t> bytes = valid;
  Put32(bytes, 0x28, 0x7FFFFFF0u);  // section table past the end
  EXPECT_EQ(refuse(bytes), "Corrupt ELF section table");
  bytes = valid;
  Put16(bytes, 0x3C, 0xFFFF);  // far more sections than the file holds
  EXPECT_EQ(refuse(bytes), "Corrupt ELF section table");
  bytes = valid;
  Put16(bytes, 0x3E, 7);  // names in a section that does not exist
  EXPECT_EQ(refuse(bytes), "Corrupt ELF section table");
  bytes = valid;
  Put32(bytes, table + 64 + 32, 0x7FFFFFF0u);  // the pack's size runs past the end
  EXPECT_EQ(refuse(bytes), "Corrupt ELF section table");
  bytes = valid;
  Put32(bytes, table + 64, 0x7FFFFFF0u);  // the pack's name lies outside the names
  EXPECT_EQ(refuse(bytes), "Corrupt ELF section table");
  for (size_t length = 0; length < valid.size(); length += 7) {
    const std::vector<uint8_t> cut(valid.begin(), valid.begin() + static_cast<long>(length));
    const std::string error = refuse(cut);
    EXPECT_TRUE(error == "Corrupt ELF section table" || error == "unrecognized file format")
        << length << ": " << error;
  }
}

}  // namespace
}  // namespace talvex::imagestore
