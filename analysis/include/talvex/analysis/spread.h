#pragma once
// Median, quartiles and range of a sample, for latencies.

#include <cstddef>
#include <optional>
#include <vector>

namespace talvex::analysis {

struct Spread {
  size_t count = 0;
  double minimum = 0.0;
  double lowerQuartile = 0.0;
  double median = 0.0;
  double upperQuartile = 0.0;
  double maximum = 0.0;
  // The furthest values within 1.5 interquartile ranges of the box, for box plots.
  double lowerWhisker = 0.0;
  double upperWhisker = 0.0;
  double InterquartileRange() const { return upperQuartile - lowerQuartile; }
};

// Quartiles by linear interpolation between order statistics (position (n - 1) p from the
// smallest; Hyndman and Fan 1996, Definition 7), whiskers as Tukey's (1977); empty for an
// empty sample. docs/statistics.md: "Quartiles and box plots".
std::optional<Spread> SpreadOf(std::vector<double> values);

// The quantile of sorted values at p by linear interpolation between order statistics
// (position (n - 1) p), as the quartiles above; also the bootstrap's percentile intervals.
double SortedQuantile(const std::vector<double>& sorted, double p);

}  // namespace talvex::analysis
