#include "talvex/results/results_log.h"

#include <cerrno>
#include <cstdint>

#include "file_transform.h"
#include "path_text.h"
#include "talvex/exception.h"
#include "talvex/platform/file.h"
#include "talvex/platform/paths.h"
#include "talvex/results/run_file.h"
#include "talvex/results/sealing.h"

namespace talvex::results {
namespace {

constexpr size_t kMaxFileNameBytes = 255;  // a name's limit on the common file systems
constexpr const char* kDefaultDatePattern = "M/d/yy";

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::string TwoDigits(int value) {
  value %= 100;
  if (value < 0) value = -value;
  return std::string(1, static_cast<char>('0' + value / 10)) + static_cast<char>('0' + value % 10);
}

std::string Padded(int value, size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

int DayOfWeek(const LocalTime& time) {
  // Day 0 of the count, 30 December 1899, was a Saturday.
  const int64_t days = DaysSince18991230(time.year, time.month, time.day);
  return static_cast<int>(((days % 7) + 7 + 6) % 7);
}

std::string DayName(const LocalTime& time, bool abbreviated) {
  const std::string name = kDayNames[DayOfWeek(time)];
  return abbreviated ? name.substr(0, 3) : name;
}

std::string MonthName(int month, bool abbreviated) {
  if (month < 1 || month > 12) return "";
  const std::string name = kMonthNames[month - 1];
  return abbreviated ? name.substr(0, 3) : name;
}

std::string Without(std::string text, char removed) {
  std::string out;
  for (const char c : text) {
    if (c != removed) out += c;
  }
  return out;
}

// The first count characters; a text in UTF-8 is counted in characters, other text in bytes.
std::string FirstCharacters(const std::string& text, size_t count) {
  size_t end = 0;
  size_t taken = 0;
  while (end < text.size() && taken < count) {
    const auto lead = static_cast<unsigned char>(text[end]);
    size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
      length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
      length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
      length = 4;
    bool wellFormed = end + length <= text.size();
    for (size_t i = 1; wellFormed && i < length; ++i) {
      wellFormed = (static_cast<unsigned char>(text[end + i]) & 0xC0) == 0x80;
    }
    end += wellFormed ? length : 1;
    ++taken;
  }
  return text.substr(0, end);
}

bool IsControlByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 32 || byte == 127;
}

platform::FileStatus InvalidFilenameStatus() {
  platform::FileStatus status;
  status.code = platform::kInvalidFilename;
  return status;
}

// Makes the first free numbered file of the stem in the folder with its first lines. On
// failure the status is returned and path names the file that failed.
platform::FileStatus CreateResultsFile(const std::string& folder, const std::string& stem,
                                       const std::string& firstLines, ResultsFile& file) {
  for (int run = 1; run <= kMaxSameNameRuns; ++run) {
    const std::string name = NumberedName(stem, run, ".xls");
    file.path = folder + name;
    if (name.size() > kMaxFileNameBytes) return InvalidFilenameStatus();
    // A sealed file or a run file of that name belongs to another run; this run's must not
    // meet it.
    if (platform::Exists(MakeSealedPath(file.path)) ||
        platform::Exists(MakeRunFilePath(file.path))) {
      continue;
    }
    platform::File created;
    platform::FileStatus status = created.CreateNew(file.path);
    if (status.errorNumber == EEXIST) continue;
    if (!status.Ok()) return status;
    status = created.WriteAll(firstLines.data(), firstLines.size());
    if (status.Ok()) status = created.Sync();
    if (status.Ok()) status = created.Identity(file.identity);
    if (status.Ok()) status = created.Close();
    if (!status.Ok()) {
      created.Close();
      platform::RemoveFile(file.path);
    }
    return status;
  }
  return platform::StatusFromErrno(EEXIST);
}

}  // namespace

std::string DateText(const LocalTime& time, const LocaleValues& locale) {
  const std::string& pattern =
      locale.shortDatePattern.empty() ? std::string(kDefaultDatePattern) : locale.shortDatePattern;
  std::string out;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '\'' || c == '"') {
      // Quoted literal text; a doubled quote stands for the quote itself.
      size_t j = i + 1;
      if (j < pattern.size() && pattern[j] == c) {
        out += c;
        i = j + 1;
        continue;
      }
      while (j < pattern.size()) {
        if (pattern[j] == c) {
          if (j + 1 < pattern.size() && pattern[j + 1] == c) {
            out += c;
            j += 2;
            continue;
          }
          break;
        }
        out += pattern[j++];
      }
      i = j + 1;
      continue;
    }
    if (c == '/') {
      out += locale.dateSeparator;
      ++i;
      continue;
    }
    const char lower = static_cast<char>(c | 0x20);
    if (lower != 'd' && lower != 'm' && lower != 'y' && lower != 'g') {
      out += c;
      ++i;
      continue;
    }
    size_t run = 1;
    while (i + run < pattern.size() && static_cast<char>(pattern[i + run] | 0x20) == lower) ++run;
    i += run;
    switch (lower) {
      case 'd':
        if (run == 1)
          out += std::to_string(time.day);
        else if (run == 2)
          out += TwoDigits(time.day);
        else
          out += DayName(time, run == 3);
        break;
      case 'm':  // a date pattern has no minutes: m is the month whatever its case
        if (run == 1)
          out += std::to_string(time.month);
        else if (run == 2)
          out += TwoDigits(time.month);
        else
          out += MonthName(time.month, run == 3);
        break;
      case 'y':
        if (run == 1)
          out += std::to_string(time.year % 100);
        else if (run == 2)
          out += TwoDigits(time.year);
        else
          out += Padded(time.year, 4);
        break;
      default:  // the era: the Gregorian calendar has none worth writing
        break;
    }
  }
  return out;
}

std::string TimeText(const LocalTime& time, const LocaleValues& locale) {
  int hour = time.hour;
  if (!locale.twentyFourHour) {
    hour %= 12;
    if (hour == 0) hour = 12;
  }
  std::string text = locale.hourLeadingZero ? TwoDigits(hour) : std::to_string(hour);
  text +=
      locale.timeSeparator + TwoDigits(time.minute) + locale.timeSeparator + TwoDigits(time.second);
  if (!locale.twentyFourHour) {
    const std::string& designator = time.hour < 12 ? locale.amDesignator : locale.pmDesignator;
    if (!designator.empty()) {
      text = locale.designatorBeforeTime ? designator + " " + text : text + " " + designator;
    }
  }
  return text;
}

std::string IoErrorMessage(int code) {
  switch (code) {
    case 2:
      return "File not found";
    case 3:
      return "Invalid filename";
    case 4:
      return "Too many open files";
    case 5:
      return "File access denied";
    case 100:
      return "Read beyond end of file";
    case 101:
      return "Disk full";
    case 106:
      return "Invalid numeric input";
    case platform::kNotTheSameFile:
      return "File replaced by another file";
    default:
      return FormatMessage("I/O error %d", code);
  }
}

std::string DrivePart(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.compare(0, 2, "\\\\") == 0) {
    const size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string::npos) return path;
    return path.substr(0, path.find('\\', serverEnd + 1));
  }
  // A POSIX path has no drive; the folder holding the file stands for it.
  if (!path.empty() && path[0] == '/') return path.substr(0, path.find_last_of('/') + 1);
  return "";
}

bool ProbeOnCdRom(System& system, const std::string& executablePath) {
  return system.GetDriveKind(DrivePart(executablePath)) == kDriveCdRom;
}

std::string RaterIdRefusal(const std::string& raterId) {
  if (raterId.size() > kMaxRaterIdBytes) {
    return FormatMessage("This ID is too long. Please use at most %zu letters and digits.",
                         kMaxRaterIdBytes);
  }
  if (raterId == "." || raterId == ".." || raterId.find_first_not_of(' ') == std::string::npos) {
    return kUnusableIdMessage;
  }
  for (const char c : raterId) {
    if (c == '/' || c == '\\' || IsControlByte(c)) return kUnusableIdMessage;
  }
  return "";
}

bool IsUsableRaterId(const std::string& raterId) {
  return RaterIdRefusal(raterId).empty();
}

std::string ResultsFolder(const std::string& programFolder) {
  return WithTrailingSeparator(programFolder) + "results" + kPathSeparator;
}

ResultsFile MakeResultsPath(System& system, const ResultsPlace& place, const std::string& raterId,
                            const std::string& paramLine) {
  // An ID that would name a file elsewhere, or no file at all, gets no path.
  if (!IsUsableRaterId(raterId)) RaiseIoError(InvalidFilenameStatus(), raterId);

  const LocalTime now = system.LocalNow();
  const LocaleValues locale = system.Locale();
  const std::string dateStamp = Without(DateText(now, locale), '/');
  const std::string nameStamp = Without(FirstCharacters(TimeText(now, locale), 5), ':');
  const std::string stem = raterId + " " + dateStamp + " " + nameStamp;
  const std::string firstLines = paramLine + "\r\n" + kHeaderLine + "\r\n";

  platform::FileStatus status;
  ResultsFile file;
  if (!place.onCdRom) {
    const std::string folder = ResultsFolder(place.programFolder);
    file.path = folder;
    if (!platform::FolderExists(folder)) {
      status = platform::CreateFolder(folder.substr(0, folder.size() - 1));
      // Another program may have made it in the meantime; a file of that name is no folder.
      if (platform::FolderExists(folder)) {
        status = {};
      } else if (status.errorNumber == EEXIST) {
        status = platform::StatusFromErrno(ENOTDIR);
      }
    }
    if (status.Ok()) status = CreateResultsFile(folder, stem, firstLines, file);
    if (status.Ok()) return file;
    // A results folder that cannot hold the file (not writable, a file of that name, a full
    // disk) leaves the temporary folder.
  }
  const platform::FileStatus first = status;
  const std::string firstPath = file.path;
  file.inTemporaryFolder = true;
  status = CreateResultsFile(system.GetTempFolder(), stem, firstLines, file);
  if (status.Ok()) return file;
  // Both failed: the results folder's failure says more about what to mend.
  if (!first.Ok()) RaiseIoError(first, firstPath);
  RaiseIoError(status, file.path);
}

void SplitColumns(std::string_view line, std::vector<std::string_view>& columns) {
  columns.clear();
  size_t start = 0;
  for (size_t tab = line.find('\t'); tab != std::string_view::npos;
       tab = line.find('\t', start)) {
    columns.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  columns.push_back(line.substr(start));
}

void AppendTrialRow(System& system, const ResultsFile& results, const TrialRow& row) {
  platform::File file;
  platform::FileStatus status = file.OpenSameFileForAppend(results.path, results.identity);
  uint64_t sizeBefore = 0;
  if (status.Ok()) status = file.Size(sizeBefore);
  if (!status.Ok()) RaiseIoError(status, results.path);

  const LocalTime now = system.LocalNow();
  const LocaleValues locale = system.Locale();
  const std::string text = row.raterId + "\t" + DateText(now, locale) + "\t" +
                           TimeText(now, locale) + "\t" + std::to_string(row.trialCount) + "\t" +
                           row.imageName + "\t" + std::to_string(row.response) + "\t" +
                           std::to_string(row.latency) + "\r\n";

  status = file.WriteAll(text.data(), text.size());
  if (status.Ok()) status = file.Sync();
  if (!status.Ok()) {
    // The file keeps whole lines only: a part row would run into the next one.
    file.Truncate(sizeBefore);
    RaiseIoError(status, results.path);
  }
  status = file.Close();
  if (!status.Ok()) RaiseIoError(status, results.path);
}

}  // namespace talvex::results
