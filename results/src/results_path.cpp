#include "talvex/results/results_path.h"

#include <cerrno>

#include "talvex/platform/paths.h"
#include "talvex/results/date_time_text.h"
#include "talvex/results/file_names.h"
#include "talvex/results/io_errors.h"
#include "talvex/results/rater_id.h"
#include "talvex/results/results_format.h"
#include "talvex/results/run_file.h"
#include "talvex/results/sealing.h"
#include "talvex/utf8_text.h"

namespace talvex::results {
namespace {

constexpr size_t kMaxFileNameBytes = 255;  // a name's limit on the common file systems

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
  for (size_t taken = 0; end < text.size() && taken < count; ++taken) {
    const size_t length = Utf8SequenceLength(text, end);
    end += length == 0 ? 1 : length;
  }
  return text.substr(0, end);
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
    const std::string name = NumberedName(stem, run, kResultsExtension);
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

std::string ResultsFolder(const std::string& programFolder) {
  return WithTrailingSeparator(programFolder) + "results" + kPathSeparator;
}

ResultsFile MakeResultsPath(System& system, const ResultsPlace& place, const std::string& raterId,
                            const std::string& paramLine) {
  // An ID that would name a file elsewhere, or no file at all, gets no path.
  if (!IsUsableRaterId(system, raterId)) RaiseIoError(InvalidFilenameStatus(), raterId);

  const LocalTime now = system.LocalNow();
  const LocaleValues locale = system.Locale();
  const std::string dateStamp = Without(DateText(now, locale), '/');
  const std::string nameStamp = Without(FirstCharacters(TimeText(now, locale), 5), ':');
  const std::string stem = raterId + " " + dateStamp + " " + nameStamp;
  const std::string firstLines = FirstLines(paramLine);

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

}  // namespace talvex::results
