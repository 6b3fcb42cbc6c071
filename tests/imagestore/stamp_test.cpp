// Stamping a study's image set and settings into released programs: Windows programs of both
// widths linked at test time by the cross tool chains (as the release is, with relocations and
// debugging sections after the resources), and the Linux probe program that carries the
// embedded set; then the talvex-pack commands around it.

#include "talvex/pack/stamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "resource_samples.h"
#include "resource_test_support.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/pack/image_pack.h"
#include "talvex/pack/program_file.h"
#include "talvex/tools/jpeg_encode.h"
#include "talvex/version.h"
#include "tool_runner.h"

namespace talvex::pack {
namespace {

using namespace imagestore::testing;

const std::string kSettings =
    "instructions_page = https://study.example/instructions\nvideo_page = https://study.example/v\n"
    "institution1 = Group, University, Country\ninstitution1_page = https://group.example\n"
    "institution2 = Department, University, Country\ninstitution2_page = https://dep.example\n"
    "authors = A. One; B. Two\nwebserver_name = C. Three\nwebserver_town = Town\n"
    "thanks = P1; P2; P3; P4; P5; P6; P7\nclinic = Eye\nhospital = City Hospital\n";

// The set's names in the order a program lists them: ascending by character code.
const std::vector<std::string> kSet = {"RESOURCES_BLANK_BMP", "RESOURCES_NEG_C__10__BMP",
                                       "RESOURCES_NEG_C__2__BMP", "RESOURCES_POS_G__1__BMP",
                                       "RESOURCES_TALVEX2_BMP"};

std::vector<PackImage> ImageSet(const std::vector<std::string>& names, int shade = 40) {
  std::vector<PackImage> images;
  for (const std::string& name : names) {
    const std::vector<uint8_t> pixels(8 * 8 * 3, static_cast<uint8_t>(shade += 20));
    images.push_back(PackImage{name, name + ".jpg", tools::EncodeJpeg(pixels.data(), 8, 8, 3)});
  }
  return images;
}

std::string ErrorOf(const std::function<void()>& action) {
  return imagestore::testing::ErrorOf<Exception>(action);
}

// A Windows program as the release is made: code linked by the cross tool chain with debugging
// information, and resources compiled by its resource compiler: an icon, a manifest, the
// version block of this version of Talvex and an image set of its own.
std::vector<uint8_t> BuildWindowsProgram(const TempFolder& folder, bool wide) {
  const std::string prefix = wide ? "x86_64-w64-mingw32-" : "i686-w64-mingw32-";
  std::string version = kVersion;
  std::replace(version.begin(), version.end(), '.', ',');
  WriteFile(folder / "main.c", Bytes("int main(void) { return 0; }\n"));
  WriteFile(folder / "talvex.ico", IconFile({{16, 16, 4}}, {IconImage({16, 16, 4}, 3)}));
  WriteFile(folder / "talvex.manifest", Bytes("<assembly/>"));
  WriteFile(folder / "old.bin", Bytes("an older picture"));
  WriteFile(folder / "program.rc",
            Bytes("1 ICON \"talvex.ico\"\n1 24 \"talvex.manifest\"\n"
                  "RESOURCES_OLD_C__1__BMP BINARY \"old.bin\"\n"
                  "1 VERSIONINFO\nFILEVERSION " +
                  version +
                  "\nBEGIN\n BLOCK \"StringFileInfo\"\n"
                  " BEGIN\n  BLOCK \"080904E4\"\n  BEGIN\n   VALUE \"CompanyName\", \"A\"\n"
                  "   VALUE \"ProductName\", \"Talvex\"\n  END\n END\nEND\n"));
  int status = 0;
  const std::string log = RunCommand(
      "cd " + Quote(folder.Path()) + " && " + prefix + "windres program.rc -O coff -o program.o " +
          "2>&1 && " + prefix + "gcc-posix -g main.c program.o -o program.exe 2>&1",
      status);
  EXPECT_EQ(status, 0) << log;
  return ReadFile(folder / "program.exe");
}

class WindowsProgram : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    const std::string prefix = GetParam() ? "x86_64-w64-mingw32-" : "i686-w64-mingw32-";
    if (!HaveTool(prefix + "gcc-posix") || !HaveTool(prefix + "windres")) {
      GTEST_SKIP() << prefix << "gcc-posix or windres is not installed";
    }
    program_ = BuildWindowsProgram(folder_, GetParam());
  }
  TempFolder folder_;
  std::vector<uint8_t> program_;
};

INSTANTIATE_TEST_SUITE_P(Widths, WindowsProgram, ::testing::Values(true, false),
                         [](const auto& width) { return width.param ? "Pe32Plus" : "Pe32"; });

struct Section {
  uint32_t header, address, virtualSize;
  std::vector<uint8_t> bytes;
};

// The sections of a PE file by name.
std::map<std::string, Section> Sections(const std::vector<uint8_t>& file) {
  const uint32_t nt = Get32(file, 0x3C);
  const uint32_t table = nt + 24 + (Get32(file, nt + 20) & 0xFFFF);
  std::map<std::string, Section> sections;
  for (uint32_t i = 0; i < (Get32(file, nt + 4) >> 16); ++i) {
    const uint32_t header = table + 40 * i;
    const char* name = reinterpret_cast<const char*>(&file[header]);
    const uint32_t size = std::min(Get32(file, header + 8), Get32(file, header + 16));
    const auto from = file.begin() + Get32(file, header + 20);
    sections[std::string(name, strnlen(name, 8))] =
        Section{header, Get32(file, header + 12), Get32(file, header + 8),
                std::vector<uint8_t>(from, from + size)};
  }
  return sections;
}

// The resources other than the image set, as (type, name, language, data).
using Kept =
    std::tuple<std::u16string, uint32_t, std::u16string, uint32_t, uint16_t, std::vector<uint8_t>>;
std::vector<Kept> OtherResources(const std::vector<uint8_t>& file) {
  std::vector<Kept> kept;
  for (const Resource& r : ReadPeResources(file)) {
    if (r.type.named && r.type.name == u"BINARY") continue;
    kept.emplace_back(r.type.name, r.type.id, r.name.name, r.name.id, r.language, r.data);
  }
  return kept;
}

TEST_P(WindowsProgram, TakesTheSetAndKeepsEverythingElse) {
  const bool wide = GetParam();
  const std::vector<PackImage> images = ImageSet(kSet);
  const std::vector<uint8_t> stamped = StampProgram(program_, images, kSettings);

  imagestore::TExeImage image(stamped.data(), stamped.size(), "stamped");
  EXPECT_EQ(imagestore::ListTypeEntryKeys(image, "BINARY"), kSet);
  for (const PackImage& picture : images) {
    imagestore::ByteSpan data;
    ASSERT_TRUE(imagestore::FindResourceData(image, "BINARY", picture.name, data));
    EXPECT_EQ(CipherImage(data.data, data.size), picture.jpeg) << picture.name;
  }
  imagestore::ByteSpan settings;
  ASSERT_TRUE(imagestore::FindResourceData(image, "STUDY", "SETTINGS", settings));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(settings.data), settings.size), kSettings);

  // Icon, manifest and version block as they were; the settings added.
  std::vector<Kept> expected = OtherResources(program_);
  expected.emplace_back(u"STUDY", 0, u"SETTINGS", 0, 0x409, Bytes(kSettings));
  std::vector<Kept> got = OtherResources(stamped);
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);

  // Every other section holds what it held; those after the resources moved with their end.
  const auto before = Sections(program_);
  const auto after = Sections(stamped);
  ASSERT_EQ(after.size(), before.size());
  const uint32_t nt = Get32(stamped, 0x3C);
  const uint32_t optional = nt + 24;
  const uint32_t directories = optional + (wide ? 112 : 96);
  const Section& rsrc = after.at(".rsrc");
  for (const auto& [name, section] : before) {
    if (name == ".rsrc") continue;
    EXPECT_EQ(after.at(name).bytes, section.bytes) << name;
    if (section.address > before.at(".rsrc").address) {
      EXPECT_GE(after.at(name).address, rsrc.address + rsrc.virtualSize) << name;
    }
  }
  EXPECT_EQ(Get32(stamped, directories + 5 * 8), after.at(".reloc").address);
  EXPECT_EQ(Get32(stamped, directories + 2 * 8 + 4), rsrc.virtualSize);
  uint32_t imageEnd = 0;
  for (const auto& [name, section] : after) {
    imageEnd =
        std::max<uint32_t>(imageEnd, (section.address + section.virtualSize + 0xFFF) & ~0xFFFu);
  }
  EXPECT_EQ(Get32(stamped, optional + 56), imageEnd);
  // The linker's checksum is the one the program's loader computes; the copy has its own.
  EXPECT_EQ(Get32(program_, optional + 64), PeChecksum(program_));
  EXPECT_EQ(Get32(stamped, optional + 64), PeChecksum(stamped));
  // The tool chain's own reader takes the copy whole.
  const std::string prefix = wide ? "x86_64-w64-mingw32-" : "i686-w64-mingw32-";
  WriteFile(folder_ / "stamped.exe", stamped);
  int status = 0;
  const std::string dump =
      RunCommand(prefix + "objdump -p " + Quote(folder_ / "stamped.exe") + " 2>&1", status);
  EXPECT_EQ(status, 0) << dump;
  EXPECT_EQ(dump.find("warning"), std::string::npos) << dump;
}

TEST_P(WindowsProgram, ResourceSectionWithoutItsPaddingAsThe32BitLinkerLeavesIt) {
  // The raw size of the resources as their own size, not rounded up to the file alignment;
  // the next section still begins at the next unit.
  const Section rsrc = Sections(program_).at(".rsrc");
  ASSERT_NE(rsrc.virtualSize % 0x200, 0u);
  Put32(program_, rsrc.header + 16, rsrc.virtualSize);
  const std::vector<PackImage> images = ImageSet(kSet);
  const std::vector<uint8_t> stamped = StampProgram(program_, images, std::nullopt);
  imagestore::TExeImage image(stamped.data(), stamped.size(), "stamped");
  EXPECT_EQ(imagestore::ListTypeEntryKeys(image, "BINARY"), kSet);
  const auto before = Sections(program_);
  const auto after = Sections(stamped);
  for (const auto& [name, section] : before) {
    if (name == ".rsrc") continue;
    EXPECT_EQ(after.at(name).bytes, section.bytes) << name;
  }
  EXPECT_EQ(Get32(stamped, after.at(".rsrc").header + 16) % 0x200, 0u);
}

TEST_P(WindowsProgram, StampedAgainIsStampedOnceWithTheLastSetAndTheSettingsKept) {
  const std::vector<uint8_t> once = StampProgram(program_, ImageSet(kSet, 10), kSettings);
  const std::vector<PackImage> second =
      ImageSet({"RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP", "RESOURCES_POS_G__7__BMP"});
  EXPECT_EQ(StampProgram(once, second, std::nullopt), StampProgram(program_, second, kSettings));
  // New settings replace the old.
  const std::string other = kSettings + "resume = no\n";
  const std::vector<uint8_t> twice = StampProgram(once, second, other);
  imagestore::TExeImage image(twice.data(), twice.size(), "twice");
  imagestore::ByteSpan settings;
  ASSERT_TRUE(imagestore::FindResourceData(image, "STUDY", "SETTINGS", settings));
  EXPECT_EQ(settings.size, other.size());
}

TEST_P(WindowsProgram, RefusedWithTheReason) {
  const bool wide = GetParam();
  const std::vector<PackImage> images = ImageSet(kSet);
  const auto refusal = [&images](const std::vector<uint8_t>& program) {
    return ErrorOf([&] { StampProgram(program, images, std::nullopt); });
  };
  const uint32_t optional = Get32(program_, 0x3C) + 24;
  std::vector<uint8_t> signedProgram = program_;
  Put32(signedProgram, optional + (wide ? 112 : 96) + 4 * 8 + 4, 0x100);
  EXPECT_EQ(refusal(signedProgram),
            "the program is signed, and a new image set would break its signature: stamp the "
            "unsigned program, then sign the stamped copy");

  // Another version in the version block's fixed part (1.6.1.1, the last release that read no
  // stamped settings), another product in its strings.
  std::vector<uint8_t> older = program_;
  const std::vector<uint8_t> signature = {0xBD, 0x04, 0xEF, 0xFE};
  const auto fixed = std::search(older.begin(), older.end(), signature.begin(), signature.end());
  ASSERT_NE(fixed, older.end());
  Put32(older, static_cast<uint64_t>(fixed - older.begin()) + 8, 0x00010006);
  Put32(older, static_cast<uint64_t>(fixed - older.begin()) + 12, 0x00010001);
  EXPECT_EQ(refusal(older), std::string("a program of Talvex 1.6.1.1; this talvex-pack stamps ") +
                                "programs of Talvex " + kVersion +
                                " only (use the talvex-pack of that release)");
  std::vector<uint8_t> other = program_;
  const std::vector<uint8_t> product = ByteBuilder().Text16(u"Talvex", true).Bytes();
  const auto name = std::search(other.begin(), other.end(), product.begin(), product.end());
  ASSERT_NE(name, other.end());
  *(name + 10) = 'y';
  EXPECT_EQ(refusal(other), "not a Talvex program (its version block does not name Talvex)");
  EXPECT_EQ(refusal(Bytes("MZ but nothing more")),
            "not a Talvex program (neither a Windows nor a Linux program file)");

  // A section after the resources that is loaded with the program cannot move.
  std::vector<uint8_t> fixedReloc = program_;
  const uint32_t reloc = Sections(program_).at(".reloc").header;
  Put32(fixedReloc, reloc + 36, Get32(program_, reloc + 36) & ~0x02000000u);
  EXPECT_EQ(refusal(fixedReloc), "a section that is not discardable follows its resource section");

  // A set the build would refuse, and settings the program would not start with.
  EXPECT_EQ(ErrorOf([&] {
              StampProgram(program_, ImageSet({"RESOURCES_TALVEX2_BMP", "RESOURCES_POS_G__1__BMP"}),
                           std::nullopt);
            }),
            "the image set has no blank picture RESOURCES_BLANK_BMP");
  EXPECT_EQ(ErrorOf([&] { StampProgram(program_, images, kSettings + "color = red\n", "s.txt"); }),
            "s.txt:13: unknown key \"color\" (the template lists every key)");
}

// --- The Linux program ---------------------------------------------------------------------

TEST(StampLinuxProgram, TheProgramReadsTheNewSetFromItsOwnSection) {
  TempFolder folder;
  const std::vector<uint8_t> probe = ReadFile(TALVEX_EMBEDDED_PROBE);
  const std::vector<uint8_t> stamped = StampProgram(probe, ImageSet(kSet), kSettings);
  WriteFile(folder / "probe", stamped);
  std::filesystem::permissions(folder / "probe", std::filesystem::perms::owner_all);
  int status = 0;
  EXPECT_EQ(Lines(RunCommand(Quote(folder / "probe"), status)), kSet);
  EXPECT_EQ(status, 0);
  for (const std::string& line : Lines(RunCommand(Quote(folder / "probe") + " --lookup", status))) {
    EXPECT_EQ(line.substr(line.size() - 5), " same") << line;
  }
  // The pack's section and all after it keep their alignment.
  int readelfStatus = 0;
  const std::string sections =
      RunCommand("readelf -W -S " + Quote(folder / "probe") + " 2>&1", readelfStatus);
  EXPECT_EQ(sections.find("warning"), std::string::npos) << sections;

  // Stamped again without settings: the set replaced, the settings kept.
  const std::vector<uint8_t> again = StampProgram(
      stamped,
      ImageSet({"RESOURCES_BLANK_BMP", "RESOURCES_TALVEX2_BMP", "RESOURCES_NEG_C__5__BMP"}),
      std::nullopt);
  std::vector<uint8_t> pack;
  ASSERT_TRUE(ReadElfSection(again, imagestore::kImagePackSection, pack));
  imagestore::TExeImage image(pack.data(), pack.size(), "pack");
  EXPECT_EQ(imagestore::ListTypeEntryKeys(image, "BINARY").size(), 3u);
  imagestore::ByteSpan settings;
  EXPECT_TRUE(imagestore::FindResourceData(image, "STUDY", "SETTINGS", settings));

  // This test program is a Linux program, but not a Talvex program.
  EXPECT_EQ(
      ErrorOf([&] { StampProgram(ReadFile("/proc/self/exe"), ImageSet(kSet), std::nullopt); }),
      "not a Talvex program (it has no .talvex_program section)");
}

// --- The commands ----------------------------------------------------------------------------

std::string Tool(const std::string& arguments, int& status) {
  return RunCommand(Quote(TALVEX_PACK_TOOL) + " " + arguments + " 2>&1", status);
}

void WriteImageFolder(const TempFolder& folder, const std::vector<std::string>& names) {
  std::filesystem::create_directory(folder / "images");
  for (const PackImage& image : ImageSet(names)) {
    WriteFile(folder / ("images/" + image.name + ".jpg"), image.jpeg);
  }
}

TEST(PackTool, StampsOrRefusesWithoutLeavingOutput) {
  TempFolder folder;
  WriteImageFolder(folder, kSet);
  WriteFile(folder / "settings.txt", Bytes(kSettings));
  const std::string probe = Quote(TALVEX_EMBEDDED_PROBE);
  int status = 0;
  EXPECT_EQ(Tool("stamp " + probe + " " + Quote(folder / "images") + " " + Quote(folder / "out") +
                     " --settings " + Quote(folder / "settings.txt"),
                 status),
            folder / "out" + ": 5 images, the settings of " + folder / "settings.txt" + "\n");
  EXPECT_EQ(status, 0);
  // The copy can be run as the program could.
  EXPECT_EQ(Lines(RunCommand(Quote(folder / "out"), status)), kSet);

  WriteFile(folder / "settings.txt", Bytes(kSettings + "thanks = A\n"));
  const std::string refused =
      Tool("stamp " + probe + " " + Quote(folder / "images") + " " + Quote(folder / "new") +
               " --settings " + Quote(folder / "settings.txt"),
           status);
  EXPECT_EQ(refused, "talvex-pack: " + folder / "settings.txt" +
                         ":13: \"thanks\" is given again (first on line 10)\n");
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(std::filesystem::exists(folder / "new"));
  EXPECT_EQ(Tool("stamp " + Quote(folder / "out") + " " + Quote(folder / "images") + " " +
                     Quote(folder / "out"),
                 status),
            "talvex-pack: " + folder / "out" +
                " is the program itself; name a new file for the stamped copy\n");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Tool("stamp " + Quote(folder / "settings.txt") + " " + Quote(folder / "images") + " " +
                     Quote(folder / "new"),
                 status),
            "talvex-pack: " + folder / "settings.txt" +
                ": not a Talvex program (neither a Windows nor a Linux program file)\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "new"));
  EXPECT_EQ(Lines(Tool("stamp " + probe, status)).front(), "usage:");
  EXPECT_EQ(status, 2);
}

TEST(PackTool, RatersZipCarriesTheProgramTheTextsTheLicenceAndTheNotices) {
  if (!HaveTool("unzip")) GTEST_SKIP() << "unzip is not installed";
  if (!HaveTool("x86_64-w64-mingw32-gcc-posix")) GTEST_SKIP() << "no 64-bit cross compiler";
  TempFolder folder;
  TempFolder build;
  WriteFile(folder / "talvex.exe", BuildWindowsProgram(build, true));
  int status = 0;
  EXPECT_EQ(
      Tool("raters-zip " + Quote(folder / "talvex.exe") + " " + Quote(folder / "r.zip"), status),
      folder / "r.zip" + ": talvex.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt\n");
  ASSERT_EQ(status, 0);
  // Every file's checksum holds, and the entries are the four files.
  const std::string test = RunCommand("unzip -t " + Quote(folder / "r.zip"), status);
  EXPECT_EQ(status, 0) << test;
  EXPECT_EQ(Lines(RunCommand("unzip -Z1 " + Quote(folder / "r.zip"), status)),
            (std::vector<std::string>{"talvex.exe", "README.txt", "LICENSE.txt",
                                      "THIRD-PARTY-NOTICES.txt"}));
  std::filesystem::create_directory(folder / "unzipped");
  RunCommand("cd " + Quote(folder / "unzipped") + " && unzip -q ../r.zip", status);
  EXPECT_EQ(ReadFile(folder / "unzipped/talvex.exe"), ReadFile(folder / "talvex.exe"));
  // The texts with Windows line ends, as the repository holds them otherwise.
  for (const auto& [entry, source] : std::map<std::string, std::string>{
           {"LICENSE.txt", TALVEX_SOURCE_DIR "/LICENSE"},
           {"README.txt", TALVEX_SOURCE_DIR "/docs/windows-raters.txt"},
           {"THIRD-PARTY-NOTICES.txt", TALVEX_SOURCE_DIR "/THIRD-PARTY-NOTICES.txt"}}) {
    std::vector<uint8_t> expected;
    for (uint8_t c : ReadFile(source)) {
      if (c == '\n') expected.push_back('\r');
      expected.push_back(c);
    }
    EXPECT_EQ(ReadFile(folder / ("unzipped/" + entry)), expected) << entry;
  }
  // Only a Talvex Windows program goes to raters.
  EXPECT_EQ(
      Tool("raters-zip " + Quote(TALVEX_EMBEDDED_PROBE) + " " + Quote(folder / "x.zip"), status),
      std::string("talvex-pack: ") + TALVEX_EMBEDDED_PROBE +
          ": not a Windows program; raters get talvex.exe\n");
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(std::filesystem::exists(folder / "x.zip"));
}

}  // namespace
}  // namespace talvex::pack
