#include "talvex/experiment/resume.h"

#include <map>
#include <string_view>
#include <vector>

#include "talvex/exception.h"
#include "talvex/experiment/trial_schedule.h"
#include "talvex/platform/file.h"
#include "talvex/results/date_time_text.h"
#include "talvex/results/results_format.h"
#include "talvex/results/results_path.h"
#include "talvex/results/sealing.h"

namespace talvex::experiment {
namespace {

// Bounds on what is read back: a run file of a few hundred names and a results file of as
// many rows take a few kilobytes; anything far larger is not one of this program's.
constexpr size_t kMaxRunFileBytes = size_t{4} << 20;
constexpr size_t kMaxResultsFileBytes = size_t{16} << 20;
// A start up to an hour after the clock's present still counts: the clock goes back an hour
// when daylight saving time ends.
constexpr double kClockSetBackHours = 1.0;

// A pool with the image name each entry is reported under.
struct ReportedPool {
  ReportedPool(Pool& entries, const std::string& programFolder) : pool(entries) {
    for (const std::string& name : pool) reported.push_back(ReportedImageName(name, programFolder));
  }
  // Takes one entry reported under the name; false when none is left.
  bool Take(const std::string& imageName) {
    for (size_t i = 0; i < reported.size(); ++i) {
      if (reported[i] != imageName) continue;
      pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
      reported.erase(reported.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
    return false;
  }
  Pool& pool;
  std::vector<std::string> reported;
};

// Whether a planned pool is one the set-up of this program makes: as many entries as the
// set-up's pool, every image of it once or twice (twice when repeated), and no other image.
bool FitsSetUp(const Pool& planned, const Pool& setUp) {
  if (planned.size() != setUp.size()) return false;
  std::map<std::string, int> shown;
  for (const std::string& name : setUp) shown[name] = 0;
  for (const std::string& name : planned) {
    const auto found = shown.find(name);
    if (found == shown.end() || ++found->second > 2) return false;
  }
  for (const auto& entry : shown) {
    if (entry.second == 0) return false;
  }
  return true;
}

// A running program holds its run file alone (File::OpenForReadingAlone), so that no other may
// open it, and a program of an earlier version holds it open for reading; a run file that
// cannot be opened for writing is not taken over. Only a regular file is opened: a pipe would
// wait for a reader.
bool InUse(const std::string& runFilePath) {
  platform::File probe;
  return !platform::FileExists(runFilePath) || !probe.OpenForAppend(runFilePath).Ok();
}

std::optional<UnfinishedRun> JudgeRunFile(System& system, const std::string& runFilePath,
                                          bool inTemporaryFolder, const ExperimentRecord& setUp,
                                          const std::string& imageSet,
                                          const ResumeSettings& settings) {
  // Only the user's own files are trusted: a run planted in a shared temporary folder, or files
  // others may write, would take the rater's rows.
  platform::File runFile;
  if (!runFile.OpenForReading(runFilePath).Ok() || !runFile.IsUsersOwn()) return std::nullopt;
  std::optional<std::string> runText = results::ReadSmallFile(runFile, kMaxRunFileBytes);
  runFile.Close();
  if (!runText || InUse(runFilePath)) return std::nullopt;
  const std::optional<results::RunPlan> plan = results::ParseRunFile(*runText);
  if (!plan || plan->raterId != setUp.RaterId || plan->paramLine != setUp.ParamLine ||
      plan->imageSet != imageSet || !FitsSetUp(plan->posPool, setUp.PosPool) ||
      !FitsSetUp(plan->negPool, setUp.NegPool)) {
    return std::nullopt;
  }
  const double ageHours = (ToTimeStamp(system.LocalNow()) - ToTimeStamp(plan->started)) * 24.0;
  if (ageHours > settings.maxAgeHours || ageHours < -kClockSetBackHours) return std::nullopt;

  const std::string resultsPath = results::ResultsPathOfRunFile(runFilePath);
  std::optional<std::string> resultsText =
      results::ReadSmallFile(resultsPath, kMaxResultsFileBytes);
  if (!resultsText) return std::nullopt;
  // The rows go on into this very file: a link or a file in use by another program is refused.
  platform::FileIdentity identity;
  platform::File appendable;
  if (!platform::IdentityAt(resultsPath, identity).Ok() ||
      !appendable.OpenSameFileForAppend(resultsPath, identity).Ok() || !appendable.IsUsersOwn()) {
    return std::nullopt;
  }
  appendable.Close();
  // A sealed run is offered only for its hand-off, and only with the seal of these very rows.
  const std::string sealedPath = results::MakeSealedPath(resultsPath);
  const bool sealed = platform::Exists(sealedPath);
  if (sealed && !results::IsSealOf(sealedPath, resultsPath)) return std::nullopt;

  std::optional<UnfinishedRun> run =
      MatchResultsToPlan(system, *resultsText, *plan, setUp.ProgramFolder);
  if (!run) return std::nullopt;
  run->runFilePath = runFilePath;
  run->results = results::ResultsFile{resultsPath, identity, inTemporaryFolder};
  run->started = plan->started;
  if (sealed) {
    // Rows are never added to a sealed run, even one that left out pictures it could not show.
    run->posPool.clear();
    run->negPool.clear();
    run->sealed = true;
  }
  run->runFileText = std::move(*runText);
  run->resultsText = std::move(*resultsText);
  return run;
}

}  // namespace

std::optional<UnfinishedRun> MatchResultsToPlan(System& system, const std::string& resultsText,
                                                const results::RunPlan& plan,
                                                const std::string& programFolder) {
  // The rows hold the ID as the results file's character set writes it.
  const std::optional<std::string> raterId = system.FileText(plan.raterId);
  const std::string firstLines = results::FirstLines(plan.paramLine);
  if (!raterId || resultsText.compare(0, firstLines.size(), firstLines) != 0) return std::nullopt;
  UnfinishedRun run;
  run.posPool = plan.posPool;
  run.negPool = plan.negPool;
  run.planned = static_cast<int32_t>(run.posPool.size() + run.negPool.size());
  ReportedPool positives(run.posPool, programFolder);
  ReportedPool negatives(run.negPool, programFolder);
  results::ResultsRow row;
  std::vector<std::string_view> columns;
  const std::string_view text(resultsText);
  for (size_t at = firstLines.size(); at < text.size();) {
    const size_t end = text.find(results::kLineEnd, at);
    if (end == std::string::npos) return std::nullopt;  // a torn last row
    const std::string_view line = text.substr(at, end + results::kLineEnd.size() - at);
    // Only a row exactly as this program writes it, of this rater, next in turn.
    if (results::ParseRow(text.substr(at, end - at), row, columns) != results::RowFault::kNone ||
        results::FormatRow(row) != line || row.name != *raterId || row.trial != run.rated + 1) {
      return std::nullopt;
    }
    const std::string imageName = std::string(row.status) + "\t" + std::string(row.image);
    if (!positives.Take(imageName) && !negatives.Take(imageName)) return std::nullopt;
    ++run.rated;
    at = end + results::kLineEnd.size();
  }
  return run;
}

std::optional<UnfinishedRun> FindUnfinishedRun(System& system, const ExperimentRecord& setUp,
                                               const std::string& imageSet,
                                               const ResumeSettings& settings) {
  std::vector<std::pair<std::string, bool>> folders;  // with: the temporary folder
  if (!setUp.OnCdRom) folders.emplace_back(results::ResultsFolder(setUp.ProgramFolder), false);
  folders.emplace_back(system.GetTempFolder(), true);

  std::optional<UnfinishedRun> newest;
  const std::string namePrefix = setUp.RaterId + " ";
  for (const auto& [folder, inTemporaryFolder] : folders) {
    std::vector<std::string> names;
    if (!platform::ListFolder(folder, names).Ok()) continue;
    for (const std::string& name : names) {
      if (!results::IsRunFileName(name) || name.compare(0, namePrefix.size(), namePrefix) != 0) {
        continue;
      }
      std::optional<UnfinishedRun> run;
      try {
        run = JudgeRunFile(system, folder + name, inTemporaryFolder, setUp, imageSet, settings);
      } catch (const Exception&) {
        continue;  // a run that cannot be judged is not offered
      }
      if (run && (!newest || ToTimeStamp(run->started) > ToTimeStamp(newest->started))) {
        newest = std::move(run);
      }
    }
  }
  return newest;
}

RunTaking TakeUnfinishedRun(const UnfinishedRun& run, platform::File& runFile) {
  runFile.Close();
  platform::File held;
  const platform::FileStatus status = held.OpenForReadingAlone(run.runFilePath);
  if (status.code == platform::kSharingViolation) return RunTaking::kHeldElsewhere;
  if (!status.Ok()) return RunTaking::kChanged;
  // Held now, the run cannot change under this program; it is the run judged if its files
  // still hold the same bytes.
  const std::optional<std::string> runText = results::ReadSmallFile(held, kMaxRunFileBytes);
  const std::optional<std::string> resultsText =
      results::ReadSmallFile(run.results.path, kMaxResultsFileBytes);
  platform::FileIdentity identity;
  if (!runText || *runText != run.runFileText || !resultsText || *resultsText != run.resultsText ||
      !platform::IdentityAt(run.results.path, identity).Ok() || identity != run.results.identity ||
      platform::Exists(results::MakeSealedPath(run.results.path)) != run.sealed) {
    return RunTaking::kChanged;
  }
  runFile = std::move(held);
  return RunTaking::kTaken;
}

std::string ResumeQuestion(const std::string& raterId, const UnfinishedRun& run,
                           const LocaleValues& locale) {
  return "An unfinished run for " + raterId + " from " + results::DateText(run.started, locale) +
         " " + results::TimeText(run.started, locale) + " has " + std::to_string(run.rated) +
         " of " + std::to_string(run.planned) + " trials rated. Continue it?";
}

}  // namespace talvex::experiment
