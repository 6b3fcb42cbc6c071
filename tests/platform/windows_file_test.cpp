#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "talvex/platform/file.h"
#include "talvex/platform/wide_text.h"
#include "windows_scratch.h"

namespace talvex::platform {
namespace {

using testing::WideScratchFolder;

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string FolderOfTest(const std::string& path) {
  return path.substr(0, path.find_last_of('\\') + 1);
}

// Whether another program could open the file for the access given, as the share modes
// of the files Talvex holds open allow.
bool OthersCanOpen(const std::string& path, DWORD access) {
  const HANDLE file = CreateFileW(Widen(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

TEST(WindowsFile, WideCharacterPathsNameTheFilesOnDisk) {
  WideScratchFolder scratch;
  // "Jürgen 李 😀.xls": Latin, CJK and a letter beyond the basic plane.
  const std::string name = "J\xC3\xBCrgen \xE6\x9D\x8E \xF0\x9F\x98\x80.xls";
  const std::wstring wideName = L"J\u00FCrgen \u674E \U0001F600.xls";
  const std::string path = scratch / name;
  File file;
  ASSERT_TRUE(file.CreateNew(path).Ok());
  ASSERT_TRUE(file.WriteAll("row\r\n", 5).Ok());
  ASSERT_TRUE(file.Sync().Ok());
  ASSERT_TRUE(file.Close().Ok());

  // The system holds exactly the UTF-16 name, and the file under it has the bytes.
  EXPECT_EQ(ReadBytes(scratch.WidePath() / wideName), "row\r\n");
  EXPECT_TRUE(FileExists(path));
  EXPECT_TRUE(Exists(path));
  EXPECT_FALSE(FolderExists(path));

  ASSERT_TRUE(CreateFolder(scratch / "r\xC3\xA9sultats").Ok());
  EXPECT_TRUE(std::filesystem::is_directory(scratch.WidePath() / L"r\u00E9sultats"));
  const std::string moved = scratch / "r\xC3\xA9sultats\\" + name;
  ASSERT_TRUE(RenameFile(path, moved, Existing::kKeep).Ok());
  EXPECT_EQ(ReadBytes(scratch.WidePath() / L"r\u00E9sultats" / wideName), "row\r\n");
  EXPECT_FALSE(std::filesystem::exists(scratch.WidePath() / wideName));
  ASSERT_TRUE(RemoveFile(moved).Ok());
  EXPECT_TRUE(std::filesystem::is_empty(scratch.WidePath() / L"r\u00E9sultats"));
}

TEST(WindowsFile, FailuresGiveTheSystemsCodesAndTexts) {
  WideScratchFolder scratch;
  WriteBytes(scratch.WidePath() / L"plain", "x");
  File file;
  FileStatus status = file.OpenForReading(scratch / "missing");
  EXPECT_EQ(status.code, kFileNotFound);
  // The system's own text, on one line.
  EXPECT_FALSE(status.text.empty());
  EXPECT_EQ(status.text.find_first_of("\r\n"), std::string::npos) << status.text;
  EXPECT_EQ(file.OpenForAppend(scratch / "no-folder\\x").code, kInvalidFilename);
  EXPECT_EQ(file.Create(scratch / "no-folder\\x").code, kInvalidFilename);
  // A folder is no file to read or write.
  EXPECT_EQ(file.OpenForReading(scratch.Path()).code, kAccessDenied);
  EXPECT_EQ(file.Create(scratch.Path()).code, kAccessDenied);
  // A taken name: the core recognises it by EEXIST.
  status = file.CreateNew(scratch / "plain");
  EXPECT_EQ(status.errorNumber, EEXIST);
  EXPECT_EQ(status.code, static_cast<int>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadBytes(scratch.WidePath() / L"plain"), "x");
  EXPECT_EQ(CreateFolder(scratch / "a\\b").code, kInvalidFilename);
  EXPECT_FALSE(file.IsOpen());
}

TEST(WindowsFile, ShareModesLetOthersReadButNotWrite) {
  WideScratchFolder scratch;
  const std::string path = scratch / "results.xls";
  WriteBytes(scratch.WidePath() / L"results.xls", "content");

  {  // Appending: others may read, not write.
    File appender;
    ASSERT_TRUE(appender.OpenForAppend(path).Ok());
    EXPECT_TRUE(OthersCanOpen(path, GENERIC_READ));
    EXPECT_FALSE(OthersCanOpen(path, GENERIC_WRITE));
    File second;
    EXPECT_EQ(second.OpenForAppend(path).code, kSharingViolation);
    // Talvex's own reading refuses writers, so it cannot share with one that writes.
    EXPECT_EQ(second.OpenForReading(path).code, kSharingViolation);
  }
  {  // Reading: others may read, not write; a second writer is refused, not emptying it.
    File reader;
    ASSERT_TRUE(reader.OpenForReading(path).Ok());
    File secondReader;
    EXPECT_TRUE(secondReader.OpenForReading(path).Ok());
    EXPECT_TRUE(OthersCanOpen(path, GENERIC_READ));
    EXPECT_FALSE(OthersCanOpen(path, GENERIC_WRITE));
    File writer;
    EXPECT_EQ(writer.Create(path).code, kSharingViolation);
    EXPECT_EQ(ReadBytes(scratch.WidePath() / L"results.xls"), "content");
  }
  {  // Created for exclusive use: nobody else may even read.
    File sealed;
    ASSERT_TRUE(sealed.Create(path).Ok());
    EXPECT_FALSE(OthersCanOpen(path, GENERIC_READ));
  }
  EXPECT_TRUE(OthersCanOpen(path, GENERIC_WRITE));  // every handle is closed again
}

TEST(WindowsFile, ReadingAloneShutsOutEveryOtherOpenThisProgramsToo) {
  WideScratchFolder scratch;
  const std::string path = scratch / "k.run";
  WriteBytes(scratch.WidePath() / L"k.run", "plan");
  {  // A reader already there keeps it from being taken.
    File reader;
    ASSERT_TRUE(reader.OpenForReading(path).Ok());
    File holder;
    EXPECT_EQ(holder.OpenForReadingAlone(path).code, kSharingViolation);
  }
  File holder;
  ASSERT_TRUE(holder.OpenForReadingAlone(path).Ok());
  EXPECT_TRUE(holder.IsUsersOwn());
  EXPECT_FALSE(OthersCanOpen(path, GENERIC_READ));
  File other;
  EXPECT_EQ(other.OpenForReadingAlone(path).code, kSharingViolation);
  EXPECT_EQ(other.OpenForReading(path).code, kSharingViolation);
  EXPECT_EQ(other.OpenForAppend(path).code, kSharingViolation);
  // The holder may remove it while it holds it; the name goes with the last handle.
  EXPECT_TRUE(RemoveFile(path).Ok());
  holder.Close();
  EXPECT_FALSE(Exists(path));
}

TEST(WindowsFile, AppendTruncateAndReadBack) {
  WideScratchFolder scratch;
  const std::string path = scratch / "f";
  WriteBytes(scratch.WidePath() / L"f", "line1\r\n");
  File file;
  ASSERT_TRUE(file.OpenForAppend(path).Ok());
  uint64_t size = 0;
  ASSERT_TRUE(file.Size(size).Ok());
  EXPECT_EQ(size, 7u);
  ASSERT_TRUE(file.WriteAll("part", 4).Ok());
  ASSERT_TRUE(file.Truncate(size).Ok());
  ASSERT_TRUE(file.WriteAll("line2\r\n", 7).Ok());  // after a cut, writing goes on at the end
  ASSERT_TRUE(file.Close().Ok());

  ASSERT_TRUE(file.OpenForReading(path).Ok());
  char buffer[32];
  size_t count = 0;
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, count).Ok());
  EXPECT_EQ(std::string(buffer, count), "line1\r\nline2\r\n");
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, count).Ok());
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(file.IsFileAt(path));
  EXPECT_TRUE(file.IsFileAt(scratch / "F"));  // the same file whatever the letter case
  WriteBytes(scratch.WidePath() / L"g", "g");
  EXPECT_FALSE(file.IsFileAt(scratch / "g"));
  EXPECT_FALSE(file.IsFileAt(scratch / "missing"));
}

TEST(WindowsFile, RenameReplacesOrKeepsATakenName) {
  WideScratchFolder scratch;
  WriteBytes(scratch.WidePath() / L"new", "new");
  WriteBytes(scratch.WidePath() / L"old", "old");
  FileStatus status = RenameFile(scratch / "new", scratch / "old", Existing::kKeep);
  EXPECT_EQ(status.errorNumber, EEXIST);
  EXPECT_EQ(ReadBytes(scratch.WidePath() / L"old"), "old");
  ASSERT_TRUE(RenameFile(scratch / "new", scratch / "old", Existing::kReplace).Ok());
  EXPECT_EQ(ReadBytes(scratch.WidePath() / L"old"), "new");
  EXPECT_FALSE(std::filesystem::exists(scratch.WidePath() / L"new"));
  EXPECT_EQ(RenameFile(scratch / "missing", scratch / "x", Existing::kReplace).code, kFileNotFound);
}

TEST(WindowsFile, CreateBesideMakesAFreshExclusiveFileInTheSameFolder) {
  WideScratchFolder scratch;
  File first;
  File second;
  std::string firstPath;
  std::string secondPath;
  ASSERT_TRUE(first.CreateBeside(scratch / "results.enc", firstPath).Ok());
  ASSERT_TRUE(second.CreateBeside(scratch / "results.enc", secondPath).Ok());
  EXPECT_NE(firstPath, secondPath);
  EXPECT_EQ(FolderOfTest(firstPath), scratch.Path() + "\\");
  EXPECT_FALSE(OthersCanOpen(firstPath, GENERIC_READ));
  std::string none;
  EXPECT_EQ(first.CreateBeside(scratch / "no-folder\\results.enc", none).code, kInvalidFilename);
  EXPECT_TRUE(none.empty());
}

TEST(WindowsFile, TheSameFileIsRecognisedByIdentityNotByName) {
  WideScratchFolder scratch;
  const std::string path = scratch / "results.xls";
  File file;
  ASSERT_TRUE(file.CreateNew(path).Ok());
  FileIdentity made;
  ASSERT_TRUE(file.Identity(made).Ok());
  ASSERT_TRUE(file.Close().Ok());
  FileIdentity atPath;
  ASSERT_TRUE(IdentityAt(path, atPath).Ok());
  EXPECT_EQ(made, atPath);

  ASSERT_TRUE(file.OpenSameFileForAppend(path, made).Ok());
  ASSERT_TRUE(file.WriteAll("row", 3).Ok());
  ASSERT_TRUE(file.Close().Ok());
  EXPECT_EQ(ReadBytes(scratch.WidePath() / L"results.xls"), "row");

  // Another file put under the name, or a folder, is not the file made before.
  // (Made while the first still exists, so that it cannot be given the same index.)
  WriteBytes(scratch.WidePath() / L"impostor", "impostor");
  ASSERT_TRUE(RenameFile(scratch / "impostor", path, Existing::kReplace).Ok());
  EXPECT_EQ(file.OpenSameFileForAppend(path, made).code, kNotTheSameFile);
  ASSERT_TRUE(RemoveFile(path).Ok());
  ASSERT_TRUE(CreateFolder(path).Ok());
  EXPECT_EQ(file.OpenSameFileForAppend(path, made).code, kNotTheSameFile);
  EXPECT_FALSE(file.IsOpen());
}

TEST(WindowsFile, ListFolderNamesEveryEntryButDotsInUtf8) {
  WideScratchFolder scratch;
  std::vector<std::string> names{"left over"};
  EXPECT_TRUE(ListFolder(scratch.Path(), names).Ok());
  EXPECT_TRUE(names.empty());
  WriteBytes(scratch.WidePath() / L"a b.run", "");
  WriteBytes(scratch.WidePath() / L"caf\u00e9.run", "");
  std::filesystem::create_directory(scratch.WidePath() / L"sub");
  ASSERT_TRUE(ListFolder(scratch.Path() + "\\", names).Ok());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a b.run", "caf\xC3\xA9.run", "sub"}));
  EXPECT_FALSE(ListFolder(scratch / "missing", names).Ok());
  EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace talvex::platform
