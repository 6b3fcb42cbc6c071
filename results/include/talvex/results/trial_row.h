#pragma once
// Appending a rated trial's row to the results file made at Start.

#include <string>

#include "talvex/results/results_path.h"
#include "talvex/system.h"

namespace talvex::results {

// The values of one results row, taken from the experiment record at the press of Next.
struct TrialRow {
  std::string raterId;
  int trialCount = 0;
  std::string imageName;  // status, TAB, image name
  int response = -1;
  int latency = 0;
};

// Appends one row to the file made at Start, with the date and time of now, written in one
// piece and flushed to stable storage before returning; a part row is cut back. The row's
// text is the system's FileText: a locale text the results file's character set cannot hold
// is replaced by the default locale's (M/d/yyyy, "/", ":", AM, PM); an ID it cannot hold
// raises kUnwritableIdMessage and writes nothing. Refuses anything at the path that is not
// that file (a link, a pipe, a file put there since). Raises EInOutError naming the path.
void AppendTrialRow(System& system, const ResultsFile& file, const TrialRow& row);

}  // namespace talvex::results
