#include "talvex/results/sealing.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <vector>

#include "fake_system.h"
#include "scratch_folder.h"
#include "talvex/exception.h"
#include "talvex/imagestore/crypto.h"

namespace talvex::results {
namespace {

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

std::string EncipheredInOnePiece(std::string bytes, const imagestore::CipherKey& key) {
  imagestore::StreamCipher cipher(key);
  cipher.Apply(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

// What the hand-off did to the window.
struct WindowRecord {
  std::vector<std::string> messages;
  int endRequests = 0;
  HandOffWindow Window() {
    return {[this](const std::string& text) { messages.push_back(text); },
            [this] { ++endRequests; }};
  }
};

TEST(MakeSealedPath, OnlyTheFinalExtensionChanges) {
  EXPECT_EQ(MakeSealedPath("/s/results/k4T19 07122026 1405.xls"),
            "/s/results/k4T19 07122026 1405.enc");
  EXPECT_EQ(MakeSealedPath("/s/r.XlS"), "/s/r.enc");
  EXPECT_EQ(MakeSealedPath("/data.xls/results/a.XLS.b 07122026 1405 (2).xls"),
            "/data.xls/results/a.XLS.b 07122026 1405 (2).enc");
  // Never the results path itself, so sealing cannot overwrite the results.
  EXPECT_EQ(MakeSealedPath("/s/r.xlsx"), "/s/r.xlsx.enc");
  EXPECT_EQ(MakeSealedPath("/s/r"), "/s/r.enc");
  EXPECT_EQ(MakeSealedPath(".xls"), ".enc");
}

TEST(CryptFile, BlocksGiveTheSameBytesAsOnePiece) {
  ScratchFolder folder;
  const imagestore::CipherKey key = imagestore::DeriveKey(kResultsPassPhrase);
  for (const size_t length : {0u, 1u, 511u, 512u, 513u, 5000u}) {
    const std::string plain = SomeBytes(length);
    WriteBytes(folder / "r.xls", plain);
    CryptFile(folder / "r.xls", folder / "r.enc", kResultsPassPhrase);
    const std::string sealed = ReadBytes(folder / "r.enc");
    EXPECT_EQ(sealed.size(), length);
    EXPECT_EQ(sealed, EncipheredInOnePiece(plain, key)) << length;
  }
}

TEST(CryptFile, SealingTwiceGivesTheOriginalBack) {
  ScratchFolder folder;
  const std::string plain = SomeBytes(1234);
  WriteBytes(folder / "r.xls", plain);
  CryptFile(folder / "r.xls", folder / "r.enc", kResultsPassPhrase);
  EXPECT_NE(ReadBytes(folder / "r.enc"), plain);
  CryptFile(folder / "r.enc", folder / "back.xls", kResultsPassPhrase);
  EXPECT_EQ(ReadBytes(folder / "back.xls"), plain);
}

TEST(CryptFile, ReplacesAnExistingDestination) {
  ScratchFolder folder;
  WriteBytes(folder / "r.xls", "short");
  WriteBytes(folder / "r.enc", std::string(2000, 'x'));
  CryptFile(folder / "r.xls", folder / "r.enc", kResultsPassPhrase);
  EXPECT_EQ(ReadBytes(folder / "r.enc").size(), 5u);
}

TEST(CryptFile, MissingSourceCreatesNoDestination) {
  ScratchFolder folder;
  const std::string source = folder / "missing.xls";
  try {
    CryptFile(source, folder / "r.enc", kResultsPassPhrase);
    FAIL() << "no error";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + source + "\". No such file or directory");
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "r.enc"));
}

TEST(CryptFile, DestinationThatCannotBeCreated) {
  ScratchFolder folder;
  WriteBytes(folder / "r.xls", "rows");
  const std::string destination = folder / "no.enc/r.enc";
  try {
    CryptFile(folder / "r.xls", destination, kResultsPassPhrase);
    FAIL() << "no error";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file \"" + destination + "\". No such file or directory");
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

TEST(CryptFile, FailedWriteRaisesAndLeavesNoPartSealedFile) {
  ScratchFolder folder;
  WriteBytes(folder / "r.xls", SomeBytes(3000));
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old;
  limit.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &limit);
  bool raised = false;
  try {
    CryptFile(folder / "r.xls", folder / "r.enc", kResultsPassPhrase);
  } catch (const EInOutError& error) {
    raised = error.ErrorCode() == EFBIG;
  }
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(raised);
  EXPECT_FALSE(std::filesystem::exists(folder / "r.enc"));
}

TEST(SealAndHandOff, WithoutDesktopCopyEndsAtOnce) {
  ScratchFolder folder;
  ScratchFolder desktop;
  WriteBytes(folder / "r.xls", "rows");
  FakeSystem system;
  system.desktop = desktop.Path();
  WindowRecord window;
  SealAndHandOff(system, folder / "r.xls", folder / "r.enc", false, window.Window());
  EXPECT_EQ(ReadBytes(folder / "r.enc").size(), 4u);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.endRequests, 1);
  EXPECT_EQ(testing::EntryCount(desktop.Path()), 0u);
}

TEST(SealAndHandOff, DesktopGetsTheSealedFileReplacingAnOldOne) {
  ScratchFolder folder;
  ScratchFolder desktop;
  WriteBytes(folder / "k4T19 07122026 1405.xls", "rows\r\n");
  WriteBytes(desktop / "k4T19 07122026 1405.enc", "an older file");
  FakeSystem system;
  system.desktop = desktop.Path();
  WindowRecord window;
  SealAndHandOff(system, folder / "k4T19 07122026 1405.xls", folder / "k4T19 07122026 1405.enc",
                 true, window.Window());
  EXPECT_EQ(ReadBytes(desktop / "k4T19 07122026 1405.enc"),
            ReadBytes(folder / "k4T19 07122026 1405.enc"));
  EXPECT_EQ(window.messages, std::vector<std::string>{kDesktopMessage});
  EXPECT_EQ(window.endRequests, 1);
}

TEST(SealAndHandOff, MessageNamesTheSealedFileWhenThereIsNoDesktopCopy) {
  ScratchFolder folder;
  WriteBytes(folder / "r.xls", "rows");
  const std::string expected = "A file with extension .enc has been saved to:\r\n" +
                               (folder / "r.enc") + "\r\nPlease submit this on our website";
  for (const std::string& desktop : {std::string(), folder / "no-desktop"}) {
    FakeSystem system;
    system.desktop = desktop;
    WindowRecord window;
    SealAndHandOff(system, folder / "r.xls", folder / "r.enc", true, window.Window());
    EXPECT_EQ(window.messages, std::vector<std::string>{expected}) << desktop;
    EXPECT_EQ(window.endRequests, 1);
  }
}

TEST(SealAndHandOff, SealingFailureShowsNothingAndDoesNotEnd) {
  ScratchFolder folder;
  ScratchFolder desktop;
  FakeSystem system;
  system.desktop = desktop.Path();
  WindowRecord window;
  EXPECT_THROW(
      SealAndHandOff(system, folder / "missing.xls", folder / "r.enc", true, window.Window()),
      EFOpenError);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.endRequests, 0);
  EXPECT_EQ(testing::EntryCount(desktop.Path()), 0u);
}

}  // namespace
}  // namespace talvex::results
