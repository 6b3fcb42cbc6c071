#pragma once
// The empirical ROC area of one rater (Mann-Whitney, a tie between a positive and a negative
// counting one half) with DeLong's variance, and sensitivity and specificity at each cut-point
// of the five-point scale with exact binomial intervals.

#include <cstddef>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace talvex::analysis {

inline constexpr int kLowestRating = 1;
inline constexpr int kHighestRating = 5;
inline constexpr double kConfidence = 0.95;

// The midrank of every value (ties share the mean of the ranks they span, ranks from 1), in
// the order given; O(n log n).
std::vector<double> Midranks(const std::vector<double>& values);

struct RocArea {
  double area = 0.5;
  // DeLong's structural components: for each positive, the share of negatives it outranks
  // (ties one half); for each negative, the share of positives that outrank it.
  std::vector<double> positiveComponents;
  std::vector<double> negativeComponents;
  // DeLong's variance and the 95 % interval clipped to [0, 1]; empty with fewer than two
  // cases of a class, where the components have no variance.
  std::optional<double> variance;
  std::optional<double> standardError;
  double lower = 0.0;
  double upper = 1.0;
};

// The area of the ratings of positive and negative cases, by midranks (Sun and Xu 2014), with
// DeLong et al.'s (1988) variance; both must be non-empty. docs/statistics.md: "Empirical ROC
// area", "DeLong variance".
RocArea EmpiricalArea(const std::vector<double>& positives, const std::vector<double>& negatives);

// The areas that leave out one case at a time: the positives' first, then the negatives', in
// the order of the components; empty with fewer than two cases of a class.
// docs/statistics.md: "Jackknife covariances".
std::vector<double> LeaveOneOutAreas(const RocArea& area);

// DeLong's covariance of two areas read on the same cases (components in the same order);
// docs/statistics.md: "DeLong variance".
double DeLongCovariance(const RocArea& a, const RocArea& b);

// A proportion count / total with its exact 95 % interval (Clopper and Pearson 1934, by beta
// quantiles); total > 0. docs/statistics.md: "Cut-points and Clopper-Pearson intervals".
struct Proportion {
  int count = 0;
  int total = 0;
  double value = 0.0;
  double lower = 0.0;
  double upper = 1.0;
};
Proportion ClopperPearson(int count, int total);

// Sensitivity and specificity of the rule "rating >= threshold"; either is empty when its
// class has no case.
struct CutPoint {
  int threshold = 0;
  std::optional<Proportion> sensitivity;
  std::optional<Proportion> specificity;
};

// Intervals already computed, by count and total: a study of many raters of the same number of
// cases asks for the same few again and again.
using ProportionCache = std::map<std::pair<int, int>, Proportion>;

// The cut-points threshold = 2..5 for integer ratings of the two classes.
std::vector<CutPoint> CutPoints(const std::vector<int>& positives,
                                const std::vector<int>& negatives,
                                ProportionCache* cache = nullptr);

// The threshold with the highest Youden (1950) index (sensitivity + specificity - 1), the
// lowest one on a tie; empty unless both classes have cases and that index is above 0.
// docs/statistics.md: "Youden index".
std::optional<int> BestYoudenThreshold(const std::vector<CutPoint>& cutPoints);

// The normal quantile for a two-sided 95 % interval (1.959964...).
double NormalQuantile95();

}  // namespace talvex::analysis
