#include "talvex/analysis/study_planning.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/non_central_chi_squared.hpp>
#include <boost/math/distributions/non_central_f.hpp>
#include <cmath>

#include "talvex/analysis/obuchowski_rockette.h"

namespace talvex::analysis {
namespace {

constexpr double kAlpha = 0.05;

}  // namespace

double TwoTestPilot::TestByRaterVariance() const {
  return std::max(0.0, meanSquareTestByRater - variance + covariance1 +
                           std::max(covariance2 - covariance3, 0.0));
}

double OneTestPilot::RaterVariance() const {
  return std::max(0.0, meanSquareRaters - variance + std::max(covariance2, 0.0));
}

// Hillis, Obuchowski and Berbaum (2011), the OR steps: with c = pilot cases / cases,
//   E[MS(T x R)] = s2TR + c (Var - Cov1 - max(Cov2 - Cov3, 0)),
//   D = s2TR + c (Var - Cov1 + (J - 1) max(Cov2 - Cov3, 0)) = E[MS(T x R) + J max(Cov2 - Cov3, 0)],
//   lambda = J d^2 / (2 D), ddf = D^2 / (E[MS(T x R)]^2 / (J - 1)) (Hillis 2007),
//   power = P(F(1, ddf; lambda) > F(0.95; 1, ddf)).
std::optional<PlannedPower> TwoTestPower(const TwoTestPilot& pilot, int raters, int cases,
                                         double effect) {
  if (raters < 2 || cases < 1 || pilot.cases < 1) return std::nullopt;
  const double c = static_cast<double>(pilot.cases) / cases;
  const double j = raters;
  const double s2tr = pilot.TestByRaterVariance();
  const double spread = std::max(pilot.covariance2 - pilot.covariance3, 0.0);
  const double expectedInteraction = s2tr + c * (pilot.variance - pilot.covariance1 - spread);
  const double denominator = s2tr + c * (pilot.variance - pilot.covariance1 + (j - 1.0) * spread);
  if (!(denominator > 0.0)) return std::nullopt;
  PlannedPower planned;
  planned.noncentrality = j * effect * effect / (2.0 * denominator);
  if (expectedInteraction > 0.0) {
    const double ddf =
        denominator * denominator / (expectedInteraction * expectedInteraction / (j - 1.0));
    planned.denominatorDf = ddf;
    const double critical = boost::math::quantile(boost::math::fisher_f(1.0, ddf), 1.0 - kAlpha);
    planned.power = boost::math::cdf(boost::math::complement(
        boost::math::non_central_f(1.0, ddf, planned.noncentrality), critical));
  } else {
    // An infinite ddf: F(1, inf) is chi-square(1).
    const double critical = boost::math::quantile(boost::math::chi_squared(1.0), 1.0 - kAlpha);
    planned.power = boost::math::cdf(boost::math::complement(
        boost::math::non_central_chi_squared(1.0, planned.noncentrality), critical));
  }
  return planned;
}

std::optional<int> SmallestCases(const TwoTestPilot& pilot, int raters, double effect,
                                 double target, int maxCases) {
  const auto reaches = [&](int cases) {
    const std::optional<PlannedPower> planned = TwoTestPower(pilot, raters, cases, effect);
    return planned && planned->power >= target;
  };
  if (!reaches(maxCases)) return std::nullopt;
  // Power grows with the cases: the variance terms shrink and the ddf grow.
  int low = 1;
  int high = maxCases;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (reaches(middle)) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return low;
}

// One test (Obuchowski and Rockette 1995 with Hillis 2007's df), scaled as above:
//   E[MS(R)] = s2R + c (Var - max(Cov2, 0)), D = E[MS(R)] + J c max(Cov2, 0),
//   SE = sqrt(D / J), df = D^2 / (E[MS(R)]^2 / (J - 1)), half-width t(0.975, df) SE.
std::optional<PlannedPrecision> MeanAreaPrecision(const OneTestPilot& pilot, int raters,
                                                  int cases) {
  if (raters < 2 || cases < 1 || pilot.cases < 1) return std::nullopt;
  const double c = static_cast<double>(pilot.cases) / cases;
  const double j = raters;
  const double cov2 = std::max(pilot.covariance2, 0.0);
  const double expectedRaters = pilot.RaterVariance() + c * (pilot.variance - cov2);
  const double denominator = expectedRaters + j * c * cov2;
  if (!(denominator > 0.0)) return std::nullopt;
  PlannedPrecision planned;
  planned.standardError = std::sqrt(denominator / j);
  if (expectedRaters > 0.0) {
    planned.degreesOfFreedom =
        denominator * denominator / (expectedRaters * expectedRaters / (j - 1.0));
  }
  planned.halfWidth = TQuantile95(planned.degreesOfFreedom) * planned.standardError;
  return planned;
}

std::vector<int> PlannedReaders() {
  std::vector<int> readers;
  for (int j = 3; j <= 15; ++j) readers.push_back(j);
  return readers;
}

std::vector<int> PlannedCases() {
  std::vector<int> cases;
  for (int k = 50; k <= 500; k += 50) cases.push_back(k);
  return cases;
}

}  // namespace talvex::analysis
