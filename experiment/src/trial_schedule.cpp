#include "talvex/experiment/trial_schedule.h"

#include <algorithm>
#include <utility>

#include "talvex/exception.h"
#include "talvex/experiment/exposure_timing.h"
#include "talvex/experiment/rounding.h"

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

// Takes every entry of the name out of both pools and out of the total.
void LeaveOut(ExperimentRecord& record, const std::string& name) {
  for (Pool* pool : {&record.PosPool, &record.NegPool}) {
    const auto kept = std::remove(pool->begin(), pool->end(), name);
    record.TotalTrials -= static_cast<int32_t>(pool->end() - kept);
    pool->erase(kept, pool->end());
  }
}

// Loads the picture and hands it to the window, which keeps its own copy; the loaded picture
// is released here. False when either step fails: the picture is then left out of the run.
bool ShowPicture(ExperimentRecord& record, const std::string& name, IMainWindow& window) {
  std::string reason;
  try {
    const std::unique_ptr<imagestore::TJPEGImage> picture = record.ImageLoader->LoadImage(name);
    window.SetPicture(picture ? *picture : imagestore::TJPEGImage());
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
  const uint32_t r = record.Random.RandomBelow(1000);
  const int32_t t = PositiveThreshold(record.PosPool.size(), record.NegPool.size());
  return static_cast<int64_t>(r) < t ? record.PosPool : record.NegPool;
}

std::string ReportedImageName(const std::string& resourceName, const std::string& programFolder) {
  static const std::pair<const char*, const char*> kSteps[] = {
      {"\\", "\t"},   {"__BMP", ").ccc"}, {"RESOURCES_", ""}, {"C__", "c ("},
      {"G__", "g ("}, {"_", "\t"},        {"NEG", "neg"},     {"POS", "pos"},
  };
  std::string name = ReplaceAll(resourceName, programFolder + "images\\", "");
  for (const auto& [from, to] : kSteps) name = ReplaceAll(name, from, to);
  return name;
}

bool DrawTrial(ExperimentRecord& record, Pool& pool, IMainWindow& window, System& system) {
  if (pool.empty()) return false;
  const uint32_t i = record.Random.RandomBelow(CountOf(pool));
  const std::string name = pool[i];
  if (!ShowPicture(record, name, window)) return false;
  window.SetTimerInterval(static_cast<uint32_t>(record.Exposure));
  MarkOnset(record, system);
  window.SetButtonEnabled(false);
  pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
  ClearResponse(window);
  record.ImageName = ReportedImageName(name, record.ProgramFolder);
  record.TrialCount += 1;
  record.RowWritten = false;
  return true;
}

bool DrawNextTrial(ExperimentRecord& record, IMainWindow& window, System& system) {
  // Every failed draw takes at least one entry out of the pools, so this ends.
  while (!record.PosPool.empty() || !record.NegPool.empty()) {
    if (DrawTrial(record, ClassDraw(record), window, system)) return true;
  }
  return false;
}

}  // namespace talvex::experiment
