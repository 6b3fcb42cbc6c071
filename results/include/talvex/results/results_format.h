#pragma once
// The results file's format, owned here alone: its lines, its eight named columns, the rating
// range and the class words, the one routine that writes a row and the one that reads it. The
// writer, the check of a run to be continued and talvex-report all go through these.
//
// A results file is text: the parameter line, the header line, then one row per rated trial,
// every line ended by CR LF and its columns separated by single TABs. Windows writes it in the
// machine's ANSI code page, other systems in UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::results {

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr char kColumnSeparator = '\t';

// The columns of a row, in their order.
enum Column : size_t {
  kNameColumn,
  kDateColumn,
  kTimeColumn,
  kTrialColumn,
  kStatusColumn,
  kImageColumn,
  kResponseColumn,
  kLatencyColumn,
  kColumnCount
};

// The second line of every results file: the columns' names.
inline constexpr const char* kHeaderLine =
    "name\tdate\ttime\tn\tstatus\timgname\tresponse\tlatency";

// The ratings, counted from the top of the window.
inline constexpr int kLowestRating = 1;
inline constexpr int kHighestRating = 5;

// The status column: the class of the image shown.
inline constexpr std::string_view kPositiveStatus = "pos";
inline constexpr std::string_view kNegativeStatus = "neg";

// One row's values. The texts are views: into the line read, or into the writer's own texts.
struct ResultsRow {
  std::string_view name;  // the rater's ID
  std::string_view date;
  std::string_view time;
  int32_t trial = 0;        // n
  std::string_view status;  // kPositiveStatus or kNegativeStatus
  std::string_view image;   // imgname
  int32_t response = 0;
  int32_t latency = 0;  // milliseconds
};

// The row's line, ended by CR LF; integers in plain decimal.
std::string FormatRow(const ResultsRow& row);

// What makes a line no row, in the order the columns are checked.
enum class RowFault {
  kNone,
  kColumnCount,    // not kColumnCount columns
  kTrial,          // n is not an integer
  kStatus,         // neither kPositiveStatus nor kNegativeStatus
  kImage,          // no image name
  kResponse,       // not an integer
  kResponseRange,  // an integer outside kLowestRating to kHighestRating
  kLatency,        // not an integer
};

// Reads one line, without its line end, into row. columns receives the line's columns (views
// into it) whatever the outcome, so that a message can quote the one at fault. An integer is
// an optional minus sign and decimal digits, within 32 bits.
RowFault ParseRow(std::string_view line, ResultsRow& row, std::vector<std::string_view>& columns);

// The TAB-separated columns of a line, into columns (reused from line to line).
void SplitColumns(std::string_view line, std::vector<std::string_view>& columns);

// The parameter line and the header line, each with its line end: how every file begins.
std::string FirstLines(std::string_view paramLine);

// Whether a text begins as a results file does: a parameter line ending in CR LF, then the
// header line and CR LF.
bool HasResultsShape(std::string_view text);

// A results file's text as UTF-8: the text itself when it is valid UTF-8, else, read as
// Windows-1252 (the ANSI code page of most Windows machines), its conversion into converted.
std::string_view ResultsTextAsUtf8(std::string_view text, std::string& converted);

}  // namespace talvex::results
