// The running program's resources: the registered image pack, the image pack found in an
// ELF file's section, and the lookup of one resource by type and name.

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "elf_section.h"
#include "module_resources.h"
#include "resource_samples.h"
#include "resource_test_support.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/mapped_file.h"

namespace talvex::imagestore {
namespace {

using namespace testing;

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EExeError& e) {
    return e.what();
  }
  return "no error";
}

std::vector<uint8_t> SamplePack() {
  return pack::WriteResourceImage({
      Resource{Named(u"BINARY"), Named(u"RESOURCES_NEG_C__1__BMP"), 0x409, Bytes("neg one")},
      Resource{Named(u"BINARY"), Named(u"RESOURCES_NEG_C__10__BMP"), 0x409, Bytes("neg ten")},
      Resource{Named(u"BINARY"), Number(12), 0x409, Bytes("twelve")},
      Resource{Named(u"OTHER"), Named(u"ELSEWHERE"), 0x409, Bytes("other")},
  });
}

// Registers a pack for the life of the guard, and nothing afterwards.
class Registration {
 public:
  explicit Registration(const std::vector<uint8_t>& pack) {
    SetModuleResources(pack.data(), pack.size());
  }
  ~Registration() { SetModuleResources(nullptr, 0); }
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;
};

// An ELF file (64- or 32-bit) whose sections are the given contents, then the names.
std::vector<uint8_t> ElfFile(
    bool wide, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& sections,
    uint32_t type = 1) {
  const uint32_t headerSize = wide ? 64 : 52;
  const uint32_t sectionHeaderSize = wide ? 64 : 40;
  std::vector<uint8_t> names(1, 0);
  std::vector<uint32_t> nameOffsets;
  for (const auto& section : sections) {
    nameOffsets.push_back(static_cast<uint32_t>(names.size()));
    names.insert(names.end(), section.first.begin(), section.first.end());
    names.push_back(0);
  }
  const auto namesName = static_cast<uint32_t>(names.size());
  for (char c : std::string(".shstrtab")) names.push_back(static_cast<uint8_t>(c));
  names.push_back(0);

  ByteBuilder body;
  std::vector<uint32_t> offsets;
  for (const auto& section : sections) {
    offsets.push_back(headerSize + static_cast<uint32_t>(body.Bytes().size()));
    body.Append(section.second);
  }
  const uint32_t namesOffset = headerSize + static_cast<uint32_t>(body.Bytes().size());
  body.Append(names);
  const uint32_t table = headerSize + static_cast<uint32_t>(body.Bytes().size());
  const auto count = static_cast<uint32_t>(sections.size() + 2);

  ByteBuilder file;
  file.U8(0x7F).U8('E').U8('L').U8('F').U8(wide ? 2 : 1).U8(1).U8(1);
  while (file.Bytes().size() < 16) file.U8(0);
  file.U16(2).U16(wide ? 62 : 3).U32(1);
  if (wide) {
    file.U32(0).U32(0).U32(0).U32(0).U32(table).U32(0);  // entry, program headers, sections
  } else {
    file.U32(0).U32(0).U32(table);
  }
  file.U32(0).U16(headerSize).U16(0).U16(0).U16(sectionHeaderSize).U16(count).U16(count - 1);
  file.Append(body.Bytes());
  auto sectionHeader = [&](uint32_t name, uint32_t sectionType, uint32_t offset, uint32_t size) {
    if (wide) {
      file.U32(name).U32(sectionType).U32(2).U32(0).U32(0).U32(0).U32(offset).U32(0);
      file.U32(size).U32(0).U32(0).U32(0).U32(1).U32(0).U32(0).U32(0);
    } else {
      file.U32(name).U32(sectionType).U32(2).U32(0).U32(offset).U32(size).U32(0).U32(0);
      file.U32(1).U32(0);
    }
  };
  sectionHeader(0, 0, 0, 0);
  for (size_t i = 0; i < sections.size(); ++i) {
    sectionHeader(nameOffsets[i], type, offsets[i],
                  static_cast<uint32_t>(sections[i].second.size()));
  }
  sectionHeader(namesName, 3, namesOffset, static_cast<uint32_t>(names.size()));
  return file.Bytes();
}

int CountMappingsOfThisProgram() {
  char target[PATH_MAX] = {};
  const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target - 1);
  if (length <= 0) return -1;
  std::ifstream maps("/proc/self/maps");
  std::string line;
  int count = 0;
  while (std::getline(maps, line)) count += line.find(target) != std::string::npos ? 1 : 0;
  return count;
}

// Whether this test program was linked with an image pack of its own.
bool ThisProgramCarriesAPack() {
  const platform::MappedFile self(platform::RunningExecutablePath());
  ByteReader pack;
  return !self.Failed() &&
         FindElfSection(ByteReader(self.Data(), self.Size()), kImagePackSection, pack);
}

// --- The registered pack ------------------------------------------------------------------

TEST(ListImageNames, ReadsTheRegisteredPack) {
  const std::vector<uint8_t> pack = SamplePack();
  Registration registration(pack);
  EXPECT_EQ(
      TResourceManager().ListImageNames(),
      (std::vector<std::string>{"RESOURCES_NEG_C__10__BMP", "RESOURCES_NEG_C__1__BMP", "12"}));
}

TEST(ListImageNames, ProgramWithoutAnImagePackHasNoResources) {
  // This test program carries no image pack; its own file is read and released again.
  if (ThisProgramCarriesAPack()) GTEST_SKIP() << "this program carries an image pack";
  const int before = CountMappingsOfThisProgram();
  EXPECT_EQ(ErrorOf([] { TResourceManager().ListImageNames(); }), "No resources in this file.");
  EXPECT_EQ(CountMappingsOfThisProgram(), before);
}

TEST(FindModuleResource, LooksUpTypeAndNameLikeThePlatform) {
  const std::vector<uint8_t> pack = SamplePack();
  Registration registration(pack);
  ResourceBytes found;
  ASSERT_TRUE(FindModuleResource("BINARY", "RESOURCES_NEG_C__1__BMP", found));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(found.data), found.size), "neg one");
  // The bytes are the registered pack's own, not a copy.
  EXPECT_GE(found.data, pack.data());
  EXPECT_LT(found.data, pack.data() + pack.size());
  ASSERT_TRUE(FindModuleResource("binary", "resources_neg_c__10__bmp", found));
  EXPECT_EQ(found.size, 7u);
  ASSERT_TRUE(FindModuleResource("BINARY", "#12", found));
  EXPECT_EQ(found.size, 6u);
  EXPECT_FALSE(FindModuleResource("BINARY", "12", found));  // a name, not the number
  EXPECT_FALSE(FindModuleResource("BINARY", "ELSEWHERE", found));
  EXPECT_FALSE(FindModuleResource("MISSING", "RESOURCES_NEG_C__1__BMP", found));
}

TEST(FindModuleResource, ProgramWithoutAnImagePackFindsNothing) {
  if (ThisProgramCarriesAPack()) GTEST_SKIP() << "this program carries an image pack";
  ResourceBytes found;
  EXPECT_FALSE(FindModuleResource("BINARY", "RESOURCES_BLANK_BMP", found));
}

// --- Image packs in ELF files ----------------------------------------------------------------

TEST(ProgramImage, FindsThePackInAnElfSection) {
  for (bool wide : {true, false}) {
    const std::vector<uint8_t> elf =
        ElfFile(wide, {{".text", Bytes("code")}, {kImagePackSection, SamplePack()}});
    const auto image = OpenProgramImage(elf.data(), elf.size(), "program", nullptr);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(
        ListTypeEntryNames(*image, "BINARY"),
        (std::vector<std::string>{"RESOURCES_NEG_C__10__BMP", "RESOURCES_NEG_C__1__BMP", "12"}));
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

TEST(ProgramImage, SectionWithoutContentsIsNotThePack) {
  const std::vector<uint8_t> elf = ElfFile(true, {{kImagePackSection, SamplePack()}}, 8);
  EXPECT_EQ(OpenProgramImage(elf.data(), elf.size(), "program", nullptr), nullptr);
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

TEST(ProgramImage, BigEndianElfIsNotSearched) {
  std::vector<uint8_t> elf = ElfFile(true, {{kImagePackSection, SamplePack()}});
  elf[5] = 2;
  EXPECT_EQ(OpenProgramImage(elf.data(), elf.size(), "program", nullptr), nullptr);
}

}  // namespace
}  // namespace talvex::imagestore
