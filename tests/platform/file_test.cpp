#include "talvex/platform/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>

#include "file_hazards.h"
#include "scratch_folder.h"

namespace talvex::platform {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

TEST(File, OpeningFailuresGiveTheirCodes) {
  ScratchFolder scratch;
  WriteBytes(scratch / "plain", "x");
  File file;
  EXPECT_EQ(file.OpenForReading(scratch / "missing").code, kFileNotFound);
  EXPECT_EQ(file.OpenForAppend(scratch / "plain/inside").code, kInvalidFilename);
  EXPECT_EQ(file.Create(scratch / "no-such-folder/x").code, kFileNotFound);
  EXPECT_EQ(file.Create(scratch.Path()).code, kAccessDenied);
  EXPECT_EQ(file.OpenForReading(scratch.Path()).code, kAccessDenied);
  EXPECT_FALSE(file.IsOpen());
}

TEST(File, CreateNewRefusesAnExistingName) {
  ScratchFolder scratch;
  WriteBytes(scratch / "kept", "old");
  File file;
  const FileStatus status = file.CreateNew(scratch / "kept");
  EXPECT_EQ(status.errorNumber, EEXIST);
  EXPECT_EQ(ReadBytes(scratch / "kept"), "old");
  // A dangling link counts as a name in use: creating through it could write anywhere.
  std::filesystem::create_symlink(scratch / "elsewhere", scratch / "link");
  EXPECT_EQ(file.CreateNew(scratch / "link").errorNumber, EEXIST);
  EXPECT_FALSE(std::filesystem::exists(scratch / "elsewhere"));
}

TEST(File, AppendWritesAtTheEndCreateEmptiesAndReadReportsTheEnd) {
  ScratchFolder scratch;
  const std::string path = scratch / "f";
  WriteBytes(path, "abc");
  {
    File file;
    ASSERT_TRUE(file.OpenForAppend(path).Ok());
    ASSERT_TRUE(file.WriteAll("def", 3).Ok());
    ASSERT_TRUE(file.Sync().Ok());
    ASSERT_TRUE(file.Close().Ok());
  }
  File file;
  ASSERT_TRUE(file.OpenForReading(path).Ok());
  char buffer[16];
  size_t count = 0;
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, count).Ok());
  EXPECT_EQ(std::string(buffer, count), "abcdef");
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, count).Ok());
  EXPECT_EQ(count, 0u);
  file.Close();

  ASSERT_TRUE(file.Create(path).Ok());
  ASSERT_TRUE(file.WriteAll("z", 1).Ok());
  file.Close();
  EXPECT_EQ(ReadBytes(path), "z");
}

TEST(File, WriteToAFullDeviceIsDiskFull) {
  File file;
  ASSERT_TRUE(file.OpenForAppend("/dev/full").Ok());
  const FileStatus status = file.WriteAll("x", 1);
  EXPECT_EQ(status.code, kDiskFull);
  EXPECT_EQ(status.text, "No space left on device");
}

TEST(File, AFileInUseIsASharingViolation) {
  ScratchFolder scratch;
  const std::string path = scratch / "f";
  WriteBytes(path, "content");
  File reader;
  ASSERT_TRUE(reader.OpenForReading(path).Ok());
  File secondReader;
  EXPECT_TRUE(secondReader.OpenForReading(path).Ok());
  File writer;
  EXPECT_EQ(writer.OpenForAppend(path).code, kSharingViolation);
  // A refused Create leaves the file as it was.
  EXPECT_EQ(writer.Create(path).code, kSharingViolation);
  EXPECT_EQ(ReadBytes(path), "content");
  reader.Close();
  secondReader.Close();
  EXPECT_TRUE(writer.OpenForAppend(path).Ok());
}

TEST(File, ReadingAloneShutsOutEveryOtherOpenThisProgramsToo) {
  ScratchFolder scratch;
  const std::string path = scratch / "k.run";
  WriteBytes(path, "plan");
  {  // A reader already there keeps it from being taken.
    File reader;
    ASSERT_TRUE(reader.OpenForReading(path).Ok());
    File holder;
    EXPECT_EQ(holder.OpenForReadingAlone(path).code, kSharingViolation);
  }
  File holder;
  ASSERT_TRUE(holder.OpenForReadingAlone(path).Ok());
  // Locks of this kind belong to each open, not to the process: a second open here is
  // refused as another program's would be.
  File other;
  EXPECT_EQ(other.OpenForReadingAlone(path).code, kSharingViolation);
  EXPECT_EQ(other.OpenForReading(path).code, kSharingViolation);
  EXPECT_EQ(other.OpenForAppend(path).code, kSharingViolation);
  char bytes[8];
  size_t count = 0;
  ASSERT_TRUE(holder.Read(bytes, sizeof bytes, count).Ok());
  EXPECT_EQ(std::string(bytes, count), "plan");
  // The holder may remove it while it holds it.
  EXPECT_TRUE(RemoveFile(path).Ok());
  EXPECT_FALSE(Exists(path));
  holder.Close();
  WriteBytes(path, "plan");
  EXPECT_TRUE(other.OpenForReadingAlone(path).Ok());
}

TEST(File, OwnFilesAreTheUsersThatNoOtherUserCanWrite) {
  ScratchFolder scratch;
  const std::string path = scratch / "f";
  WriteBytes(path, "rows");
  const auto isOwn = [&path](mode_t mode) {
    EXPECT_EQ(chmod(path.c_str(), mode), 0);
    File file;
    return file.OpenForReading(path).Ok() && file.IsUsersOwn();
  };
  EXPECT_TRUE(isOwn(0644));
  EXPECT_FALSE(isOwn(0646));
  // The group may write when it is the user's own group, but no other.
  ASSERT_EQ(chown(path.c_str(), geteuid(), getegid()), 0);
  EXPECT_TRUE(isOwn(0664));
  if (geteuid() != 0) return;  // only root can give the file to another group or user
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(chown(path.c_str(), geteuid(), kNobody), 0);
  EXPECT_FALSE(isOwn(0664));
  EXPECT_TRUE(isOwn(0644));
  ASSERT_EQ(chown(path.c_str(), kNobody, getegid()), 0);
  EXPECT_FALSE(isOwn(0644));
}

TEST(File, TruncateCutsBackToALength) {
  ScratchFolder scratch;
  const std::string path = scratch / "f";
  WriteBytes(path, "line1\r\n");
  File file;
  ASSERT_TRUE(file.OpenForAppend(path).Ok());
  uint64_t size = 0;
  ASSERT_TRUE(file.Size(size).Ok());
  ASSERT_TRUE(file.WriteAll("part", 4).Ok());
  ASSERT_TRUE(file.Truncate(size).Ok());
  file.Close();
  EXPECT_EQ(ReadBytes(path), "line1\r\n");
}

TEST(File, IsFileAtFollowsTheFileNotTheName) {
  ScratchFolder scratch;
  WriteBytes(scratch / "a", "a");
  WriteBytes(scratch / "b", "b");
  std::filesystem::create_hard_link(scratch / "a", scratch / "a2");
  File file;
  ASSERT_TRUE(file.OpenForReading(scratch / "a").Ok());
  EXPECT_TRUE(file.IsFileAt(scratch / "a"));
  EXPECT_TRUE(file.IsFileAt(scratch / "a2"));
  EXPECT_FALSE(file.IsFileAt(scratch / "b"));
  EXPECT_FALSE(file.IsFileAt(scratch / "missing"));
}

TEST(FileQueries, TellFilesFoldersAndOtherEntriesApart) {
  ScratchFolder scratch;
  WriteBytes(scratch / "f", "");
  std::filesystem::create_symlink(scratch / "gone", scratch / "dangling");
  EXPECT_TRUE(FileExists(scratch / "f"));
  EXPECT_FALSE(FolderExists(scratch / "f"));
  EXPECT_TRUE(FolderExists(scratch.Path()));
  EXPECT_FALSE(FileExists(scratch.Path()));
  EXPECT_FALSE(FileExists("/dev/null"));
  EXPECT_TRUE(Exists(scratch / "dangling"));
  EXPECT_FALSE(FileExists(scratch / "dangling"));
  EXPECT_FALSE(Exists(scratch / "missing"));
}

TEST(FileQueries, CreateFolderMakesOneLevel) {
  ScratchFolder scratch;
  EXPECT_TRUE(CreateFolder(scratch / "results").Ok());
  EXPECT_TRUE(FolderExists(scratch / "results"));
  EXPECT_EQ(CreateFolder(scratch / "results").errorNumber, EEXIST);
  EXPECT_EQ(CreateFolder(scratch / "a/b").code, kFileNotFound);
  WriteBytes(scratch / "plain", "");
  EXPECT_EQ(CreateFolder(scratch / "plain/results").code, kInvalidFilename);
}

TEST(FileQueries, ListFolderNamesEveryEntryButDots) {
  ScratchFolder scratch;
  std::vector<std::string> names{"left over"};
  EXPECT_TRUE(ListFolder(scratch.Path(), names).Ok());
  EXPECT_TRUE(names.empty());
  WriteBytes(scratch / "a b.run", "");
  WriteBytes(scratch / ".hidden", "");
  std::filesystem::create_directory(scratch / "sub");
  std::filesystem::create_symlink(scratch / "gone", scratch / "dangling");
  ASSERT_TRUE(ListFolder(scratch.Path() + "/", names).Ok());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "a b.run", "dangling", "sub"}));
  EXPECT_EQ(ListFolder(scratch / "missing", names).code, kFileNotFound);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(ListFolder(scratch / "a b.run", names).code, kInvalidFilename);
}

TEST(File, ReadingRefusesWhatIsNotARegularFileWithoutWaiting) {
  ScratchFolder scratch;
  testing::Watchdog watchdog(20);
  ASSERT_TRUE(testing::MakePipe(scratch / "pipe"));
  File file;
  FileStatus status = file.OpenForReading(scratch / "pipe");
  EXPECT_EQ(status.code, kAccessDenied);
  EXPECT_EQ(status.text, "Not a regular file");
  status = file.OpenForReading("/dev/zero");
  EXPECT_EQ(status.text, "Not a regular file");
  EXPECT_EQ(file.OpenForReading(scratch.Path()).text, "Is a directory");
  EXPECT_FALSE(file.IsOpen());
}

TEST(File, SameFileForAppendTakesOnlyTheFileOfItsIdentity) {
  ScratchFolder scratch;
  testing::Watchdog watchdog(20);
  const std::string path = scratch / "f";
  FileIdentity identity;
  {
    File made;
    ASSERT_TRUE(made.CreateNew(path).Ok());
    ASSERT_TRUE(made.Identity(identity).Ok());
  }
  FileIdentity atPath;
  ASSERT_TRUE(IdentityAt(path, atPath).Ok());
  EXPECT_EQ(atPath, identity);
  File file;
  ASSERT_TRUE(file.OpenSameFileForAppend(path, identity).Ok());
  ASSERT_TRUE(file.WriteAll("row", 3).Ok());
  file.Close();

  // Each takes the file's place in turn; none of them is the file, not even a link to it.
  std::filesystem::rename(path, scratch / "kept");
  const std::function<void()> impostors[] = {
      [&] { WriteBytes(path, "another"); },
      [&] { std::filesystem::create_symlink(scratch / "kept", path); },
      [&] { ASSERT_TRUE(testing::MakePipe(path)); },
      [&] { std::filesystem::create_directory(path); }};
  for (const auto& impostor : impostors) {
    impostor();
    const FileStatus status = file.OpenSameFileForAppend(path, identity);
    EXPECT_EQ(status.code, kNotTheSameFile) << status.text;
    EXPECT_FALSE(file.IsOpen());
    std::filesystem::remove(path);
  }
  EXPECT_EQ(file.OpenSameFileForAppend(path, identity).code, kFileNotFound);
  EXPECT_EQ(ReadBytes(scratch / "kept"), "row");
}

TEST(File, CreateBesideMakesFreshNamesInTheSameFolder) {
  ScratchFolder scratch;
  File first;
  File second;
  std::string firstPath;
  std::string secondPath;
  ASSERT_TRUE(first.CreateBeside(scratch / "target", firstPath).Ok());
  ASSERT_TRUE(second.CreateBeside(scratch / "target", secondPath).Ok());
  EXPECT_NE(firstPath, secondPath);
  EXPECT_EQ(firstPath.rfind(scratch.Path() + "/", 0), 0u);
  EXPECT_EQ(testing::EntryCount(scratch.Path()), 2u);
  File third;
  std::string thirdPath;
  EXPECT_EQ(third.CreateBeside(scratch / "missing/target", thirdPath).code, kFileNotFound);
  EXPECT_TRUE(thirdPath.empty());
}

TEST(RenameFile, KeepRefusesATakenNameAndReplaceTakesIt) {
  ScratchFolder scratch;
  WriteBytes(scratch / "new", "new");
  WriteBytes(scratch / "old", "old");
  EXPECT_EQ(RenameFile(scratch / "new", scratch / "old", Existing::kKeep).errorNumber, EEXIST);
  EXPECT_EQ(ReadBytes(scratch / "old"), "old");
  EXPECT_EQ(ReadBytes(scratch / "new"), "new");
  std::filesystem::create_symlink(scratch / "nowhere", scratch / "dangling");
  EXPECT_EQ(RenameFile(scratch / "new", scratch / "dangling", Existing::kKeep).errorNumber, EEXIST);
  ASSERT_TRUE(RenameFile(scratch / "new", scratch / "free", Existing::kKeep).Ok());
  EXPECT_EQ(ReadBytes(scratch / "free"), "new");
  ASSERT_TRUE(RenameFile(scratch / "free", scratch / "old", Existing::kReplace).Ok());
  EXPECT_EQ(ReadBytes(scratch / "old"), "new");
  EXPECT_EQ(testing::EntryCount(scratch.Path()), 2u);
}

}  // namespace
}  // namespace talvex::platform
