#include "talvex/analysis/spread.h"

#include <algorithm>

namespace talvex::analysis {
double SortedQuantile(const std::vector<double>& sorted, double p) {
  const double position = static_cast<double>(sorted.size() - 1) * p;
  const size_t below = static_cast<size_t>(position);
  const size_t above = std::min(below + 1, sorted.size() - 1);
  const double weight = position - static_cast<double>(below);
  return sorted[below] + weight * (sorted[above] - sorted[below]);
}

std::optional<Spread> SpreadOf(std::vector<double> values) {
  if (values.empty()) return std::nullopt;
  std::sort(values.begin(), values.end());
  Spread spread;
  spread.count = values.size();
  spread.minimum = values.front();
  spread.maximum = values.back();
  spread.lowerQuartile = SortedQuantile(values, 0.25);
  spread.median = SortedQuantile(values, 0.5);
  spread.upperQuartile = SortedQuantile(values, 0.75);
  const double reach = 1.5 * spread.InterquartileRange();
  spread.lowerWhisker =
      *std::lower_bound(values.begin(), values.end(), spread.lowerQuartile - reach);
  spread.upperWhisker =
      *(std::upper_bound(values.begin(), values.end(), spread.upperQuartile + reach) - 1);
  return spread;
}

}  // namespace talvex::analysis
