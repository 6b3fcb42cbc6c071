#include "bench_stats.h"

#include <algorithm>
#include <cmath>

namespace talvex::bench {

namespace {

double NearestRank(const std::vector<double>& sorted, double percent) {
  const double rank = std::ceil(percent / 100.0 * static_cast<double>(sorted.size()));
  const size_t index = rank < 1.0 ? 0 : static_cast<size_t>(rank) - 1;
  return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

Summary Summarize(std::vector<double> values) {
  Summary summary;
  if (values.empty()) return summary;
  std::sort(values.begin(), values.end());
  summary.count = values.size();
  summary.min = values.front();
  summary.max = values.back();
  const size_t half = values.size() / 2;
  summary.median = values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2.0;
  summary.p95 = NearestRank(values, 95.0);
  summary.p99 = NearestRank(values, 99.0);
  return summary;
}

double Median(std::vector<double> values) {
  return Summarize(std::move(values)).median;
}

std::vector<double> Magnitudes(const std::vector<double>& values) {
  std::vector<double> magnitudes;
  magnitudes.reserve(values.size());
  for (double value : values) magnitudes.push_back(std::fabs(value));
  return magnitudes;
}

}  // namespace talvex::bench
