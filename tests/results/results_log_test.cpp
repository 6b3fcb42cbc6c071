#include "talvex/results/results_log.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>

#include <filesystem>

#include "fake_system.h"
#include "scratch_folder.h"
#include "talvex/exception.h"

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

// Caps the size of files this process writes, so that a write stops part way.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

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
  row.paramLine = kDefaultParams;
  row.raterId = id;
  row.trialCount = n;
  row.imageName = "pos\tg (12).ccc";
  row.response = 2;
  row.latency = 1874;
  return row;
}

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
  EXPECT_EQ(IoErrorMessage(2), "File not found");
  EXPECT_EQ(IoErrorMessage(3), "Invalid filename");
  EXPECT_EQ(IoErrorMessage(4), "Too many open files");
  EXPECT_EQ(IoErrorMessage(5), "File access denied");
  EXPECT_EQ(IoErrorMessage(100), "Read beyond end of file");
  EXPECT_EQ(IoErrorMessage(101), "Disk full");
  EXPECT_EQ(IoErrorMessage(106), "Invalid numeric input");
  EXPECT_EQ(IoErrorMessage(17), "I/O error 17");
  EXPECT_EQ(IoErrorMessage(-1), "I/O error -1");
}

TEST(DrivePart, DriveLettersSharesAndFolders) {
  EXPECT_EQ(DrivePart("C:\\Study\\talvex.exe"), "C:");
  EXPECT_EQ(DrivePart("\\\\server\\share\\x.exe"), "\\\\server\\share");
  EXPECT_EQ(DrivePart("\\\\server"), "\\\\server");
  EXPECT_EQ(DrivePart("/media/cdrom/talvex"), "/media/cdrom/");
  EXPECT_EQ(DrivePart("/talvex"), "/");
  EXPECT_EQ(DrivePart("talvex"), "");
  EXPECT_EQ(DrivePart(""), "");
}

TEST(DrivePart, ProbeAsksForTheDriveOfTheProgram) {
  FakeSystem system;
  system.driveKinds["/media/cdrom/"] = kDriveCdRom;
  EXPECT_TRUE(ProbeOnCdRom(system, "/media/cdrom/talvex"));
  EXPECT_FALSE(ProbeOnCdRom(system, "/opt/talvex/talvex"));
  EXPECT_EQ(system.drivesAsked, (std::vector<std::string>{"/media/cdrom/", "/opt/talvex/"}));
}

TEST(ResultsLog, WorkedExampleByteForByte) {
  ScratchFolder program;
  FakeSystem system;
  system.locale = DayFirstLocale();
  system.now = At(2026, 12, 7, 14, 5, 9);
  const ResultsPlace place{program.Path() + "/", false, true};
  const std::string path = MakeResultsPath(system, place, "k4T19");
  EXPECT_EQ(path, program.Path() + "/results/k4T19 07122026 1405.xls");
  EXPECT_TRUE(std::filesystem::is_directory(program / "results"));
  EXPECT_FALSE(std::filesystem::exists(path));  // the file comes with the first row

  system.now = At(2026, 12, 7, 14, 5, 31);
  AppendTrialRow(system, path, Row(1));
  EXPECT_EQ(ReadBytes(path), kDefaultParams + "\r\n" + kHeader + "\r\n" +
                                 "k4T19\t07/12/2026\t14:05:31\t1\tpos\tg (12).ccc\t2\t1874\r\n");
}

TEST(ResultsLog, MonthFirstTwelveHourLocale) {
  ScratchFolder program;
  FakeSystem system;
  system.locale = MonthFirstLocale();
  system.now = At(2026, 12, 7, 14, 5, 9);
  const std::string path =
      MakeResultsPath(system, ResultsPlace{program.Path() + "/", false, true}, "k4T19");
  EXPECT_EQ(path, program.Path() + "/results/k4T19 1272026 205.xls");
  system.now = At(2026, 12, 7, 14, 5, 31);
  AppendTrialRow(system, path, Row(1));
  EXPECT_EQ(ReadBytes(path), kDefaultParams + "\r\n" + kHeader + "\r\n" +
                                 "k4T19\t12/7/2026\t2:05:31 PM\t1\tpos\tg (12).ccc\t2\t1874\r\n");
}

TEST(ResultsLog, NameStamps) {
  struct Case {
    LocaleValues locale;
    LocalTime time;
    std::string stamps;
  };
  LocaleValues dotted = DayFirstLocale();
  dotted.dateSeparator = ".";
  dotted.timeSeparator = ".";
  const Case cases[] = {
      {DayFirstLocale(), At(2026, 12, 7, 20, 27, 13), "07122026 2027"},
      {MonthFirstLocale(), At(2026, 12, 7, 20, 27, 13), "1272026 827"},
      {MonthFirstLocale(), At(2026, 12, 7, 10, 5, 9), "1272026 1005"},
      {MonthFirstLocale(), At(2026, 1, 12, 8, 27, 0), "1122026 827"},
      {dotted, At(2026, 12, 7, 20, 27, 13), "07.12.2026 20.27"},
  };
  ScratchFolder temp;
  for (const Case& c : cases) {
    FakeSystem system;
    system.tempFolder = temp.Path() + "/";
    system.locale = c.locale;
    system.now = c.time;
    EXPECT_EQ(MakeResultsPath(system, ResultsPlace{"/nowhere/", true, true}, "id"),
              temp.Path() + "/id " + c.stamps + ".xls");
  }
}

TEST(ResultsLog, DesignatorBeforeTheTimeCountsInTheFiveCharacters) {
  ScratchFolder temp;
  FakeSystem system;
  system.tempFolder = temp.Path() + "/";
  system.locale.designatorBeforeTime = true;
  system.locale.pmDesignator = "\xE5\x8D\x88\xE5\xBE\x8C";  // two characters, six bytes
  system.now = At(2026, 12, 7, 20, 27, 13);
  // Five characters of the time text, never a split character.
  EXPECT_EQ(MakeResultsPath(system, ResultsPlace{"", true, true}, "id"),
            temp.Path() + "/id 1272026 \xE5\x8D\x88\xE5\xBE\x8C 8.xls");
}

TEST(ResultsLog, CdRomAndUnwritableProgramFoldersUseTheTemporaryFolder) {
  ScratchFolder program;
  ScratchFolder temp;
  FakeSystem system;
  system.tempFolder = temp.Path() + "/";
  system.locale = DayFirstLocale();
  system.now = At(2026, 12, 7, 14, 5, 9);
  EXPECT_EQ(MakeResultsPath(system, ResultsPlace{program.Path() + "/", true, true}, "a"),
            temp.Path() + "/a 07122026 1405.xls");
  EXPECT_EQ(MakeResultsPath(system, ResultsPlace{program.Path() + "/", false, false}, "a"),
            temp.Path() + "/a 07122026 1405.xls");
  EXPECT_EQ(testing::EntryCount(program.Path()), 0u);
  EXPECT_EQ(testing::EntryCount(temp.Path()), 0u);
}

TEST(ResultsLog, AnExistingFileGetsAFreshName) {
  ScratchFolder program;
  FakeSystem system;
  system.locale = DayFirstLocale();
  system.now = At(2026, 12, 7, 14, 5, 9);
  const ResultsPlace place{program.Path() + "/", false, true};
  const std::string first = MakeResultsPath(system, place, "k4T19");
  AppendTrialRow(system, first, Row(1));
  const std::string second = MakeResultsPath(system, place, "k4T19");
  EXPECT_EQ(second, program.Path() + "/results/k4T19 07122026 1405 (2).xls");
  std::filesystem::create_directory(second);  // anything under the name is skipped
  EXPECT_EQ(MakeResultsPath(system, place, "k4T19"),
            program.Path() + "/results/k4T19 07122026 1405 (3).xls");
  // The earlier run's file is untouched.
  EXPECT_EQ(ReadBytes(first).substr(0, kDefaultParams.size()), kDefaultParams);
}

TEST(ResultsLog, ResultsFolderThatCannotBeMade) {
  ScratchFolder scratch;
  WriteBytes(scratch / "plain", "");
  FakeSystem system;
  const auto error = IoErrorOf([&] {
    MakeResultsPath(system, ResultsPlace{scratch / "plain/", false, true}, "id");
  });
  EXPECT_EQ(error, std::make_pair(3, std::string("Invalid filename")));
  EXPECT_EQ(IoErrorOf([&] {
              MakeResultsPath(system, ResultsPlace{scratch / "a/b/", false, true}, "id");
            }),
            std::make_pair(2, std::string("File not found")));
}

TEST(RaterId, UnsafeIdsAreRefused) {
  EXPECT_TRUE(IsUsableRaterId("k4T19"));
  EXPECT_TRUE(IsUsableRaterId(" "));
  EXPECT_TRUE(IsUsableRaterId("a.b .. c"));
  EXPECT_TRUE(IsUsableRaterId("M\xC3\xBCller"));
  EXPECT_TRUE(IsUsableRaterId(std::string(kMaxRaterIdBytes, 'x')));
  EXPECT_FALSE(IsUsableRaterId(std::string(kMaxRaterIdBytes + 1, 'x')));
  for (const char* id : {"a/b", "..\\x", ".", "..", "a\tb", "a\nb", "\x7f", "x\r"}) {
    EXPECT_FALSE(IsUsableRaterId(id)) << id;
  }
  EXPECT_FALSE(IsUsableRaterId(std::string("a\0b", 3)));
}

TEST(RaterId, HostileIdsMakeNoPathAndNoFileOutsideTheResultsFolder) {
  ScratchFolder program;
  FakeSystem system;
  system.locale = DayFirstLocale();
  const ResultsPlace place{program.Path() + "/", false, true};
  for (const char* id : {"../../escape", "/tmp/x", "..", "a\tb"}) {
    EXPECT_EQ(IoErrorOf([&] { MakeResultsPath(system, place, id); }),
              std::make_pair(3, std::string("Invalid filename")))
        << id;
  }
  EXPECT_EQ(testing::EntryCount(program.Path()), 0u);
}

TEST(RaterId, LongestIdStaysWithinTheNameLimit) {
  ScratchFolder program;
  FakeSystem system;
  system.locale = DayFirstLocale();
  const ResultsPlace place{program.Path() + "/", false, true};
  const std::string path = MakeResultsPath(system, place, std::string(kMaxRaterIdBytes, 'x'));
  AppendTrialRow(system, path, Row(1));
  EXPECT_TRUE(std::filesystem::exists(path));
  // A date pattern far longer than any locale's still cannot make a name the system refuses.
  system.locale.shortDatePattern = "'" + std::string(160, 'x') + "'";
  EXPECT_EQ(IoErrorOf([&] { MakeResultsPath(system, place, std::string(100, 'x')); }),
            std::make_pair(3, std::string("Invalid filename")));
}

TEST(ResultsLog, AppendCreatesHeaderOnce) {
  ScratchFolder folder;
  FakeSystem system;
  system.locale = DayFirstLocale();
  system.now = At(2026, 12, 7, 14, 5, 31);
  const std::string path = folder / "r.xls";
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

TEST(ResultsLog, ExistingFileKeepsItsContentsAndGetsNoNewHeader) {
  ScratchFolder folder;
  FakeSystem system;
  system.locale = DayFirstLocale();
  const std::string path = folder / "r.xls";
  WriteBytes(path, "earlier run\r\n");
  AppendTrialRow(system, path, Row(1, "a\tb"));
  EXPECT_EQ(ReadBytes(path),
            "earlier run\r\na\tb\t30/12/1899\t00:00:00\t1\tpos\tg (12).ccc\t2\t1874\r\n");
}

TEST(ResultsLog, AppendFailuresGiveTheirMessages) {
  ScratchFolder folder;
  WriteBytes(folder / "plain", "");
  std::filesystem::create_directory(folder / "sub");
  FakeSystem system;
  EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, folder / "missing/r.xls", Row(1)); }),
            std::make_pair(2, std::string("File not found")));
  EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, folder / "plain/r.xls", Row(1)); }),
            std::make_pair(3, std::string("Invalid filename")));
  EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, folder / "sub", Row(1)); }),
            std::make_pair(5, std::string("File access denied")));
  EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, "/dev/full", Row(1)); }),
            std::make_pair(101, std::string("Disk full")));
}

TEST(ResultsLog, FileHeldByAnotherProgramIsRefused) {
  ScratchFolder folder;
  FakeSystem system;
  const std::string path = folder / "r.xls";
  AppendTrialRow(system, path, Row(1));
  const std::string before = ReadBytes(path);
  FILE* other = fopen(path.c_str(), "r");
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(flock(fileno(other), LOCK_EX), 0);
  EXPECT_EQ(IoErrorOf([&] { AppendTrialRow(system, path, Row(2)); }),
            std::make_pair(32, std::string("I/O error 32")));
  fclose(other);
  EXPECT_EQ(ReadBytes(path), before);
}

TEST(ResultsLog, PartRowIsTakenBackSoTheRetryIsClean) {
  ScratchFolder folder;
  FakeSystem system;
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

TEST(ResultsLog, FirstRowThatFailsLeavesNoHeaderlessFile) {
  ScratchFolder folder;
  FakeSystem system;
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
