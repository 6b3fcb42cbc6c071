#include "talvex/results/results_log.h"

#include <gtest/gtest.h>
#include <sys/file.h>

#include <filesystem>

#include "fake_system.h"
#include "scratch_folder.h"
#include "talvex/exception.h"

namespace talvex::results {
namespace {

using testing::At;
using testing::DayFirstLocale;
using testing::FakeSystem;
using testing::FileSizeLimit;
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

std::pair<int, std::string> IoError(int code, const char* message) {
  return {code, message};
}

TrialRow Row(int n, const std::string& id = "k4T19") {
  TrialRow row;
  row.paramLine = kDefaultParams;
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
  ScratchFolder folder;
  FakeSystem system;
  const ResultsPlace place{folder.Path() + "/", false, true};
};
using RaterId = ResultsLog;

TEST(DateText, ShortDatePatterns) {
  const LocalTime day = At(2026, 12, 7, 14, 5, 9);
  LocaleValues locale = DayFirstLocale();
  EXPECT_EQ(DateText(day, locale), "07/12/2026");
  EXPECT_EQ(DateText(day, MonthFirstLocale()), "12/7/2026");
  locale.dateSeparator = ".";
  EXPECT_EQ(DateText(day, locale), "07.12.2026");
  locale.shortDatePattern = "yy/M/d";
  locale.dateSeparator = "-";
  EXPECT_EQ(DateText(At(2005, 3, 4, 0, 0, 0), locale), "05-3-4");
  locale.shortDatePattern = "";  // no pattern from the locale
  EXPECT_EQ(DateText(day, locale), "12-7-26");
}

TEST(DateText, QuotedLiteralsAndNames) {
  const LocalTime day = At(2026, 12, 7, 14, 5, 9);
  LocaleValues locale;
  locale.shortDatePattern = "yyyy/MM'\xE6\x9C\x88'dd'\xE6\x97\xA5'";
  locale.dateSeparator = "\xE5\xB9\xB4";
  EXPECT_EQ(DateText(day, locale),
            "2026\xE5\xB9\xB4"
            "12\xE6\x9C\x88"
            "07\xE6\x97\xA5");
  locale.shortDatePattern = "dddd, MMMM d, yyyy 'day''s' ddd MMM";
  EXPECT_EQ(DateText(day, locale), "Monday, December 7, 2026 day's Mon Dec");
}

TEST(TimeText, ClockForms) {
  LocaleValues locale = DayFirstLocale();
  EXPECT_EQ(TimeText(At(2026, 12, 7, 14, 5, 31), locale), "14:05:31");
  EXPECT_EQ(TimeText(At(2026, 12, 7, 8, 5, 9), locale), "08:05:09");
  locale.hourLeadingZero = false;
  EXPECT_EQ(TimeText(At(2026, 12, 7, 8, 5, 9), locale), "8:05:09");

  locale = MonthFirstLocale();
  EXPECT_EQ(TimeText(At(2026, 12, 7, 20, 27, 13), locale), "8:27:13 PM");
  EXPECT_EQ(TimeText(At(2026, 12, 7, 0, 0, 5), locale), "12:00:05 AM");
  EXPECT_EQ(TimeText(At(2026, 12, 7, 12, 30, 0), locale), "12:30:00 PM");
  locale.designatorBeforeTime = true;
  locale.hourLeadingZero = true;
  EXPECT_EQ(TimeText(At(2026, 12, 7, 9, 1, 2), locale), "AM 09:01:02");
  locale.amDesignator = "";
  EXPECT_EQ(TimeText(At(2026, 12, 7, 9, 1, 2), locale), "09:01:02");
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
    const std::string path = MakeResultsPath(system, place, "k4T19");
    EXPECT_EQ(path, folder.Path() + "/results/" + c.name);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "results"));
    EXPECT_FALSE(std::filesystem::exists(path));  // the file comes with the first row
    system.now = At(2026, 12, 7, 14, 5, 31);
    AppendTrialRow(system, path, Row(1));
    EXPECT_EQ(ReadBytes(path), kDefaultParams + "\r\n" + kHeader + "\r\nk4T19\t" + c.dateAndTime +
                                   "\t1\tpos\tg (12).ccc\t2\t1874\r\n");
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
    EXPECT_EQ(MakeResultsPath(system, ResultsPlace{"/nowhere/", true, true}, "id"),
              temp.Path() + "/id " + stamps + ".xls");
  }
}

TEST_F(ResultsLog, CdRomAndUnwritableProgramFoldersUseTheTemporaryFolder) {
  ScratchFolder temp;
  system.tempFolder = temp.Path() + "/";
  EXPECT_EQ(MakeResultsPath(system, ResultsPlace{place.programFolder, true, true}, "a"),
            temp.Path() + "/a 07122026 1405.xls");
  EXPECT_EQ(MakeResultsPath(system, ResultsPlace{place.programFolder, false, false}, "a"),
            temp.Path() + "/a 07122026 1405.xls");
  EXPECT_EQ(testing::EntryCount(folder.Path()), 0u);
  EXPECT_EQ(testing::EntryCount(temp.Path()), 0u);
}

TEST_F(ResultsLog, AnExistingFileGetsAFreshName) {
  const std::string first = MakeResultsPath(system, place, "k4T19");
  AppendTrialRow(system, first, Row(1));
  const std::string second = MakeResultsPath(system, place, "k4T19");
  EXPECT_EQ(second, folder.Path() + "/results/k4T19 07122026 1405 (2).xls");
  std::filesystem::create_directory(second);  // anything under the name is skipped
  EXPECT_EQ(MakeResultsPath(system, place, "k4T19"),
            folder.Path() + "/results/k4T19 07122026 1405 (3).xls");
  // The earlier run's file is untouched.
  EXPECT_EQ(ReadBytes(first).substr(0, kDefaultParams.size()), kDefaultParams);
}

TEST_F(ResultsLog, ResultsFolderThatCannotBeMade) {
  WriteBytes(folder / "plain", "");
  EXPECT_EQ(IoErrorOf([&] {
              MakeResultsPath(system, ResultsPlace{folder / "plain/", false, true}, "id");
            }),
            IoError(3, "Invalid filename"));
  EXPECT_EQ(IoErrorOf([&] {
              MakeResultsPath(system, ResultsPlace{folder / "a/b/", false, true}, "id");
            }),
            IoError(2, "File not found"));
}

TEST_F(RaterId, UnsafeIdsAreRefusedAndMakeNoPathAndNoFile) {
  for (const std::string id : {"k4T19", " ", "a.b .. c", "M\xC3\xBCller"}) {
    EXPECT_TRUE(IsUsableRaterId(id)) << id;
  }
  EXPECT_TRUE(IsUsableRaterId(std::string(kMaxRaterIdBytes, 'x')));
  EXPECT_FALSE(IsUsableRaterId(std::string(kMaxRaterIdBytes + 1, 'x')));
  std::vector<std::string> refused = {"a/b",  "..\\x", ".",   "..",           "a\tb",
                                      "a\nb", "\x7f",  "x\r", "../../escape", "/tmp/x"};
  refused.push_back(std::string("a\0b", 3));
  for (const std::string& id : refused) {
    EXPECT_FALSE(IsUsableRaterId(id)) << id;
    EXPECT_EQ(IoErrorOf([&] { MakeResultsPath(system, place, id); }),
              IoError(3, "Invalid filename"))
        << id;
  }
  EXPECT_EQ(testing::EntryCount(folder.Path()), 0u);
}

TEST_F(RaterId, LongestIdStaysWithinTheNameLimit) {
  const std::string path = MakeResultsPath(system, place, std::string(kMaxRaterIdBytes, 'x'));
  AppendTrialRow(system, path, Row(1));
  EXPECT_TRUE(std::filesystem::exists(path));
  // A date pattern far longer than any locale's still cannot make a name the system refuses.
  system.locale.shortDatePattern = "'" + std::string(160, 'x') + "'";
  EXPECT_EQ(IoErrorOf([&] { MakeResultsPath(system, place, std::string(100, 'x')); }),
            IoError(3, "Invalid filename"));
}

TEST_F(ResultsLog, AppendCreatesHeaderOnce) {
  const std::string path = folder / "r.xls";
  system.now = At(2026, 12, 7, 14, 5, 31);
  AppendTrialRow(system, path, Row(1));
  TrialRow second = Row(2);
  second.paramLine = "must not appear";
  second.imageName = "neg\tc (3).ccc";
  second.response = 5;
  second.latency = -1;
  system.now = At(2026, 12, 8, 0, 0, 1);
  AppendTrialRow(system, path, second);
  EXPECT_EQ(ReadBytes(path), kDefaultParams + "\r\n" + kHeader + "\r\n" +
                                 "k4T19\t07/12/2026\t14:05:31\t1\tpos\tg (12).ccc\t2\t1874\r\n" +
                                 "k4T19\t08/12/2026\t00:00:01\t2\tneg\tc (3).ccc\t5\t-1\r\n");
}

TEST_F(ResultsLog, ExistingFileKeepsItsContentsAndGetsNoNewHeader) {
  const std::string path = folder / "r.xls";
  WriteBytes(path, "earlier run\r\n");
  AppendTrialRow(system, path, Row(1, "a\tb"));
  EXPECT_EQ(ReadBytes(path),
            "earlier run\r\na\tb\t07/12/2026\t14:05:09\t1\tpos\tg (12).ccc\t2\t1874\r\n");
}

TEST_F(ResultsLog, AppendFailuresGiveTheirMessages) {
  WriteBytes(folder / "plain", "");
  std::filesystem::create_directory(folder / "sub");
  const std::pair<std::string, std::pair<int, std::string>> cases[] = {
      {folder / "missing/r.xls", IoError(2, "File not found")},
      {folder / "plain/r.xls", IoError(3, "Invalid filename")},
      {folder / "sub", IoError(5, "File access denied")},
      {"/dev/full", IoError(101, "Disk full")}};
  for (const auto& [path, error] : cases) {
    EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, path, Row(1)); }), error) << path;
  }
}

TEST_F(ResultsLog, FileHeldByAnotherProgramIsRefused) {
  const std::string path = folder / "r.xls";
  AppendTrialRow(system, path, Row(1));
  const std::string before = ReadBytes(path);
  FILE* other = fopen(path.c_str(), "r");
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(flock(fileno(other), LOCK_EX), 0);
  EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, path, Row(2)); }), IoError(32, "I/O error 32"));
  fclose(other);
  EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(ResultsLog, PartRowIsTakenBackSoTheRetryIsClean) {
  const std::string path = folder / "r.xls";
  AppendTrialRow(system, path, Row(1));
  const std::string before = ReadBytes(path);
  {
    FileSizeLimit limit(before.size() + 10);  // the next row stops after 10 bytes
    EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, path, Row(2)); }).first, EFBIG);
  }
  EXPECT_EQ(ReadBytes(path), before);
  AppendTrialRow(system, path, Row(2));
  EXPECT_EQ(ReadBytes(path).size(), before.size() + before.size() - before.find("k4T19"));
}

TEST_F(ResultsLog, FirstRowThatFailsLeavesNoHeaderlessFile) {
  const std::string path = folder / "r.xls";
  {
    FileSizeLimit limit(20);  // not even the parameter line and the header fit
    EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, path, Row(1)); }).first, EFBIG);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  AppendTrialRow(system, path, Row(1));
  EXPECT_EQ(ReadBytes(path).substr(0, kDefaultParams.size() + 2), kDefaultParams + "\r\n");
}

}  // namespace
}  // namespace talvex::results
