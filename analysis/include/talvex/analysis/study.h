#pragma once
// The runs of a study as the team hands them in: files and folders read, sealed files opened
// in memory, the same run given twice counted once, incomplete runs marked, the runs of each
// test put in one order whatever the order of the inputs.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "talvex/analysis/results_file.h"
#include "talvex/results/unseal.h"

namespace talvex::analysis {

// A path given for a test: a results file, a sealed file or a folder.
struct InputPath {
  std::string test;
  std::string path;
};

// A file read whole.
struct InputFile {
  std::string test;
  std::string path;
  std::string bytes;
};

// The largest file taken as a results file; guards memory against a stray huge file (a run of
// 10^5 trials is about 7 MB).
inline constexpr size_t kMaxResultsFileBytes = 64u << 20;

// Reads every file given, and in folders (searched recursively, links to folders not
// followed) every file whose name ends in ".xls" or ".enc" in any letter case, in path order;
// a path given twice is read once. A folder that cannot be read is a problem.
std::vector<InputFile> ReadInputs(const std::vector<InputPath>& paths,
                                  std::vector<Problem>& problems);

struct Run {
  std::string test;
  std::string path;                 // the file read (the first in path order of its copies)
  std::vector<std::string> copies;  // other files holding the same run
  std::optional<results::SealKey> sealKey;
  RunFile file;
  std::string started;  // the date and time texts of its first row
  // The rater ID, with " #k" when the ID has several runs in the test, numbered by their start.
  std::string label;
  std::optional<size_t> expectedRows;
  bool complete = true;
  // Taken into the across-rater figures: complete (or --include-incomplete), and of a rater ID
  // with several runs only the first complete one by its start.
  bool acrossRaters = true;
};

struct CaseInfo {
  std::string name;
  bool positive = false;
};

// A set of run parameters and the runs that have it.
struct ParameterSet {
  std::string parameterLine;      // of the first run with it
  std::vector<std::string> runs;  // their labels
};

struct TestRuns {
  std::string name;
  std::vector<Run> runs;                 // by rater ID, then content
  std::vector<CaseInfo> cases;           // every case of the test, by name; conflicts left out
  std::vector<std::string> conflicting;  // cases shown as pos in one run and neg in another
  std::vector<ParameterSet> parameterSets;
  std::vector<std::string> notes;  // which run of a rater ID with several is used
};

struct Study {
  std::vector<TestRuns> tests;  // by name
  size_t filesRead = 0;
};

// Orders case names as people read them: digit runs by their value ("c (2)" before "c (10)").
bool CaseNameLess(const std::string& a, const std::string& b);

// Opens, checks and gathers the files; problems are added to problems. A run is complete when
// it has the rows its parameter line plans for the images it was run with: of each class, the
// images it showed or, when more, those every other run of the test showed.
Study AssembleStudy(std::vector<InputFile> files, bool includeIncomplete,
                    std::vector<Problem>& problems);

// Problems in one order: by file, line and message.
void SortProblems(std::vector<Problem>& problems);

}  // namespace talvex::analysis
