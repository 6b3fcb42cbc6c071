#pragma once
// The run file: the plan of a run, kept beside its results file while the run lasts, so that a
// run cut short can be continued with the same trials. Plain text, CR LF line ends:
//
//   Talvex run 1
//   rater<TAB>k4T19
//   parameters<TAB>10000 0.1 0.3 1 (by default)
//   image set<TAB><MD5 of the image names in catalogue order>
//   started<TAB>2026-12-07 14:05:09
//   positive<TAB>22            followed by the 22 resource names of the positive pool
//   negative<TAB>104           followed by the 104 of the negative pool
//   check<TAB><MD5 of every byte before this line>
//
// The check value tells a whole, unedited file from a torn or edited one; like the sealing it
// deters casual editing and is no protection against a determined forger.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "talvex/local_time.h"
#include "talvex/platform/file.h"

namespace talvex::results {

// The run file of a results file: its ".xls" (any letter case) replaced by ".run".
std::string MakeRunFilePath(const std::string& resultsPath);
// The results file of a run file: its ".run" (any letter case) replaced by ".xls".
std::string ResultsPathOfRunFile(const std::string& runFilePath);

// Whether a file name is one of a run file (".run" in any letter case).
bool IsRunFileName(const std::string& name);

struct RunPlan {
  std::string raterId;
  std::string paramLine;
  std::string imageSet;              // ImageSetFingerprint of the program's image names
  LocalTime started;                 // the press of Start, to the second
  std::vector<std::string> posPool;  // as the set-up left them, repeats included
  std::vector<std::string> negPool;
};

// The fingerprint of an image set: the MD5 of its names in order, each ended by a line feed.
std::string ImageSetFingerprint(const std::vector<std::string>& names);

// The run file's text; empty when a value holds a line break and cannot be written.
std::string FormatRunFile(const RunPlan& plan);
// The plan of a run file's text; nothing unless the text is exactly as FormatRunFile writes it,
// check value included.
std::optional<RunPlan> ParseRunFile(std::string_view text);

// Writes the run file under a temporary name beside path, flushes it to stable storage and
// renames it into place; a file already at path is never replaced. Raises EInOutError naming
// the path; nothing is left behind on failure.
void WriteRunFile(const std::string& path, const RunPlan& plan);

// The whole content of a regular file of at most maxBytes bytes; nothing when it cannot be read
// or is larger.
std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes);
// The same of a file open for reading, read from its current position.
std::optional<std::string> ReadSmallFile(platform::File& in, size_t maxBytes);

}  // namespace talvex::results
