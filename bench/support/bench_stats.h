#pragma once
// Order statistics of a series of measurements.

#include <cstddef>
#include <vector>

namespace talvex::bench {

struct Summary {
  size_t count = 0;
  double min = 0.0;
  double median = 0.0;
  double p95 = 0.0;  // nearest rank: the smallest value with 95 % of the series at or below it
  double p99 = 0.0;
  double max = 0.0;
};

// All zero for an empty series.
Summary Summarize(std::vector<double> values);

double Median(std::vector<double> values);

// The absolute value of every element.
std::vector<double> Magnitudes(const std::vector<double>& values);

}  // namespace talvex::bench
