#pragma once
// Where the results file of a run goes and under which name, and its making at Start.

#include <string>

#include "talvex/platform/file.h"
#include "talvex/system.h"

namespace talvex::results {

// Where the results of a run go: the temporary folder when the program lies on a CD-ROM, else
// ProgramFolder + "results" + separator (and the temporary folder when that cannot hold the
// results file).
struct ResultsPlace {
  std::string programFolder;  // ends in the path separator
  bool onCdRom = false;
};

// The results folder of a program folder: programFolder + "results" + separator.
std::string ResultsFolder(const std::string& programFolder);

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
// cannot hold the file, the temporary folder is used. Raises EInOutError naming the path that
// failed, or naming the ID when it is not one RaterIdRefusal accepts.
ResultsFile MakeResultsPath(System& system, const ResultsPlace& place, const std::string& raterId,
                            const std::string& paramLine);

}  // namespace talvex::results
