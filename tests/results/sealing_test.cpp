#include "talvex/results/sealing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "fake_system.h"
#ifndef _WIN32
#include "file_hazards.h"
#endif
#include "scratch_folder.h"
#include "talvex/exception.h"
#include "talvex/imagestore/crypto.h"

namespace talvex::results {
namespace {

using testing::Enciphered;
using testing::FakeSystem;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

const char kDesktopMessage[] =
    "A file with extension .enc has been saved to your desktop.\r\n"
    "Please submit this on our website";

std::string SomeBytes(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 131 + 7) % 251);
  return bytes;
}

TEST(MakeSealedPath, OnlyTheFinalExtensionChanges) {
  const std::pair<const char*, const char*> cases[] = {
      {"/s/results/k4T19 07122026 1405.xls", "/s/results/k4T19 07122026 1405.enc"},
      {"/s/r.XlS", "/s/r.enc"},
      {"/data.xls/results/a.XLS.b 07122026 1405 (2).xls",
       "/data.xls/results/a.XLS.b 07122026 1405 (2).enc"},
      // Never the results path itself, so sealing cannot overwrite the results.
      {"/s/r.xlsx", "/s/r.xlsx.enc"},
      {"/s/r", "/s/r.enc"},
      {".xls", ".enc"}};
  for (const auto& [results, sealed] : cases) EXPECT_EQ(MakeSealedPath(results), sealed) << results;
}

TEST(CryptFile, BlocksGiveTheSameBytesAsOnePiece) {
  ScratchFolder folder;
  const imagestore::CipherKey key = imagestore::DeriveKey(kResultsPassPhrase);
  for (const size_t length : {0u, 1u, 511u, 512u, 513u, 5000u}) {
    const std::string plain = SomeBytes(length);
    WriteBytes(folder / "r.xls", plain);
    std::filesystem::remove(folder / "r.enc");
    CryptFile(folder / "r.xls", folder / "r.enc", kResultsPassPhrase);
    EXPECT_EQ(ReadBytes(folder / "r.enc"), Enciphered(plain, key)) << length;
  }
  EXPECT_EQ(testing::EntryCount(folder.Path()), 2u);  // no temporary file left
}

// A failed open or creation names the path, then the system's text for the error, which each
// platform words its own way (Linux's strerror texts are checked word for word).
void ExpectFileError(const std::string& message, const std::string& lead,
                     const std::string& linuxText) {
#ifdef _WIN32
  (void)linuxText;
  EXPECT_EQ(message.rfind(lead, 0), 0u) << message;
  EXPECT_GT(message.size(), lead.size() + 1) << message;
#else
  EXPECT_EQ(message, lead + linuxText);
#endif
}

TEST(CryptFile, FileOfAnotherRunAtTheDestinationIsKept) {
  ScratchFolder folder;
  WriteBytes(folder / "r.xls", "short");
  WriteBytes(folder / "r.enc", "sealed by another run");
  try {
    CryptFile(folder / "r.xls", folder / "r.enc", kResultsPassPhrase);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& error) {
    ExpectFileError(error.what(), "Cannot create file \"" + (folder / "r.enc") + "\". ",
                    "File exists");
  }
  EXPECT_EQ(ReadBytes(folder / "r.enc"), "sealed by another run");
  EXPECT_EQ(testing::EntryCount(folder.Path()), 2u);
}

TEST(CryptFile, MissingSourceOrUncreatableDestinationCreateNothing) {
  ScratchFolder folder;
  const std::string source = folder / "missing.xls";
  try {
    CryptFile(source, folder / "r.enc", kResultsPassPhrase);
    ADD_FAILURE() << "no error";
  } catch (const EFOpenError& error) {
    ExpectFileError(error.what(), "Cannot open file \"" + source + "\". ",
                    "No such file or directory");
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "r.enc"));

  WriteBytes(folder / "r.xls", "rows");
  const std::string destination = folder / "no.enc/r.enc";
  try {
    CryptFile(folder / "r.xls", destination, kResultsPassPhrase);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& error) {
    ExpectFileError(error.what(), "Cannot create file \"" + destination + "\". ",
                    "No such file or directory");
  }
}

TEST(CryptFile, SourceIsNeverItsOwnDestination) {
  ScratchFolder folder;
  WriteBytes(folder / "r.xls", "rows");
  EXPECT_THROW(CryptFile(folder / "r.xls", folder / "r.xls", kResultsPassPhrase), EFCreateError);
  std::filesystem::create_hard_link(folder / "r.xls", folder / "r.enc");
  EXPECT_THROW(CryptFile(folder / "r.xls", folder / "r.enc", kResultsPassPhrase), EFCreateError);
  EXPECT_EQ(ReadBytes(folder / "r.xls"), "rows");
}

#ifndef _WIN32  // a file-size limit
TEST(CryptFile, FailedWriteRaisesAndLeavesNoPartSealedFile) {
  ScratchFolder folder;
  WriteBytes(folder / "r.xls", SomeBytes(3000));
  std::pair<int, std::string> error;
  try {
    testing::FileSizeLimit limit(1000);
    CryptFile(folder / "r.xls", folder / "r.enc", kResultsPassPhrase);
  } catch (const EInOutError& e) {
    error = {e.ErrorCode(), e.what()};
  }
  EXPECT_EQ(error, std::make_pair(101, "Disk full: \"" + (folder / "r.enc") + "\""));
  EXPECT_EQ(testing::EntryCount(folder.Path()), 1u);
}
#endif

// A results file and a desktop; the hand-off's messages and end requests are recorded.
class SealAndHandOff : public ::testing::Test {
 protected:
  SealAndHandOff() {
    WriteBytes(folder / "r.xls", "rows\r\n");
    system.desktop = desktop.Path();
  }
  void HandOff(bool copyToDesktop, const std::string& results = "r.xls",
               bool inTemporaryFolder = false) {
    results::SealAndHandOff(
        system, folder / results, folder / "r.enc", copyToDesktop, inTemporaryFolder,
        {[this](const std::string& text) { messages.push_back(text); }, [this] { ++endRequests; }});
  }

  ScratchFolder folder;
  ScratchFolder desktop;
  FakeSystem system;
  std::vector<std::string> messages;
  int endRequests = 0;
};

TEST_F(SealAndHandOff, WithoutDesktopCopyEndsAtOnce) {
  HandOff(false);
  EXPECT_EQ(ReadBytes(folder / "r.enc").size(), 6u);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(endRequests, 1);
  EXPECT_EQ(testing::EntryCount(desktop.Path()), 0u);
}

TEST_F(SealAndHandOff, DesktopCopyNeverReplacesAFileOfAnotherRun) {
  WriteBytes(desktop / "r.enc", "an older run's file");
  std::filesystem::create_directory(desktop / "r (2).enc");
  HandOff(true);
  EXPECT_EQ(ReadBytes(desktop / "r (3).enc"), ReadBytes(folder / "r.enc"));
  EXPECT_EQ(ReadBytes(desktop / "r.enc"), "an older run's file");
  EXPECT_EQ(testing::EntryCount(desktop.Path()), 3u);
  EXPECT_EQ(messages, std::vector<std::string>{kDesktopMessage});
  EXPECT_EQ(endRequests, 1);
}

TEST_F(SealAndHandOff, ResultsInTheTemporaryFolderAreNamedInTheEndMessage) {
  const std::string note =
      "The results file and the sealed file were saved in the temporary folder, which may be "
      "emptied:\r\n" +
      (folder / "r.xls") + "\r\n" + (folder / "r.enc") + "\r\nPlease copy them to a safe place.";
  HandOff(true, "r.xls", true);
  EXPECT_EQ(messages, std::vector<std::string>{std::string(kDesktopMessage) + "\r\n\r\n" + note});
  // Without a desktop copy the note is the whole message.
  std::filesystem::remove(folder / "r.enc");
  messages.clear();
  HandOff(false, "r.xls", true);
  EXPECT_EQ(messages, std::vector<std::string>{note});
  EXPECT_EQ(endRequests, 2);
}

TEST_F(SealAndHandOff, MessageNamesTheSealedFileWhenThereIsNoDesktopCopy) {
  const std::string expected = "A file with extension .enc has been saved to:\r\n" +
                               (folder / "r.enc") + "\r\nPlease submit this on our website";
  for (const std::string& desktopFolder : {std::string(), folder / "no-desktop"}) {
    SCOPED_TRACE(desktopFolder);
    system.desktop = desktopFolder;
    messages.clear();
    endRequests = 0;
    std::filesystem::remove(folder / "r.enc");
    HandOff(true);
    EXPECT_EQ(messages, std::vector<std::string>{expected});
    EXPECT_EQ(endRequests, 1);
  }
}

TEST_F(SealAndHandOff, OnlyASealOfTheseVeryRowsIsKeptAtTheSealedName) {
  HandOff(false);
  const std::string sealed = ReadBytes(folder / "r.enc");
  EXPECT_TRUE(IsSealOf(folder / "r.enc", folder / "r.xls"));
  // The seal of other rows of the same length is another run's file: kept, and refused.
  WriteBytes(folder / "r.xls", "ROWS\r\n");
  EXPECT_FALSE(IsSealOf(folder / "r.enc", folder / "r.xls"));
  EXPECT_THROW(HandOff(false), EFCreateError);
  EXPECT_EQ(ReadBytes(folder / "r.enc"), sealed);
}

TEST_F(SealAndHandOff, SealingFailureShowsNothingAndDoesNotEnd) {
  EXPECT_THROW(HandOff(true, "missing.xls"), EFOpenError);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(endRequests, 0);
  EXPECT_EQ(testing::EntryCount(desktop.Path()), 0u);
}

}  // namespace
}  // namespace talvex::results
