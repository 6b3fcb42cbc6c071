#include "talvex/analysis/obuchowski_rockette.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>

namespace talvex::analysis {
namespace {

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0.0;
  for (size_t k = 0; k < a.size() && k < b.size(); ++k) sum += a[k] * b[k];
  return sum;
}

void AddTo(std::vector<double>& sum, const std::vector<double>& term) {
  if (sum.size() < term.size()) sum.resize(term.size(), 0.0);
  for (size_t k = 0; k < term.size(); ++k) sum[k] += term[k];
}

std::vector<double> Centred(const std::vector<double>& values, double scale) {
  double mean = 0.0;
  for (const double value : values) mean += value;
  mean /= static_cast<double>(values.size());
  std::vector<double> centred;
  centred.reserve(values.size());
  for (const double value : values) centred.push_back((value - mean) * scale);
  return centred;
}

// Hillis's degrees of freedom: denominator^2 / (meanSquare^2 / df); empty (infinite) when the
// mean square is 0.
std::optional<double> HillisDf(double denominator, double meanSquare, double df) {
  if (meanSquare <= 0.0) return std::nullopt;
  return denominator * denominator / (meanSquare * meanSquare / df);
}

TInterval IntervalOf(double estimate, double variance, std::optional<double> df) {
  TInterval interval;
  interval.estimate = estimate;
  interval.standardError = std::sqrt(std::max(0.0, variance));
  interval.degreesOfFreedom = df;
  const double half = TQuantile95(df) * interval.standardError;
  interval.lower = estimate - half;
  interval.upper = estimate + half;
  return interval;
}

}  // namespace

const char* CovarianceMethodName(CovarianceMethod method) {
  return method == CovarianceMethod::kJackknife ? "jackknife" : "DeLong";
}

double TQuantile95(std::optional<double> degreesOfFreedom) {
  const double p = 1.0 - (1.0 - kConfidence) / 2.0;
  if (!degreesOfFreedom) return NormalQuantile95();
  return boost::math::quantile(boost::math::students_t(*degreesOfFreedom), p);
}

std::optional<AreaEstimate> EstimateOf(const RocArea& area, CovarianceMethod method) {
  const size_t n1 = area.positiveComponents.size();
  const size_t n0 = area.negativeComponents.size();
  if (n1 < 2 || n0 < 2) return std::nullopt;
  AreaEstimate estimate;
  estimate.area = area.area;
  if (method == CovarianceMethod::kDeLong) {
    estimate.basis = Centred(area.positiveComponents, 1.0 / std::sqrt(static_cast<double>(n1) *
                                                                      static_cast<double>(n1 - 1)));
    const std::vector<double> negatives =
        Centred(area.negativeComponents,
                1.0 / std::sqrt(static_cast<double>(n0) * static_cast<double>(n0 - 1)));
    estimate.basis.insert(estimate.basis.end(), negatives.begin(), negatives.end());
  } else {
    const double cases = static_cast<double>(n1 + n0);
    estimate.basis = Centred(LeaveOneOutAreas(area), std::sqrt((cases - 1.0) / cases));
  }
  return estimate;
}

double Covariance(const AreaEstimate& a, const AreaEstimate& b) {
  return Dot(a.basis, b.basis);
}

std::optional<SingleTestResult> SingleTest(const std::vector<AreaEstimate>& raters) {
  const size_t j = raters.size();
  if (j < 2) return std::nullopt;
  const double dj = static_cast<double>(j);
  double mean = 0.0;
  for (const AreaEstimate& rater : raters) mean += rater.area;
  mean /= dj;
  double squares = 0.0;
  for (const AreaEstimate& rater : raters) squares += (rater.area - mean) * (rater.area - mean);

  // The sum over ordered pairs of different raters: |sum of bases|^2 - sum of |basis|^2.
  std::vector<double> sum;
  double own = 0.0;
  for (const AreaEstimate& rater : raters) {
    AddTo(sum, rater.basis);
    own += Dot(rater.basis, rater.basis);
  }
  SingleTestResult result;
  result.raters = static_cast<int>(j);
  result.meanSquareRaters = squares / (dj - 1.0);
  result.meanCovariance = (Dot(sum, sum) - own) / (dj * (dj - 1.0));
  result.variance = own / dj;
  const double denominator = result.meanSquareRaters + dj * std::max(0.0, result.meanCovariance);
  result.meanArea =
      IntervalOf(mean, denominator / dj, HillisDf(denominator, result.meanSquareRaters, dj - 1.0));
  // An area lies in [0, 1]; so does its interval.
  result.meanArea.lower = std::max(0.0, result.meanArea.lower);
  result.meanArea.upper = std::min(1.0, result.meanArea.upper);
  return result;
}

std::optional<MultiTestResult> MultiTest(const std::vector<std::vector<AreaEstimate>>& estimates) {
  const size_t tests = estimates.size();
  if (tests < 2) return std::nullopt;
  const size_t raters = estimates.front().size();
  if (raters < 2) return std::nullopt;
  for (const auto& test : estimates) {
    if (test.size() != raters) return std::nullopt;
  }
  const double di = static_cast<double>(tests);
  const double dj = static_cast<double>(raters);

  MultiTestResult result;
  result.tests = static_cast<int>(tests);
  result.raters = static_cast<int>(raters);
  result.meanAreas.assign(tests, 0.0);
  std::vector<double> raterMeans(raters, 0.0);
  double grand = 0.0;
  for (size_t i = 0; i < tests; ++i) {
    for (size_t r = 0; r < raters; ++r) {
      result.meanAreas[i] += estimates[i][r].area / dj;
      raterMeans[r] += estimates[i][r].area / di;
      grand += estimates[i][r].area;
    }
  }
  grand /= di * dj;
  double testSquares = 0.0;
  for (const double mean : result.meanAreas) testSquares += (mean - grand) * (mean - grand);
  double interaction = 0.0;
  for (size_t i = 0; i < tests; ++i) {
    for (size_t r = 0; r < raters; ++r) {
      const double e = estimates[i][r].area - result.meanAreas[i] - raterMeans[r] + grand;
      interaction += e * e;
    }
  }
  result.meanSquareTests = dj * testSquares / (di - 1.0);
  result.meanSquareTestByRater = interaction / ((di - 1.0) * (dj - 1.0));

  // Sums over pairs by inclusion and exclusion of the per-test, per-rater and total sums.
  std::vector<std::vector<double>> byTest(tests);
  std::vector<std::vector<double>> byRater(raters);
  std::vector<double> all;
  double own = 0.0;
  for (size_t i = 0; i < tests; ++i) {
    for (size_t r = 0; r < raters; ++r) {
      const std::vector<double>& basis = estimates[i][r].basis;
      AddTo(byTest[i], basis);
      AddTo(byRater[r], basis);
      AddTo(all, basis);
      own += Dot(basis, basis);
    }
  }
  double sameTest = 0.0;
  for (const auto& sum : byTest) sameTest += Dot(sum, sum);
  double sameRater = 0.0;
  for (const auto& sum : byRater) sameRater += Dot(sum, sum);
  const double total = Dot(all, all);
  result.covariance1 = (sameRater - own) / (dj * di * (di - 1.0));
  result.covariance2 = (sameTest - own) / (di * dj * (dj - 1.0));
  result.covariance3 = (total - sameTest - sameRater + own) / (di * (di - 1.0) * dj * (dj - 1.0));
  result.variance = own / (di * dj);

  const double interactionDf = (di - 1.0) * (dj - 1.0);
  const double denominator =
      result.meanSquareTestByRater + dj * std::max(0.0, result.covariance2 - result.covariance3);
  result.numeratorDf = di - 1.0;
  result.denominatorDf = HillisDf(denominator, result.meanSquareTestByRater, interactionDf);
  if (denominator > 0.0) {
    const double f = result.meanSquareTests / denominator;
    result.f = f;
    if (result.denominatorDf) {
      boost::math::fisher_f distribution(result.numeratorDf, *result.denominatorDf);
      result.p = boost::math::cdf(boost::math::complement(distribution, f));
    } else {
      // An infinite denominator df: numeratorDf * F follows chi-square(numeratorDf).
      boost::math::chi_squared distribution(result.numeratorDf);
      result.p = boost::math::cdf(boost::math::complement(distribution, f * result.numeratorDf));
    }
  }
  for (size_t a = 0; a < tests; ++a) {
    for (size_t b = a + 1; b < tests; ++b) {
      Difference difference;
      difference.first = a;
      difference.second = b;
      difference.difference = IntervalOf(result.meanAreas[a] - result.meanAreas[b],
                                         2.0 / dj * denominator, result.denominatorDf);
      result.differences.push_back(difference);
    }
  }
  for (const auto& test : estimates) result.singleTests.push_back(*SingleTest(test));
  return result;
}

}  // namespace talvex::analysis
