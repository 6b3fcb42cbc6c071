#include "talvex/results/unseal.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "fake_system.h"
#ifndef _WIN32
#include "file_hazards.h"
#endif
#include "scratch_folder.h"
#include "talvex/exception.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/platform/file.h"
#include "talvex/platform/paths.h"
#include "talvex/results/results_format.h"
#include "talvex/results/sealing.h"
#include "talvex/results/trial_row.h"
#ifdef _WIN32
#include "talvex/wide_command_line.h"
#endif

namespace talvex::results {
namespace {

using testing::At;
using testing::Enciphered;
using testing::FakeSystem;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

const std::string kResults = std::string("5000 0 0 0\r\n") + kHeaderLine + "\r\n" +
                             "k4T19\t07/12/2026\t14:05:31\t1\tpos\tg (12).ccc\t2\t1874\r\n";

TEST(Unseal, OutputPathTakesTheResultsExtension) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"/in/k4T19 07122026 1405.enc", "", "/in/k4T19 07122026 1405.xls"},
      {"/in/a.ENC", "", "/in/a.xls"},
      {"/in/a.bin", "", "/in/a.bin.xls"},
      {"/in/a.enc", "/out", std::string("/out") + kPathSeparator + "a.xls"},
      {"a.enc", "/out/", "/out/a.xls"}};
  for (const auto& [sealed, folder, output] : cases) {
    EXPECT_EQ(MakeUnsealedPath(sealed, folder), output) << sealed;
  }
}

TEST(Unseal, SealedRunComesBackByteForByte) {
  ScratchFolder program;
  FakeSystem system;
  system.now = At(2026, 12, 7, 14, 5, 9);
  const ResultsFile results = MakeResultsPath(system, ResultsPlace{program.Path() + "/", false},
                                              "k4T19", "10000 0.1 0.3 1 (by default)");
  for (int n = 1; n <= 126; ++n) {
    TrialRow row;
    row.raterId = "k4T19";
    row.trialCount = n;
    row.imageName = "neg\tc (" + std::to_string(n) + ").ccc";
    row.response = 1 + n % 5;
    row.latency = 300 + n;
    AppendTrialRow(system, results, row);
  }
  const std::string sealed = MakeSealedPath(results.path);
  CryptFile(results.path, sealed, kResultsPassPhrase);
  const std::string output = program / "unsealed.xls";
  EXPECT_EQ(UnsealFile(sealed, output, false, kResultsPassPhrase), SealKey::k128);
  EXPECT_EQ(ReadBytes(output), ReadBytes(results.path));
}

TEST(Unseal, FortyBitKeyIsRecognised) {
  ScratchFolder folder;
  WriteBytes(folder / "r.enc", Enciphered(kResults, imagestore::DeriveKey40(kResultsPassPhrase)));
  EXPECT_EQ(UnsealFile(folder / "r.enc", folder / "r.xls", false, kResultsPassPhrase),
            SealKey::k40);
  EXPECT_EQ(ReadBytes(folder / "r.xls"), kResults);
}

TEST(Unseal, BytesInMemoryAreDecipheredWithTheKeyThatFits) {
  const struct {
    std::string bytes;
    std::optional<SealKey> key;
  } cases[] = {{Enciphered(kResults, imagestore::DeriveKey(kResultsPassPhrase)), SealKey::k128},
               {Enciphered(kResults, imagestore::DeriveKey40(kResultsPassPhrase)), SealKey::k40},
               {Enciphered(kResults, imagestore::DeriveKey("another phrase")), std::nullopt},
               {kResults, std::nullopt},  // plain text is not a sealed file
               {"", std::nullopt}};
  for (const auto& [sealed, key] : cases) {
    std::string bytes = sealed;
    EXPECT_EQ(UnsealBytes(bytes, kResultsPassPhrase), key);
    EXPECT_EQ(bytes, key ? kResults : sealed) << "left unchanged when no key fits";
  }
}

TEST(Unseal, NotASealedResultsFileOrAMissingOneWritesNothing) {
  ScratchFolder folder;
  WriteBytes(folder / "r.enc", kResults);  // plain text, not sealed
  WriteBytes(folder / "w.enc", Enciphered(kResults, imagestore::DeriveKey("another phrase")));
  for (const char* name : {"r", "w"}) {
    const std::string path = folder / (std::string(name) + ".enc");
    try {
      UnsealFile(path, folder / "out.xls", false, kResultsPassPhrase);
      ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
      EXPECT_EQ(error.what(),
                "\"" + path +
                    "\" is not a sealed results file: neither the 128-bit nor the 40-bit key "
                    "yields a parameter line and the header line");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "out.xls"));
  EXPECT_THROW(UnsealFile(folder / "none.enc", folder / "out.xls", false, kResultsPassPhrase),
               EFOpenError);
  EXPECT_FALSE(std::filesystem::exists(folder / "out.xls"));
}

TEST(Unseal, ExistingOutputIsReplacedOnlyWhenAsked) {
  ScratchFolder folder;
  WriteBytes(folder / "r.enc", Enciphered(kResults, imagestore::DeriveKey(kResultsPassPhrase)));
  WriteBytes(folder / "r.xls", "keep me");
  EXPECT_THROW(UnsealFile(folder / "r.enc", folder / "r.xls", false, kResultsPassPhrase),
               EOutputExists);
  EXPECT_EQ(ReadBytes(folder / "r.xls"), "keep me");
  UnsealFile(folder / "r.enc", folder / "r.xls", true, kResultsPassPhrase);
  EXPECT_EQ(ReadBytes(folder / "r.xls"), kResults);
  // Not even when asked does the output replace the sealed file it is read from.
  EXPECT_THROW(UnsealFile(folder / "r.enc", folder / "r.enc", true, kResultsPassPhrase),
               EFCreateError);
  EXPECT_EQ(ReadBytes(folder / "r.enc").size(), kResults.size());
}

#ifndef _WIN32  // a file-size limit, pipes
TEST(Unseal, FailedReplacementKeepsTheOldFileAndNamesTheNewOne) {
  ScratchFolder folder;
  WriteBytes(folder / "r.enc", Enciphered(kResults, imagestore::DeriveKey(kResultsPassPhrase)));
  WriteBytes(folder / "r.xls", "old results");
  std::pair<int, std::string> error;
  try {
    testing::FileSizeLimit limit(10);  // the disk fills up after 10 bytes
    UnsealFile(folder / "r.enc", folder / "r.xls", true, kResultsPassPhrase);
  } catch (const EInOutError& e) {
    error = {e.ErrorCode(), e.what()};
  }
  EXPECT_EQ(error, std::make_pair(101, "Disk full: \"" + (folder / "r.xls") + "\""));
  EXPECT_EQ(ReadBytes(folder / "r.xls"), "old results");
  EXPECT_EQ(testing::EntryCount(folder.Path()), 2u);
}
#endif

#ifndef _WIN32  // a file-size limit, pipes
TEST(Unseal, PipesAreRefusedOrReplacedWithoutWaiting) {
  ScratchFolder folder;
  testing::Watchdog watchdog(20);
  ASSERT_TRUE(testing::MakePipe(folder / "p.enc"));
  try {
    UnsealFile(folder / "p.enc", folder / "p.xls", true, kResultsPassPhrase);
    ADD_FAILURE() << "no error";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.what(), "Cannot open file \"" + (folder / "p.enc") + "\". Not a regular file");
  }
  WriteBytes(folder / "r.enc", Enciphered(kResults, imagestore::DeriveKey(kResultsPassPhrase)));
  ASSERT_TRUE(testing::MakePipe(folder / "r.xls"));
  EXPECT_THROW(UnsealFile(folder / "r.enc", folder / "r.xls", false, kResultsPassPhrase),
               EOutputExists);
  UnsealFile(folder / "r.enc", folder / "r.xls", true, kResultsPassPhrase);
  EXPECT_EQ(ReadBytes(folder / "r.xls"), kResults);
}
#endif

#ifndef _WIN32  // the tool is tested as a Linux program
// Runs the built tool; returns its exit code and fills its output.
int RunTool(const std::string& arguments, const ScratchFolder& folder, std::string& out,
            std::string& err) {
  const std::string command = std::string("'") + TALVEX_UNSEAL_TOOL + "' " + arguments + " >'" +
                              (folder / "stdout") + "' 2>'" + (folder / "stderr") + "'";
  const int status = std::system(command.c_str());
  out = ReadBytes(folder / "stdout");
  err = ReadBytes(folder / "stderr");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(UnsealTool, DeciphersEachFileAndReportsFailures) {
  ScratchFolder folder;
  ScratchFolder logs;
  std::filesystem::create_directory(folder / "out");
  WriteBytes(folder / "k4T19 07122026 1405.enc",
             Enciphered(kResults, imagestore::DeriveKey(kResultsPassPhrase)));
  WriteBytes(folder / "old.enc", Enciphered(kResults, imagestore::DeriveKey40(kResultsPassPhrase)));
  WriteBytes(folder / "junk.enc", "not sealed at all");
  std::string out;
  std::string err;
  const int code =
      RunTool("-o '" + (folder / "out") + "' '" + (folder / "k4T19 07122026 1405.enc") + "' '" +
                  (folder / "junk.enc") + "' '" + (folder / "old.enc") + "'",
              logs, out, err);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(ReadBytes(folder / "out/k4T19 07122026 1405.xls"), kResults);
  EXPECT_EQ(ReadBytes(folder / "out/old.xls"), kResults);
  EXPECT_FALSE(std::filesystem::exists(folder / "out/junk.xls"));
  EXPECT_NE(out.find("(128-bit key)"), std::string::npos) << out;
  EXPECT_NE(out.find("(40-bit key)"), std::string::npos) << out;
  EXPECT_NE(err.find("is not a sealed results file"), std::string::npos) << err;
}

TEST(UnsealTool, RefusesToOverwriteWithoutForce) {
  ScratchFolder folder;
  ScratchFolder logs;
  WriteBytes(folder / "r.enc", Enciphered(kResults, imagestore::DeriveKey(kResultsPassPhrase)));
  WriteBytes(folder / "r.xls", "keep me");
  std::string out;
  std::string err;
  EXPECT_EQ(RunTool("'" + (folder / "r.enc") + "'", logs, out, err), 1);
  EXPECT_EQ(ReadBytes(folder / "r.xls"), "keep me");
  EXPECT_NE(err.find("already exists (-f replaces it)"), std::string::npos) << err;
  EXPECT_EQ(RunTool("-f '" + (folder / "r.enc") + "'", logs, out, err), 0);
  EXPECT_EQ(ReadBytes(folder / "r.xls"), kResults);
  EXPECT_EQ(RunTool("", logs, out, err), 2);
  EXPECT_NE(err.find("Usage: talvex-unseal"), std::string::npos);
  EXPECT_EQ(RunTool("-x '" + (folder / "r.enc") + "'", logs, out, err), 2);
}

TEST(UnsealTool, TwoInputsForOneOutputFileAreRefused) {
  ScratchFolder folder;
  ScratchFolder logs;
  const std::string second = std::string(kResults).replace(0, 4, "9999");
  for (const char* sub : {"a", "b", "o"}) std::filesystem::create_directory(folder / sub);
  WriteBytes(folder / "a/r.enc", Enciphered(kResults, imagestore::DeriveKey(kResultsPassPhrase)));
  WriteBytes(folder / "b/r.enc", Enciphered(second, imagestore::DeriveKey(kResultsPassPhrase)));
  WriteBytes(folder / "m.enc", Enciphered(kResults, imagestore::DeriveKey(kResultsPassPhrase)));
  WriteBytes(folder / "m.ENC", Enciphered(second, imagestore::DeriveKey(kResultsPassPhrase)));
  const std::pair<std::string, std::pair<std::string, std::string>> cases[] = {
      {"-f -o '" + (folder / "o") + "' '" + (folder / "a/r.enc") + "' '" + (folder / "b/r.enc") +
           "'",
       {folder / "a/r.enc", folder / "b/r.enc"}},
      {"-f '" + (folder / "m.enc") + "' '" + (folder / "m.ENC") + "'",
       {folder / "m.enc", folder / "m.ENC"}}};
  const std::string outputs[] = {folder / "o/r.xls", folder / "m.xls"};
  for (size_t i = 0; i < 2; ++i) {
    const auto& [arguments, inputs] = cases[i];
    SCOPED_TRACE(arguments);
    std::string out;
    std::string err;
    EXPECT_EQ(RunTool(arguments, logs, out, err), 1);
    EXPECT_EQ(ReadBytes(outputs[i]), kResults);  // the first input's results, not replaced
    EXPECT_EQ(err, "talvex-unseal: \"" + inputs.second + "\" is not unsealed: \"" + inputs.first +
                       "\" was unsealed into the same file \"" + outputs[i] + "\"\n");
  }
}

#endif

#ifdef _WIN32  // the Windows tool, its names handed over as Windows hands them
// A rater whose ID has an accent, in folders whose names have one: the tool takes its command
// line as UTF-16, opens the files by those names and prints them as UTF-8 into a file.
TEST(UnsealTool, NamesBeyondAsciiOnAWindowsCommandLine) {
  ScratchFolder folder;
  const std::string sealedFolder = folder / "Bilder-\xC3\xA4";
  const std::string outputFolder = folder / "Ergebnisse-\xC3\xA4";
  ASSERT_TRUE(platform::CreateFolder(sealedFolder).Ok());
  ASSERT_TRUE(platform::CreateFolder(outputFolder).Ok());
  const std::string sealed = sealedFolder + "/J\xC3\xB6rg 09122026 1405.enc";
  WriteBytes(sealed, Enciphered(kResults, imagestore::DeriveKey(kResultsPassPhrase)));
  EXPECT_EQ(testing::RunWithWideCommandLine(TALVEX_UNSEAL_TOOL, {"-o", outputFolder, sealed},
                                            folder / "stdout", folder / "stderr"),
            0)
      << ReadBytes(folder / "stderr");
  EXPECT_EQ(ReadBytes(outputFolder + "/J\xC3\xB6rg 09122026 1405.xls"), kResults);
  EXPECT_NE(ReadBytes(folder / "stdout").find(sealed + " -> "), std::string::npos)
      << ReadBytes(folder / "stdout");
}
#endif

}  // namespace
}  // namespace talvex::results
