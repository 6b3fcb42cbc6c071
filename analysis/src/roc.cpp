#include "talvex/analysis/roc.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/special_functions/beta.hpp>
#include <cmath>
#include <numeric>

namespace talvex::analysis {
namespace {

// Double precision throughout: the default policy computes in long double, several times slower
// for intervals that are printed to six decimals at most.
using Precision = boost::math::policies::policy<boost::math::policies::promote_double<false>>;

double Mean(const std::vector<double>& values) {
  double sum = 0.0;
  for (const double value : values) sum += value;
  return sum / static_cast<double>(values.size());
}

// The sample covariance (divisor n - 1) of two series of the same length, n >= 2.
double SampleCovariance(const std::vector<double>& a, const std::vector<double>& b) {
  const double meanA = Mean(a);
  const double meanB = Mean(b);
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - meanA) * (b[i] - meanB);
  return sum / static_cast<double>(a.size() - 1);
}

}  // namespace

double NormalQuantile95() {
  static const double quantile =
      boost::math::quantile(boost::math::normal(), 1.0 - (1.0 - kConfidence) / 2.0);
  return quantile;
}

std::vector<double> Midranks(const std::vector<double>& values) {
  std::vector<size_t> order(values.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return values[a] < values[b]; });
  std::vector<double> ranks(values.size());
  for (size_t start = 0; start < order.size();) {
    size_t end = start + 1;
    while (end < order.size() && values[order[end]] == values[order[start]]) ++end;
    // Ranks start + 1 .. end share their mean; a multiple of one half, exact in a double.
    const double midrank = static_cast<double>(start + 1 + end) / 2.0;
    for (size_t k = start; k < end; ++k) ranks[order[k]] = midrank;
    start = end;
  }
  return ranks;
}

RocArea EmpiricalArea(const std::vector<double>& positives, const std::vector<double>& negatives) {
  const size_t n1 = positives.size();
  const size_t n0 = negatives.size();
  std::vector<double> combined = positives;
  combined.insert(combined.end(), negatives.begin(), negatives.end());
  const std::vector<double> all = Midranks(combined);
  const std::vector<double> withinPositives = Midranks(positives);
  const std::vector<double> withinNegatives = Midranks(negatives);

  RocArea result;
  result.positiveComponents.resize(n1);
  result.negativeComponents.resize(n0);
  // The sum of (all - within) over the positives counts the pairs a positive wins, ties one
  // half: a sum of halves, exact in a double far beyond 10^5 cases.
  double wins = 0.0;
  for (size_t i = 0; i < n1; ++i) {
    const double outranked = all[i] - withinPositives[i];
    wins += outranked;
    result.positiveComponents[i] = outranked / static_cast<double>(n0);
  }
  for (size_t j = 0; j < n0; ++j) {
    result.negativeComponents[j] =
        1.0 - (all[n1 + j] - withinNegatives[j]) / static_cast<double>(n1);
  }
  result.area = wins / (static_cast<double>(n1) * static_cast<double>(n0));
  if (n1 >= 2 && n0 >= 2) {
    const double variance = SampleCovariance(result.positiveComponents, result.positiveComponents) /
                                static_cast<double>(n1) +
                            SampleCovariance(result.negativeComponents, result.negativeComponents) /
                                static_cast<double>(n0);
    result.variance = variance;
    result.standardError = std::sqrt(variance);
    const double half = NormalQuantile95() * *result.standardError;
    result.lower = std::max(0.0, result.area - half);
    result.upper = std::min(1.0, result.area + half);
  } else {
    result.lower = result.area;
    result.upper = result.area;
  }
  return result;
}

std::vector<double> LeaveOneOutAreas(const RocArea& area) {
  const size_t n1 = area.positiveComponents.size();
  const size_t n0 = area.negativeComponents.size();
  std::vector<double> areas;
  if (n1 < 2 || n0 < 2) return areas;
  areas.reserve(n1 + n0);
  // Leaving out one case removes its component's share of the pairs it takes part in.
  for (const double component : area.positiveComponents) {
    areas.push_back((static_cast<double>(n1) * area.area - component) /
                    static_cast<double>(n1 - 1));
  }
  for (const double component : area.negativeComponents) {
    areas.push_back((static_cast<double>(n0) * area.area - component) /
                    static_cast<double>(n0 - 1));
  }
  return areas;
}

double DeLongCovariance(const RocArea& a, const RocArea& b) {
  return SampleCovariance(a.positiveComponents, b.positiveComponents) /
             static_cast<double>(a.positiveComponents.size()) +
         SampleCovariance(a.negativeComponents, b.negativeComponents) /
             static_cast<double>(a.negativeComponents.size());
}

Proportion ClopperPearson(int count, int total) {
  Proportion p;
  p.count = count;
  p.total = total;
  p.value = static_cast<double>(count) / static_cast<double>(total);
  const double tail = (1.0 - kConfidence) / 2.0;
  const double x = count;
  const double n = total;
  p.lower = count == 0 ? 0.0 : boost::math::ibeta_inv(x, n - x + 1.0, tail, Precision());
  p.upper = count == total ? 1.0 : boost::math::ibeta_inv(x + 1.0, n - x, 1.0 - tail, Precision());
  return p;
}

std::vector<CutPoint> CutPoints(const std::vector<int>& positives,
                                const std::vector<int>& negatives, ProportionCache* cache) {
  const auto proportion = [cache](int count, int total) {
    if (cache == nullptr) return ClopperPearson(count, total);
    const auto [it, added] = cache->try_emplace({count, total});
    if (added) it->second = ClopperPearson(count, total);
    return it->second;
  };
  std::vector<CutPoint> points;
  for (int threshold = kLowestRating + 1; threshold <= kHighestRating; ++threshold) {
    CutPoint point;
    point.threshold = threshold;
    const auto atLeast = [threshold](int rating) { return rating >= threshold; };
    if (!positives.empty()) {
      const auto hits = std::count_if(positives.begin(), positives.end(), atLeast);
      point.sensitivity = proportion(static_cast<int>(hits), static_cast<int>(positives.size()));
    }
    if (!negatives.empty()) {
      const auto falseAlarms = std::count_if(negatives.begin(), negatives.end(), atLeast);
      const int total = static_cast<int>(negatives.size());
      point.specificity = proportion(total - static_cast<int>(falseAlarms), total);
    }
    points.push_back(point);
  }
  return points;
}

std::optional<int> BestYoudenThreshold(const std::vector<CutPoint>& cutPoints) {
  std::optional<int> best;
  // Compared as count fractions over one common denominator, so equal indices tie exactly:
  // sensitivity + specificity = score / (positives x negatives).
  long long bestScore = 0;
  long long chance = 0;  // the score of sensitivity + specificity = 1
  for (const CutPoint& point : cutPoints) {
    if (!point.sensitivity || !point.specificity) return std::nullopt;
    const long long score =
        static_cast<long long>(point.sensitivity->count) * point.specificity->total +
        static_cast<long long>(point.specificity->count) * point.sensitivity->total;
    chance = static_cast<long long>(point.sensitivity->total) * point.specificity->total;
    if (!best || score > bestScore) {
      best = point.threshold;
      bestScore = score;
    }
  }
  // A cut no better than chance (Youden index 0 or less) is no best cut.
  if (best && bestScore <= chance) return std::nullopt;
  return best;
}

}  // namespace talvex::analysis
