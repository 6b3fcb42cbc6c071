#pragma once
// The results log: where results files go, how one is named, and how a trial row is appended.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/local_time.h"
#include "talvex/locale_values.h"
#include "talvex/platform/file.h"
#include "talvex/system.h"

namespace talvex::results {

// Date text: the short-date pattern with the locale's date separator.
std::string DateText(const LocalTime& time, const LocaleValues& locale);
// Time text: hour, separator, mm, separator, ss, with the AM/PM designator on a 12-hour clock.
std::string TimeText(const LocalTime& time, const LocaleValues& locale);

// Message for a system error code: "File not found", ..., "I/O error %d". The errors of the
// results files add the file's path to it.
std::string IoErrorMessage(int code);

// The drive part of a path (letter and colon, or \\server\share) and whether the path's drive
// is a CD-ROM drive.
std::string DrivePart(const std::string& path);
bool ProbeOnCdRom(System& system, const std::string& executablePath);

// Where the results of a run go: the temporary folder when the program lies on a CD-ROM, else
// ProgramFolder + "results" + separator (and the temporary folder when that cannot hold the
// results file).
struct ResultsPlace {
  std::string programFolder;  // ends in the path separator
  bool onCdRom = false;
};

// The results folder of a program folder: programFolder + "results" + separator.
std::string ResultsFolder(const std::string& programFolder);

// The longest usable rater ID in bytes: the whole file name (ID, stamps, " (NNN)" and
// ".xls") must stay within the 255 bytes a file system allows for a name.
inline constexpr size_t kMaxRaterIdBytes = 147;

// Why a rater ID cannot be part of a file name ("" when it can): kUnusableIdMessage for a
// separator, a control character, "." or "..", or blanks only; a message saying it is too
// long for one over kMaxRaterIdBytes. GetName shows it and keeps the ID field.
std::string RaterIdRefusal(const std::string& raterId);
bool IsUsableRaterId(const std::string& raterId);
inline constexpr const char* kUnusableIdMessage =
    "This ID cannot be used. Please use letters and digits.";

// The second line of every results file (the first is the parameter line).
inline constexpr const char* kHeaderLine =
    "name\tdate\ttime\tn\tstatus\timgname\tresponse\tlatency";

// The tab-separated columns of a results-file line, into columns (reused from line to line);
// the views point into line.
void SplitColumns(std::string_view line, std::vector<std::string_view>& columns);

// The results file of a run, made at Start.
struct ResultsFile {
  std::string path;
  platform::FileIdentity identity;  // rows are appended to this file only
  bool inTemporaryFolder = false;   // a folder the system may empty
};

// Makes the results file of a run, exclusively, with its parameter line and header line:
// folder + ID + " " + date stamp + " " + name stamp + ".xls", from one clock reading. When
// that name, or its sealed name, is taken the first free name with " (2)", " (3)", ... before
// the extension is used, so no two runs share a file. The folder is the results folder (made
// when missing) unless the program lies on a CD-ROM; when the results folder cannot be made or
// cannot hold the file, the temporary folder is used. Raises EInOutError
// naming the path that failed.
ResultsFile MakeResultsPath(System& system, const ResultsPlace& place, const std::string& raterId,
                            const std::string& paramLine);

// The values of one results row, taken from the experiment record at the press of Next.
struct TrialRow {
  std::string raterId;
  int trialCount = 0;
  std::string imageName;  // status, TAB, image name
  int response = -1;
  int latency = 0;
};

// Appends one row to the file made at Start, written in one piece and flushed to stable
// storage before returning; a part row is cut back. Refuses anything at the path that is not
// that file (a link, a pipe, a file put there since). Raises EInOutError naming the path.
void AppendTrialRow(System& system, const ResultsFile& file, const TrialRow& row);

}  // namespace talvex::results
