#include "talvex/experiment/trial_schedule.h"

#include <algorithm>
#include <utility>

#include "talvex/exception.h"
#include "talvex/experiment/exposure_timing.h"
#include "talvex/experiment/picture_ahead.h"
#include "talvex/results/results_format.h"
#include "talvex/rounding.h"

namespace talvex::experiment {
namespace {

// Replaces every occurrence, left to right, without rescanning the inserted text.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string result;
  size_t start = 0;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
    result.append(text, start, at - start);
    result += to;
    start = at + from.size();
  }
  result.append(text, start, std::string::npos);
  return result;
}

uint32_t CountOf(const Pool& pool) {
  return static_cast<uint32_t>(pool.size());
}

// The class draw on the given source: true when the next trial comes from the positive pool.
bool DrawsPositive(const ExperimentRecord& record, RandomSource& random) {
  const uint32_t r = random.RandomBelow(1000);
  return static_cast<int64_t>(r) < PositiveThreshold(record.PosPool.size(), record.NegPool.size());
}

// The pick within the pool.
uint32_t DrawIndex(const Pool& pool, RandomSource& random) {
  return random.RandomBelow(CountOf(pool));
}

// Takes every entry of the name out of both pools and out of the total.
void LeaveOut(ExperimentRecord& record, const std::string& name) {
  for (Pool* pool : {&record.PosPool, &record.NegPool}) {
    const auto kept = std::remove(pool->begin(), pool->end(), name);
    record.TotalTrials -= static_cast<int32_t>(pool->end() - kept);
    pool->erase(kept, pool->end());
  }
}

// Hands the picture to the window, which keeps its own copy: the one prepared ahead when
// ahead holds it, else one loaded here and released at once. False when loading or decoding
// fails: the picture is then left out of the run.
bool ShowPicture(ExperimentRecord& record, const std::string& name, IMainWindow& window,
                 TPictureAhead* ahead) {
  std::string reason;
  try {
    imagestore::TJPEGImage picture;
    std::shared_ptr<const IPreparedPixels> prepared;
    if (ahead != nullptr && ahead->Take(name, picture, prepared)) {
      if (prepared != nullptr) {
        window.SetPreparedPicture(picture, *prepared);
      } else {
        window.SetPicture(picture);
      }
    } else {
      const std::unique_ptr<imagestore::TJPEGImage> loaded = record.ImageLoader->LoadImage(name);
      window.SetPicture(loaded ? *loaded : imagestore::TJPEGImage());
    }
    return true;
  } catch (const Exception& error) {
    reason = error.what();
  }
  LeaveOut(record, name);
  window.ShowMessage(
      FormatMessage("The picture %s cannot be shown (%s). It is left out of the run.", name.c_str(),
                    reason.c_str()));
  return false;
}

}  // namespace

void AddRepeats(Pool& pool, double fraction, RandomSource& random) {
  Pool candidates = pool;
  const int64_t n = RoundProduct(fraction, static_cast<int64_t>(pool.size()));
  // n may exceed the pool (a fraction above 1); the list error below ends the loop then.
  for (int64_t k = 0; k < n; ++k) {
    const uint32_t j = random.RandomBelow(CountOf(candidates));
    if (j >= candidates.size()) throw EListError(static_cast<int>(j));
    pool.push_back(candidates[j]);
    candidates.erase(candidates.begin() + static_cast<std::ptrdiff_t>(j));
  }
}

int32_t PositiveThreshold(size_t positives, size_t negatives) {
  const size_t total = positives + negatives;
  if (total == 0) return 0;
  const double p = static_cast<double>(positives) / static_cast<double>(total);
  return static_cast<int32_t>(RoundProduct(p, 1000));
}

Pool& ClassDraw(ExperimentRecord& record) {
  return DrawsPositive(record, record.Random) ? record.PosPool : record.NegPool;
}

std::string PeekNextTrial(const ExperimentRecord& record) {
  if (record.PosPool.empty() && record.NegPool.empty()) return {};
  RandomSource random = record.Random;
  const Pool& pool = DrawsPositive(record, random) ? record.PosPool : record.NegPool;
  return pool[DrawIndex(pool, random)];
}

std::string ReportedImageName(const std::string& resourceName, const std::string& programFolder) {
  static const std::pair<std::string, std::string> kSteps[] = {
      {"\\", "\t"},
      {"__BMP", ").ccc"},
      {"RESOURCES_", ""},
      {"C__", "c ("},
      {"G__", "g ("},
      {"_", "\t"},
      {"NEG", std::string(results::kNegativeStatus)},
      {"POS", std::string(results::kPositiveStatus)},
  };
  std::string name = ReplaceAll(resourceName, programFolder + "images\\", "");
  for (const auto& [from, to] : kSteps) name = ReplaceAll(name, from, to);
  return name;
}

bool DrawTrial(ExperimentRecord& record, Pool& pool, IMainWindow& window, System& system,
               TPictureAhead* ahead) {
  if (pool.empty()) return false;
  const uint32_t i = DrawIndex(pool, record.Random);
  const std::string name = pool[i];
  if (!ShowPicture(record, name, window, ahead)) return false;
  // The exposure runs from the moment the picture is handed to the display, as it ends when
  // the blank picture is; the onset, which latencies start from, is marked once the display
  // has it and the rater can see it.
  window.SetTimerInterval(static_cast<uint32_t>(record.Exposure));
  window.WaitUntilDisplayed();
  MarkOnset(record, system);
  window.SetButtonEnabled(false);
  pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
  ClearResponse(window);
  record.ImageName = ReportedImageName(name, record.ProgramFolder);
  record.TrialCount += 1;
  record.RowWritten = false;
  return true;
}

bool DrawNextTrial(ExperimentRecord& record, IMainWindow& window, System& system,
                   TPictureAhead* ahead) {
  // Every failed draw takes at least one entry out of the pools, so this ends. Only the first
  // draw can be the one prepared ahead; the others are loaded at their draw.
  while (!record.PosPool.empty() || !record.NegPool.empty()) {
    if (DrawTrial(record, ClassDraw(record), window, system, ahead)) return true;
  }
  return false;
}

}  // namespace talvex::experiment
