#pragma once
// Which cases are hard: for each case read by every rater, how many raters misread it at the
// positive cut, its mean rating, and its influence on the raters' mean ROC area (the change when
// it is left out, and its jackknife pseudovalue).

#include <optional>
#include <vector>

namespace talvex::analysis {

struct CaseDifficulty {
  size_t index = 0;  // the case's place in the input
  bool positive = false;
  int raters = 0;
  int misread = 0;  // positive rated below the cut, or negative rated at or above it
  double meanRating = 0.0;
  // The mean area over the raters without the case minus the mean area with it: negative when
  // the case pulls the mean area up (an easy case), positive when it pulls it down.
  std::optional<double> leaveOutChange;
  // K A - (K - 1) A(-k) of the mean area A over K cases (Quenouille and Tukey; Efron and
  // Tibshirani 1993, ch. 11): the case's own contribution to the mean area.
  std::optional<double> pseudovalue;
};

// ratings[k][r] is rater r's rating of case k; every case read by the same raters. The
// influence is empty with fewer than two cases of a class.
std::vector<CaseDifficulty> CaseDifficultyOf(const std::vector<std::vector<int>>& ratings,
                                             const std::vector<bool>& positive, int positiveFrom);

// Up to count cases of one class, most misread first; then positives by lower and negatives by
// higher mean rating, then by their place.
std::vector<CaseDifficulty> HardestCases(const std::vector<CaseDifficulty>& cases, bool positive,
                                         size_t count);

}  // namespace talvex::analysis
