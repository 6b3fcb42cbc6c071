#pragma once
// The results log: where results files go, how one is named, and how a trial row is appended.

#include <cstddef>
#include <string>

#include "talvex/local_time.h"
#include "talvex/locale_values.h"
#include "talvex/system.h"

namespace talvex::results {

// Date text: the short-date pattern with the locale's date separator.
std::string DateText(const LocalTime& time, const LocaleValues& locale);
// Time text: hour, separator, mm, separator, ss, with the AM/PM designator on a 12-hour clock.
std::string TimeText(const LocalTime& time, const LocaleValues& locale);

// Message for a system error code: "File not found", ..., "I/O error %d".
std::string IoErrorMessage(int code);

// The drive part of a path (letter and colon, or \\server\share) and whether the path's drive
// is a CD-ROM drive.
std::string DrivePart(const std::string& path);
bool ProbeOnCdRom(System& system, const std::string& executablePath);

// Where the results of a run go: the temporary folder when the program lies on a CD-ROM or in
// a folder it cannot write, else ProgramFolder + "results" + separator.
struct ResultsPlace {
  std::string programFolder;  // ends in the path separator
  bool onCdRom = false;
  bool programFolderWritable = true;
};

// The longest usable rater ID in bytes: the whole file name (ID, stamps, " (NNN)" and
// ".xls") must stay within the 255 bytes a file system allows for a name.
inline constexpr size_t kMaxRaterIdBytes = 147;

// Whether a rater ID can be part of a file name; GetName refuses the others with
// kUnusableIdMessage.
bool IsUsableRaterId(const std::string& raterId);
inline constexpr const char* kUnusableIdMessage =
    "This ID cannot be used. Please use letters and digits.";

// Folder + ID + " " + date stamp + " " + name stamp + ".xls", from one clock reading; creates
// the results folder when needed, not the file. When a file already exists at that path the
// first free name with " (2)", " (3)", ... before ".xls" is taken. Raises EInOutError.
std::string MakeResultsPath(System& system, const ResultsPlace& place, const std::string& raterId);

// The second line of every results file (the first is the parameter line).
inline constexpr const char* kHeaderLine =
    "name\tdate\ttime\tn\tstatus\timgname\tresponse\tlatency";

// The values of one results row, taken from the experiment record at the press of Next.
struct TrialRow {
  std::string paramLine;  // written as the first line when the file is created
  std::string raterId;
  int trialCount = 0;
  std::string imageName;  // status, TAB, image name
  int response = -1;
  int latency = 0;
};

// Appends one row (creating the file with the parameter line and the header first), written
// in one piece and flushed to stable storage before returning. Raises EInOutError.
void AppendTrialRow(System& system, const std::string& path, const TrialRow& row);

}  // namespace talvex::results
