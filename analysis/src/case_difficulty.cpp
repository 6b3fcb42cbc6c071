#include "talvex/analysis/case_difficulty.h"

#include <algorithm>

#include "talvex/analysis/roc.h"

namespace talvex::analysis {

std::vector<CaseDifficulty> CaseDifficultyOf(const std::vector<std::vector<int>>& ratings,
                                             const std::vector<bool>& positive, int positiveFrom) {
  std::vector<CaseDifficulty> rows(ratings.size());
  std::vector<size_t> positives;
  std::vector<size_t> negatives;
  for (size_t k = 0; k < ratings.size(); ++k) {
    CaseDifficulty& row = rows[k];
    row.index = k;
    row.positive = positive[k];
    row.raters = static_cast<int>(ratings[k].size());
    long long sum = 0;
    for (const int rating : ratings[k]) {
      sum += rating;
      row.misread += (rating >= positiveFrom) != row.positive ? 1 : 0;
    }
    row.meanRating = row.raters > 0 ? static_cast<double>(sum) / row.raters : 0.0;
    (row.positive ? positives : negatives).push_back(k);
  }
  const size_t raters = ratings.empty() ? 0 : ratings.front().size();
  if (positives.size() < 2 || negatives.size() < 2 || raters == 0) return rows;

  // Each rater's leave-one-out areas, positives first then negatives (as LeaveOneOutAreas
  // gives them), summed over the raters.
  std::vector<double> leftOut(ratings.size(), 0.0);
  double meanArea = 0.0;
  for (size_t r = 0; r < raters; ++r) {
    std::vector<double> p;
    std::vector<double> n;
    for (const size_t k : positives) p.push_back(ratings[k][r]);
    for (const size_t k : negatives) n.push_back(ratings[k][r]);
    const RocArea area = EmpiricalArea(p, n);
    const std::vector<double> areas = LeaveOneOutAreas(area);
    meanArea += area.area / static_cast<double>(raters);
    for (size_t i = 0; i < positives.size(); ++i) {
      leftOut[positives[i]] += areas[i] / static_cast<double>(raters);
    }
    for (size_t i = 0; i < negatives.size(); ++i) {
      leftOut[negatives[i]] += areas[positives.size() + i] / static_cast<double>(raters);
    }
  }
  const double cases = static_cast<double>(ratings.size());
  for (size_t k = 0; k < rows.size(); ++k) {
    rows[k].leaveOutChange = leftOut[k] - meanArea;
    rows[k].pseudovalue = cases * meanArea - (cases - 1.0) * leftOut[k];
  }
  return rows;
}

std::vector<CaseDifficulty> HardestCases(const std::vector<CaseDifficulty>& cases, bool positive,
                                         size_t count) {
  std::vector<CaseDifficulty> chosen;
  for (const CaseDifficulty& row : cases) {
    if (row.positive == positive && row.misread > 0) chosen.push_back(row);
  }
  std::sort(chosen.begin(), chosen.end(),
            [positive](const CaseDifficulty& a, const CaseDifficulty& b) {
              if (a.misread != b.misread) return a.misread > b.misread;
              if (a.meanRating != b.meanRating) {
                return positive ? a.meanRating < b.meanRating : a.meanRating > b.meanRating;
              }
              return a.index < b.index;
            });
  if (chosen.size() > count) chosen.resize(count);
  return chosen;
}

}  // namespace talvex::analysis
