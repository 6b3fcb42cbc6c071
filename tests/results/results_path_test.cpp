#include "talvex/results/results_path.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <functional>

#include "fake_system.h"
#ifndef _WIN32
#include "file_hazards.h"
#endif
#include "scratch_folder.h"
#include "talvex/exception.h"
#include "talvex/held_file.h"
#include "talvex/platform/paths.h"
#include "talvex/results/drive_probe.h"
#include "talvex/results/io_errors.h"
#include "talvex/results/rater_id.h"
#include "talvex/results/trial_row.h"
#ifdef _WIN32
#include "talvex/platform/windows_system.h"
#endif

namespace talvex::results {
namespace {

using testing::At;
using testing::DayFirstLocale;
using testing::FakeSystem;
using testing::MonthFirstLocale;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

const std::string kDefaultParams = "10000 0.1 0.3 1 (by default)";
const std::string kHeader = "name\tdate\ttime\tn\tstatus\timgname\tresponse\tlatency";

// The I/O error a call raises: its code and message.
template <typename Call>
std::pair<int, std::string> IoErrorOf(Call call) {
  try {
    call();
  } catch (const EInOutError& error) {
    return {error.ErrorCode(), error.what()};
  }
  return {0, "no error"};
}

TrialRow Row(int n, const std::string& id = "k4T19") {
  TrialRow row;
  row.raterId = id;
  row.trialCount = n;
  row.imageName = "pos\tg (12).ccc";
  row.response = 2;
  row.latency = 1874;
  return row;
}

// A folder for the program and a system at 14:05:09 on 7 December 2026, day first.
class ResultsLog : public ::testing::Test {
 protected:
  ResultsLog() {
    system.locale = DayFirstLocale();
    system.now = At(2026, 12, 7, 14, 5, 9);
  }
  ResultsFile Start(const std::string& id = "k4T19") {
    return MakeResultsPath(system, place, id, kDefaultParams);
  }
  std::string TempPath(const std::string& name) const { return system.tempFolder + name; }
  std::string ResultsFolderPath(const std::string& name) const {
    return folder.Path() + "/results" + kPathSeparator + name;
  }

  ScratchFolder folder;
  FakeSystem system;
  const ResultsPlace place{folder.Path() + "/", false};
};
using RaterId = ResultsLog;

// An I/O error naming its file.
std::pair<int, std::string> IoError(int code, const char* message, const std::string& path) {
  return {code, std::string(message) + ": \"" + path + "\""};
}

TEST(IoErrorMessage, MessagesByCode) {
  const std::pair<int, const char*> cases[] = {{2, "File not found"},
                                               {3, "Invalid filename"},
                                               {4, "Too many open files"},
                                               {5, "File access denied"},
                                               {100, "Read beyond end of file"},
                                               {101, "Disk full"},
                                               {106, "Invalid numeric input"},
                                               {17, "I/O error 17"},
                                               {-1, "I/O error -1"}};
  for (const auto& [code, message] : cases) EXPECT_EQ(IoErrorMessage(code), message) << code;
}

TEST(DrivePart, DriveLettersSharesAndFolders) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Study\\talvex.exe", "C:"},
      {"\\\\server\\share\\x.exe", "\\\\server\\share"},
      {"\\\\server", "\\\\server"},
      {"/media/cdrom/talvex", "/media/cdrom/"},
      {"/talvex", "/"},
      {"talvex", ""},
      {"", ""}};
  for (const auto& [path, drive] : cases) EXPECT_EQ(DrivePart(path), drive) << path;

  FakeSystem system;  // the probe asks for the drive of the program
  system.driveKinds["/media/cdrom/"] = kDriveCdRom;
  EXPECT_TRUE(ProbeOnCdRom(system, "/media/cdrom/talvex"));
  EXPECT_FALSE(ProbeOnCdRom(system, "/opt/talvex/talvex"));
  EXPECT_EQ(system.drivesAsked, (std::vector<std::string>{"/media/cdrom/", "/opt/talvex/"}));
}

TEST_F(ResultsLog, WorkedExamplesByteForByte) {
  struct Case {
    LocaleValues locale;
    std::string name;
    std::string dateAndTime;
  };
  const Case cases[] = {{DayFirstLocale(), "k4T19 07122026 1405.xls", "07/12/2026\t14:05:31"},
                        {MonthFirstLocale(), "k4T19 1272026 205.xls", "12/7/2026\t2:05:31 PM"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    system.locale = c.locale;
    system.now = At(2026, 12, 7, 14, 5, 9);
    const ResultsFile file = Start();
    EXPECT_EQ(file.path, ResultsFolderPath(c.name));
    EXPECT_FALSE(file.inTemporaryFolder);
    // The file is made at Start with its first two lines.
    EXPECT_EQ(ReadBytes(file.path), kDefaultParams + "\r\n" + kHeader + "\r\n");
    system.now = At(2026, 12, 7, 14, 5, 31);
    AppendTrialRow(system, file, Row(1));
    EXPECT_EQ(ReadBytes(file.path), kDefaultParams + "\r\n" + kHeader + "\r\nk4T19\t" +
                                        c.dateAndTime + "\t1\tpos\tg (12).ccc\t2\t1874\r\n");
  }
}

TEST(ResultsPath, NameStamps) {
  LocaleValues dotted = DayFirstLocale();
  dotted.dateSeparator = ".";
  dotted.timeSeparator = ".";
  // A designator before the time counts in the five characters of the time text, and is
  // never split.
  LocaleValues designatorFirst;
  designatorFirst.designatorBeforeTime = true;
  designatorFirst.pmDesignator = "\xE5\x8D\x88\xE5\xBE\x8C";  // two characters, six bytes
  const std::tuple<LocaleValues, LocalTime, std::string> cases[] = {
      {DayFirstLocale(), At(2026, 12, 7, 20, 27, 13), "07122026 2027"},
      {MonthFirstLocale(), At(2026, 12, 7, 20, 27, 13), "1272026 827"},
      {MonthFirstLocale(), At(2026, 12, 7, 10, 5, 9), "1272026 1005"},
      {MonthFirstLocale(), At(2026, 1, 12, 8, 27, 0), "1122026 827"},
      {dotted, At(2026, 12, 7, 20, 27, 13), "07.12.2026 20.27"},
      {designatorFirst, At(2026, 12, 7, 20, 27, 13), "1272026 \xE5\x8D\x88\xE5\xBE\x8C 8"},
  };
  ScratchFolder temp;
  for (const auto& [locale, time, stamps] : cases) {
    FakeSystem system;
    system.tempFolder = temp.Path() + "/";
    system.locale = locale;
    system.now = time;
    EXPECT_EQ(MakeResultsPath(system, ResultsPlace{"/nowhere/", true}, "id", "p").path,
              temp.Path() + "/id " + stamps + ".xls");
  }
}

TEST_F(ResultsLog, CdRomAndUnwritableProgramFoldersUseTheTemporaryFolder) {
  // Not even root can make a results folder in /proc.
  for (const ResultsPlace& where :
       {ResultsPlace{place.programFolder, true}, ResultsPlace{"/proc/", false}}) {
    const ResultsFile file = MakeResultsPath(system, where, "a", kDefaultParams);
    EXPECT_TRUE(file.inTemporaryFolder);
    EXPECT_EQ(file.path.rfind(TempPath("a 07122026 1405"), 0), 0u) << file.path;
  }
  EXPECT_EQ(testing::EntryCount(folder.Path()), 0u);
  EXPECT_EQ(testing::EntryCount(system.tempFolder), 2u);
}

TEST_F(ResultsLog, TwoRunsInOneMinuteGetTwoFilesEachWithItsOwnRows) {
  const ResultsFile first = Start();
  const ResultsFile second = Start();
  EXPECT_EQ(first.path, ResultsFolderPath("k4T19 07122026 1405.xls"));
  EXPECT_EQ(second.path, ResultsFolderPath("k4T19 07122026 1405 (2).xls"));
  EXPECT_NE(first.identity, second.identity);
  for (int n = 1; n <= 2; ++n) {
    AppendTrialRow(system, first, Row(n));
    AppendTrialRow(system, second, Row(n, "k4T19b"));
  }
  for (const auto& [file, id] : {std::pair{first, "k4T19"}, std::pair{second, "k4T19b"}}) {
    const std::string rows = std::string(id) +
                             "\t07/12/2026\t14:05:09\t1\tpos\tg (12).ccc\t2\t1874\r\n" + id +
                             "\t07/12/2026\t14:05:09\t2\tpos\tg (12).ccc\t2\t1874\r\n";
    EXPECT_EQ(ReadBytes(file.path), kDefaultParams + "\r\n" + kHeader + "\r\n" + rows);
  }
}

#ifndef _WIN32  // links, pipes, advisory locks, file-size limits, users
TEST_F(ResultsLog, NothingAlreadyAtANameIsTakenOver) {
  // A file, a folder, a pipe, a link, and a sealed file and a run file of earlier runs under the
  // name's sealed and run forms: each name is passed over, and each thing is left as it was.
  std::filesystem::create_directory(folder / "results");
  WriteBytes(ResultsFolderPath("k4T19 07122026 1405.xls"), "forged first lines\r\n");
  std::filesystem::create_directory(ResultsFolderPath("k4T19 07122026 1405 (2).xls"));
  ASSERT_TRUE(testing::MakePipe(ResultsFolderPath("k4T19 07122026 1405 (3).xls")));
  std::filesystem::create_symlink(folder / "elsewhere",
                                  ResultsFolderPath("k4T19 07122026 1405 (4).xls"));
  WriteBytes(ResultsFolderPath("k4T19 07122026 1405 (5).enc"), "sealed earlier");
  WriteBytes(ResultsFolderPath("k4T19 07122026 1405 (6).run"), "planned earlier");
  testing::Watchdog watchdog(20);
  const ResultsFile file = Start();
  EXPECT_EQ(file.path, ResultsFolderPath("k4T19 07122026 1405 (7).xls"));
  AppendTrialRow(system, file, Row(1));
  EXPECT_EQ(ReadBytes(ResultsFolderPath("k4T19 07122026 1405.xls")), "forged first lines\r\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "elsewhere"));
  EXPECT_FALSE(std::filesystem::exists(ResultsFolderPath("k4T19 07122026 1405 (5).xls")));
  EXPECT_EQ(ReadBytes(ResultsFolderPath("k4T19 07122026 1405 (6).run")), "planned earlier");
}
#endif

#ifndef _WIN32  // links, pipes, advisory locks, file-size limits, users
TEST_F(ResultsLog, AppendGoesOnlyToTheFileMadeAtStart) {
  testing::Watchdog watchdog(20);  // a pipe must be refused, not waited on
  const ResultsFile file = Start();
  const std::string moved = folder / "moved.xls";
  const std::string firstLines = kDefaultParams + "\r\n" + kHeader + "\r\n";
  // Once the run's file has been moved away: another file, a link to the run's own file, a
  // pipe. None of them takes the row, and nothing is written anywhere.
  const std::function<void()> impostors[] = {
      [&] { WriteBytes(file.path, "another run\r\n"); },
      [&] { std::filesystem::create_symlink(moved, file.path); },
      [&] { ASSERT_TRUE(testing::MakePipe(file.path)); }};
  std::filesystem::rename(file.path, moved);
  for (const auto& impostor : impostors) {
    impostor();
    EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, file, Row(1)); }),
              IoError(1006, "File replaced by another file", file.path));
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(file.path))) {
      EXPECT_EQ(ReadBytes(file.path), "another run\r\n");
    }
    std::filesystem::remove(file.path);
  }
  EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, file, Row(1)); }),
            IoError(2, "File not found", file.path));
  EXPECT_EQ(ReadBytes(moved), firstLines);
  // Back in its place, the file takes the row.
  std::filesystem::rename(moved, file.path);
  AppendTrialRow(system, file, Row(1));
  EXPECT_GT(ReadBytes(file.path).size(), firstLines.size());
}
#endif

#ifndef _WIN32  // links, pipes, advisory locks, file-size limits, users
TEST_F(ResultsLog, ResultsFolderThatCannotHoldTheFileLeavesTheTemporaryFolder) {
  WriteBytes(folder / "plain", "");
  std::filesystem::create_directory(folder / "with-file");
  WriteBytes(folder / "with-file/results", "a file named results");
  for (const std::string& programFolder :
       {folder / "plain/", folder / "a/b/", folder / "with-file/", std::string("/proc/")}) {
    SCOPED_TRACE(programFolder);
    const ResultsFile file =
        MakeResultsPath(system, ResultsPlace{programFolder, false}, "id", kDefaultParams);
    EXPECT_TRUE(file.inTemporaryFolder);
    EXPECT_EQ(file.path.rfind(TempPath("id 07122026 1405"), 0), 0u) << file.path;
    EXPECT_EQ(ReadBytes(file.path), kDefaultParams + "\r\n" + kHeader + "\r\n");
  }
  EXPECT_EQ(ReadBytes(folder / "with-file/results"), "a file named results");

  // When the temporary folder fails as well, the error names the results folder.
  system.tempFolder = folder / "no-temp/";
  EXPECT_EQ(IoErrorOf([&] {
              MakeResultsPath(system, ResultsPlace{folder / "with-file/", false}, "id", "");
            }),
            IoError(3, "Invalid filename", folder / "with-file/results/"));
}
#endif

#ifndef _WIN32  // links, pipes, advisory locks, file-size limits, users
TEST_F(ResultsLog, ResultsFolderWithoutWriteAccessLeavesTheTemporaryFolder) {
  // A shared PC where an earlier user made the results folder for themselves only.
  std::filesystem::create_directory(folder / "results");
  std::filesystem::permissions(
      folder.Path(), std::filesystem::perms::owner_all | std::filesystem::perms::others_exec);
  std::filesystem::permissions(
      folder / "results", std::filesystem::perms::owner_all | std::filesystem::perms::others_exec);
  std::filesystem::permissions(system.tempFolder, std::filesystem::perms::all);
  const int code = testing::RunUnprivileged([&] {
    const ResultsFile file = Start();
    return file.inTemporaryFolder && file.path == TempPath("k4T19 07122026 1405.xls") ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(testing::EntryCount(folder / "results"), 0u);
  EXPECT_TRUE(std::filesystem::exists(TempPath("k4T19 07122026 1405.xls")));
}
#endif

TEST_F(RaterId, UnsafeIdsAreRefusedAndMakeNoPathAndNoFile) {
  // Windows' device names are whole names before a dot; names that only begin like one are not.
  for (const std::string id : {"k4T19", " k4T19", "a.b .. c", "M\xC3\xBCller", "COM0", "LPT10",
                               "CONSOLE", "NULL", "xCON", "COM1x", "AUX_1", "con-1.x"}) {
    EXPECT_EQ(RaterIdRefusal(system, id), "") << id;
  }
  EXPECT_TRUE(IsUsableRaterId(system, std::string(kMaxRaterIdBytes, 'x')));
  EXPECT_EQ(RaterIdRefusal(system, std::string(kMaxRaterIdBytes + 1, 'x')),
            "This ID is too long. Please use at most 147 letters and digits.");
  std::vector<std::string> refused = {
      "a/b",    "..\\x",     ".",          "..",           "a\tb",   "a\nb",       "\x7f",
      "x\r",    " ",         "   ",        "../../escape", "/tmp/x", "k:9",        "a*b",
      "a<b",    "a>b",       "a\"b",       "a|b",          "a?b",    "a.",         "a ",
      "CON",    "nul.x",     "Com1",       "lpt9.txt",     "aux",    "PRN.tar.gz", "NUL .x",
      "CONIN$", "conout$.x", "COM\xC2\xB9"};
  refused.push_back(std::string("a\0b", 3));
  for (const std::string& id : refused) {
    EXPECT_EQ(RaterIdRefusal(system, id), kUnusableIdMessage) << id;
    std::pair<int, std::string> expected = IoError(3, "Invalid filename", id);
    expected.second = expected.second.c_str();  // a message ends at a NUL
    EXPECT_EQ(IoErrorOf([&] { Start(id); }), expected) << id;
  }
  EXPECT_EQ(testing::EntryCount(folder.Path()), 0u);
}

TEST_F(RaterId, LongestIdStaysWithinTheNameLimit) {
  const ResultsFile file = Start(std::string(kMaxRaterIdBytes, 'x'));
  AppendTrialRow(system, file, Row(1));
  EXPECT_TRUE(std::filesystem::exists(file.path));
  // A date pattern far longer than any locale's still cannot make a name the system refuses.
  system.locale.shortDatePattern = "'" + std::string(160, 'x') + "'";
  EXPECT_EQ(IoErrorOf([&] { Start(std::string(100, 'x')); }).first, 3);
}

TEST_F(ResultsLog, EachAppendAddsOneRowAndNothingElse) {
  const ResultsFile file = Start();
  system.now = At(2026, 12, 7, 14, 5, 31);
  AppendTrialRow(system, file, Row(1));
  TrialRow second = Row(2, "a\tb");
  second.imageName = "neg\tc (3).ccc";
  second.response = 5;
  second.latency = -1;
  system.now = At(2026, 12, 8, 0, 0, 1);
  AppendTrialRow(system, file, second);
  EXPECT_EQ(ReadBytes(file.path),
            kDefaultParams + "\r\n" + kHeader + "\r\n" +
                "k4T19\t07/12/2026\t14:05:31\t1\tpos\tg (12).ccc\t2\t1874\r\n" +
                "a\tb\t08/12/2026\t00:00:01\t2\tneg\tc (3).ccc\t5\t-1\r\n");
}

TEST_F(ResultsLog, RowsAreInTheCharacterSetOfTheFilesAndTheNameKeepsTheId) {
  system.latin1Files = true;  // a Windows machine whose ANSI code page is Latin-1
  system.locale = MonthFirstLocale();
  system.locale.dateSeparator = ".";
  system.locale.pmDesignator = "\xE5\x8D\x88\xE5\xBE\x8C";  // beyond Latin-1: PM stands in
  const ResultsFile file = Start("J\xC3\xBCrgen");
  EXPECT_EQ(file.path, ResultsFolderPath("J\xC3\xBCrgen 12.7.2026 205.xls"));
  system.now = At(2026, 12, 7, 14, 5, 31);
  AppendTrialRow(system, file, Row(1, "J\xC3\xBCrgen"));
  const std::string rows = "J\xFCrgen\t12.7.2026\t2:05:31 PM\t1\tpos\tg (12).ccc\t2\t1874\r\n";
  EXPECT_EQ(ReadBytes(file.path), kDefaultParams + "\r\n" + kHeader + "\r\n" + rows);
  // Never a stand-in character for one of the ID: the row is refused whole.
  try {
    AppendTrialRow(system, file, Row(2, "\xC5\x81ukasz"));
    ADD_FAILURE() << "an ID the file cannot hold was written";
  } catch (const Exception& error) {
    EXPECT_EQ(std::string(error.what()), kUnwritableIdMessage);
  }
  EXPECT_EQ(ReadBytes(file.path), kDefaultParams + "\r\n" + kHeader + "\r\n" + rows);
}

#ifdef _WIN32  // the system's own ANSI code page
TEST_F(ResultsLog, WindowsWritesTheRowsInItsCodePageAndTheNameInUnicode) {
  platform::WindowsSystem windows;
  if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP() << ", not 1252";
  const ResultsFile file = MakeResultsPath(windows, place, "J\xC3\xBCrgen", kDefaultParams);
  AppendTrialRow(windows, file, Row(1, "J\xC3\xBCrgen"));
  EXPECT_NE(file.path.find("\\J\xC3\xBCrgen "), std::string::npos) << file.path;
  const std::string rows = ReadBytes(file.path).substr(kDefaultParams.size() + kHeader.size() + 4);
  EXPECT_EQ(rows.substr(0, 7), "J\xFCrgen\t");
  EXPECT_EQ(RaterIdRefusal(windows, "\xC5\x81ukasz"), kUnwritableIdMessage);
}
#endif

TEST_F(ResultsLog, FileHeldByAnotherProgramIsRefused) {
  const ResultsFile file = Start();
  AppendTrialRow(system, file, Row(1));
  const std::string before = ReadBytes(file.path);
  {
    const talvex::testing::ExclusiveHold other(file.path);
    ASSERT_TRUE(other.Held());
    EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, file, Row(2)); }),
              IoError(32, "I/O error 32", file.path));
  }
  EXPECT_EQ(ReadBytes(file.path), before);
}

#ifndef _WIN32  // links, pipes, advisory locks, file-size limits, users
TEST_F(ResultsLog, PartRowIsTakenBackSoTheRetryIsClean) {
  const ResultsFile file = Start();
  AppendTrialRow(system, file, Row(1));
  const std::string before = ReadBytes(file.path);
  {
    testing::FileSizeLimit limit(before.size() + 10);  // the next row stops after 10 bytes
    EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, file, Row(2)); }),
              IoError(101, "Disk full", file.path));
  }
  EXPECT_EQ(ReadBytes(file.path), before);
  AppendTrialRow(system, file, Row(2));
  EXPECT_EQ(ReadBytes(file.path).size(), before.size() + before.size() - before.find("k4T19"));
}
#endif

#ifndef _WIN32  // links, pipes, advisory locks, file-size limits, users
TEST_F(ResultsLog, StartThatCannotWriteTheFirstLinesLeavesNoFile) {
  {
    testing::FileSizeLimit limit(20);  // not even the parameter line and the header fit, anywhere
    EXPECT_EQ(IoErrorOf([&] { Start(); }),
              IoError(101, "Disk full", ResultsFolderPath("k4T19 07122026 1405.xls")));
  }
  EXPECT_EQ(testing::EntryCount(folder / "results"), 0u);
  EXPECT_EQ(testing::EntryCount(system.tempFolder), 0u);
  EXPECT_EQ(Start().path, ResultsFolderPath("k4T19 07122026 1405.xls"));
}
#endif

}  // namespace
}  // namespace talvex::results
