#include "talvex/experiment/exposure_timing.h"

#include "talvex/local_time.h"
#include "talvex/results/results_format.h"
#include "talvex/rounding.h"

namespace talvex::experiment {

void MarkOnset(ExperimentRecord& record, System& system) {
  record.ShownAt = ToTimeStamp(system.LocalNow());
  record.ShownAtNs = system.MonotonicNanoseconds();
}

void TurnImageOff(ExperimentRecord& record, IMainWindow& window) {
  if (record.BlankPixels != nullptr) {
    window.SetPreparedPicture(record.BlankPicture, *record.BlankPixels);
  } else {
    window.SetPicture(record.BlankPicture);
  }
  window.SetButtonEnabled(true);
  window.SetText(TextControl::Button2, "Next");
  window.SetTimerInterval(0);
}

void OnRadioButtonClick(ExperimentRecord& record, IMainWindow& window, System& system,
                        std::optional<int64_t> inputNs) {
  // The input's own time, so that a busy event loop does not lengthen the latency; an input
  // cannot have happened after its handler runs.
  const int64_t now = system.MonotonicNanoseconds();
  const int64_t pickedAt = inputNs && *inputNs < now ? *inputNs : now;
  const int64_t elapsed = pickedAt - record.ShownAtNs;
  // The low 32 bits of the rounded milliseconds.
  record.Latency = static_cast<int32_t>(static_cast<uint32_t>(NanosecondsToMilliseconds(elapsed)));
  TurnImageOff(record, window);
}

int32_t GetResponse(ExperimentRecord& record, const IMainWindow& window) {
  record.Response = -1;
  // The rating buttons are numbered as the results file's ratings.
  for (int rating = results::kLowestRating; rating <= results::kHighestRating; ++rating) {
    if (window.IsRatingChecked(rating)) {
      record.Response = rating;
      break;
    }
  }
  return record.Response;
}

void ClearResponse(IMainWindow& window) {
  for (int rating = results::kLowestRating; rating <= results::kHighestRating; ++rating) {
    window.UncheckRating(rating);
  }
}

}  // namespace talvex::experiment
