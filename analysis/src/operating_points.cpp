#include "talvex/analysis/operating_points.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>

#include "talvex/analysis/spread.h"

namespace talvex::analysis {
namespace {

constexpr double kTail = (1.0 - kConfidence) / 2.0;

struct Estimates {
  double partialArea;
  double standardised;
  double sensitivity;
  double specificity;
};

Estimates EstimatesOf(const RatingCounts& positives, const RatingCounts& negatives,
                      const OperatingSettings& settings) {
  const EmpiricalCurve curve = CurveOfCounts(positives, negatives);
  const double low = 1.0 - settings.specificityTo;
  const double high = 1.0 - settings.specificityFrom;
  Estimates e;
  e.partialArea = PartialArea(curve, low, high);
  e.standardised = StandardisedPartialArea(e.partialArea, low, high);
  e.sensitivity = TruePositiveAt(curve, 1.0 - settings.atSpecificity);
  e.specificity = 1.0 - FalsePositiveAt(curve, settings.atSensitivity);
  return e;
}

std::vector<int> Expanded(const RatingCounts& counts) {
  std::vector<int> ratings;
  for (size_t r = 0; r < counts.size(); ++r) ratings.insert(ratings.end(), counts[r], int(r));
  return ratings;
}

RatingCounts Resampled(const std::vector<int>& ratings, IndexDrawer& drawer) {
  RatingCounts counts{};
  for (size_t k = 0; k < ratings.size(); ++k) ++counts[static_cast<size_t>(ratings[drawer.Next()])];
  return counts;
}

void SetInterval(BootstrapFigure& figure, std::vector<double>& values) {
  std::sort(values.begin(), values.end());
  // A figure that no resample moves (a rater who rates every case alike, or who separates the
  // classes completely) has no interval worth printing: "0.500-0.500" would look exact.
  if (!values.empty() && values.front() == values.back()) {
    figure.flat = true;
    return;
  }
  figure.lower = SortedQuantile(values, kTail);
  figure.upper = SortedQuantile(values, 1.0 - kTail);
}

}  // namespace

IndexDrawer::IndexDrawer(uint32_t n, PortableRandom& random)
    : n_(n), refused_(static_cast<uint32_t>((uint64_t{1} << 32) % n)), random_(random) {}

uint32_t IndexDrawer::Next() {
  for (;;) {
    if (!spare_) {
      word_ = random_.Next();
      spare_ = true;
    } else {
      word_ >>= 32;
      spare_ = false;
    }
    // The low 32 bits x give (x n) >> 32; the 2^32 mod n lowest products are refused so that
    // every index is equally likely.
    const uint64_t product = (word_ & 0xffffffffu) * n_;
    if (static_cast<uint32_t>(product) >= refused_) return static_cast<uint32_t>(product >> 32);
  }
}

EmpiricalCurve CurveOfCounts(const RatingCounts& positives, const RatingCounts& negatives) {
  double n1 = 0.0;
  double n0 = 0.0;
  for (size_t r = 0; r < positives.size(); ++r) {
    n1 += positives[r];
    n0 += negatives[r];
  }
  EmpiricalCurve curve;
  double hits = 0.0;
  double falseAlarms = 0.0;
  curve.falsePositive.push_back(0.0);
  curve.truePositive.push_back(0.0);
  // "rating >= t" from the strictest cut down; the last point, every case called positive,
  // is (1, 1).
  for (size_t r = positives.size(); r-- > 0;) {
    hits += positives[r];
    falseAlarms += negatives[r];
    curve.falsePositive.push_back(falseAlarms / n0);
    curve.truePositive.push_back(hits / n1);
  }
  return curve;
}

double PartialArea(const EmpiricalCurve& curve, double low, double high) {
  double area = 0.0;
  for (size_t k = 0; k + 1 < curve.falsePositive.size(); ++k) {
    const double x0 = curve.falsePositive[k];
    const double x1 = curve.falsePositive[k + 1];
    if (!(x1 > x0)) continue;
    const double from = std::max(x0, low);
    const double to = std::min(x1, high);
    if (!(to > from)) continue;
    const auto y = [&](double x) {
      return curve.truePositive[k] +
             (x - x0) / (x1 - x0) * (curve.truePositive[k + 1] - curve.truePositive[k]);
    };
    area += (to - from) * (y(from) + y(to)) / 2.0;
  }
  return area;
}

double StandardisedPartialArea(double partialArea, double low, double high) {
  const double minimum = (high * high - low * low) / 2.0;
  const double maximum = high - low;
  return 0.5 * (1.0 + (partialArea - minimum) / (maximum - minimum));
}

namespace {

// The curve's value along `to` where `from` equals `at`, by straight lines between its points;
// where several segments meet `at` (a vertical or horizontal step), the best by `better`.
template <typename Better>
double AlongCurve(const std::vector<double>& from, const std::vector<double>& to, double at,
                  double best, Better better) {
  for (size_t k = 0; k + 1 < from.size(); ++k) {
    const double x0 = from[k];
    const double x1 = from[k + 1];
    if (at < x0 || at > x1) continue;
    const double y0 = to[k];
    const double y1 = to[k + 1];
    best = better(best, x1 > x0 ? y0 + (at - x0) / (x1 - x0) * (y1 - y0) : better(y0, y1));
  }
  return best;
}

}  // namespace

double TruePositiveAt(const EmpiricalCurve& curve, double falsePositive) {
  return AlongCurve(curve.falsePositive, curve.truePositive, falsePositive, 0.0,
                    [](double a, double b) { return std::max(a, b); });
}

double FalsePositiveAt(const EmpiricalCurve& curve, double truePositive) {
  return AlongCurve(curve.truePositive, curve.falsePositive, truePositive, 1.0,
                    [](double a, double b) { return std::min(a, b); });
}

OperatingFigures OperatingFiguresOf(const RatingCounts& positives, const RatingCounts& negatives,
                                    const OperatingSettings& settings, int resamples,
                                    PortableRandom* random) {
  const Estimates estimate = EstimatesOf(positives, negatives, settings);
  OperatingFigures figures;
  figures.partialArea.estimate = estimate.partialArea;
  figures.standardisedPartialArea.estimate = estimate.standardised;
  figures.sensitivity.estimate = estimate.sensitivity;
  figures.specificity.estimate = estimate.specificity;
  if (resamples <= 0 || random == nullptr) return figures;
  figures.resamples = resamples;
  const std::vector<int> positiveRatings = Expanded(positives);
  const std::vector<int> negativeRatings = Expanded(negatives);
  std::vector<double> partial;
  std::vector<double> standardised;
  std::vector<double> sensitivity;
  std::vector<double> specificity;
  IndexDrawer positiveDrawer(static_cast<uint32_t>(positiveRatings.size()), *random);
  IndexDrawer negativeDrawer(static_cast<uint32_t>(negativeRatings.size()), *random);
  for (int k = 0; k < resamples; ++k) {
    // Positives first, then negatives: the order of the draws is part of the figures.
    const RatingCounts p = Resampled(positiveRatings, positiveDrawer);
    const RatingCounts n = Resampled(negativeRatings, negativeDrawer);
    const Estimates e = EstimatesOf(p, n, settings);
    partial.push_back(e.partialArea);
    standardised.push_back(e.standardised);
    sensitivity.push_back(e.sensitivity);
    specificity.push_back(e.specificity);
  }
  SetInterval(figures.partialArea, partial);
  SetInterval(figures.standardisedPartialArea, standardised);
  SetInterval(figures.sensitivity, sensitivity);
  SetInterval(figures.specificity, specificity);
  return figures;
}

PairedResult DeLongPaired(const RocArea& a, const RocArea& b) {
  PairedResult result;
  const size_t n1 = a.positiveComponents.size();
  const size_t n0 = a.negativeComponents.size();
  if (n1 < 2 || n0 < 2 || b.positiveComponents.size() != n1 || b.negativeComponents.size() != n0) {
    result.reason = "fewer than two cases of a class read in both tests: no paired comparison";
    return result;
  }
  // Var(A - B) = Var A + Var B - 2 Cov(A, B), each from the structural components.
  const double variance =
      DeLongCovariance(a, a) + DeLongCovariance(b, b) - 2.0 * DeLongCovariance(a, b);
  // Below this the variance is rounding of a sum that is 0: both readings order the cases alike.
  const double tolerance = 1e-12 * (DeLongCovariance(a, a) + DeLongCovariance(b, b) + 1e-300);
  if (!(variance > tolerance)) {
    result.reason = "the two tests order the cases alike: the difference has no variance, no test";
    return result;
  }
  PairedAreas figures;
  figures.first = a.area;
  figures.second = b.area;
  figures.difference = a.area - b.area;
  figures.standardError = std::sqrt(variance);
  figures.z = figures.difference / figures.standardError;
  figures.p =
      2.0 * boost::math::cdf(boost::math::complement(boost::math::normal(), std::abs(figures.z)));
  figures.lower = figures.difference - NormalQuantile95() * figures.standardError;
  figures.upper = figures.difference + NormalQuantile95() * figures.standardError;
  result.figures = figures;
  return result;
}

}  // namespace talvex::analysis
