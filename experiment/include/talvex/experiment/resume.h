#pragma once
// Continuing a run that was cut short: finding a rater's unfinished run from its run file and
// results file, and judging whether it can be trusted to go on.

#include <cstdint>
#include <optional>
#include <string>

#include "talvex/experiment/experiment_record.h"
#include "talvex/platform/file.h"
#include "talvex/results/results_path.h"
#include "talvex/results/run_file.h"
#include "talvex/system.h"

namespace talvex::experiment {

// The study's choice (see study_settings.h).
struct ResumeSettings {
  bool enabled = true;
  int32_t maxAgeHours = 24;  // a run started longer ago is not offered
};

// A run that can be continued: its files, and the trials still to come.
struct UnfinishedRun {
  std::string runFilePath;
  results::ResultsFile results;
  LocalTime started;
  int32_t rated = 0;    // rows in the results file
  int32_t planned = 0;  // trials of its plan
  Pool posPool;         // the plan less one entry for each image in the rows; empty when sealed
  Pool negPool;
  bool sealed = false;  // sealed already, its hand-off cut short
  // The two files' bytes as judged, to tell whether they changed since.
  std::string runFileText;
  std::string resultsText;
};

// What a results file holds beyond its first lines, judged against a run's plan: the trials
// left, or nothing when a row is not one of the plan's (not as this program writes a row,
// another ID, a number out of turn, an image not left in the plan, more rows than planned) or
// the first lines are not the plan's. The ID is compared as the system's FileText writes it.
std::optional<UnfinishedRun> MatchResultsToPlan(System& system, const std::string& resultsText,
                                                const results::RunPlan& plan,
                                                const std::string& programFolder);

// The newest unfinished run of the rater's ID among the run files beside the results of this
// program (the results folder, and the temporary folder the results fall back to) that fits
// the run the set-up made: same image set, same parameters, a plan this program could make,
// rows that fit it, not in use by another program, started within the age limit, its run file
// and results file the user's own (File::IsUsersOwn). A run whose sealed file is there is
// offered only when that file is the seal of its results file: its hand-off is still to do.
// Every other run file is ignored and left as it is.
std::optional<UnfinishedRun> FindUnfinishedRun(System& system, const ExperimentRecord& setUp,
                                               const std::string& imageSet,
                                               const ResumeSettings& settings);

enum class RunTaking {
  kTaken,          // held by this program alone, as it was judged
  kHeldElsewhere,  // another program holds it
  kChanged,        // its files changed since it was judged, or are gone
};

// Takes a run found by FindUnfinishedRun for this program alone, once the rater has chosen to
// continue it: its run file opened in runFile so that no other program can open it, and the
// run judged again: both files still hold the bytes judged and its sealed file is as it was.
// runFile is left closed unless the run is taken.
RunTaking TakeUnfinishedRun(const UnfinishedRun& run, platform::File& runFile);

// "An unfinished run for <ID> from <date> <time> has <k> of <n> trials rated. Continue it?"
std::string ResumeQuestion(const std::string& raterId, const UnfinishedRun& run,
                           const LocaleValues& locale);

}  // namespace talvex::experiment
