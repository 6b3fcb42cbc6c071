#pragma once
// Across raters: the Obuchowski-Rockette (1995) analysis of ROC areas read by several raters on
// the same cases, with Hillis's (2007) degrees of freedom, the covariances of two areas
// estimated from DeLong's components or from the case jackknife (Hillis et al. 2005). The
// formulas and the published example the tests check: docs/statistics.md, "Obuchowski-Rockette
// analysis of one test", "... test of equal mean areas", "The published multi-reader
// example".

#include <optional>
#include <string>
#include <vector>

#include "talvex/analysis/roc.h"

namespace talvex::analysis {

enum class CovarianceMethod { kJackknife, kDeLong };
const char* CovarianceMethodName(CovarianceMethod method);  // "jackknife", "DeLong"

// One area with the vector whose dot products give its covariances with the other areas of the
// same cases: Cov(a, b) = a.basis . b.basis. For DeLong's estimate the basis is each class's
// centred components scaled by 1 / sqrt(n (n - 1)); for the jackknife it is the centred
// leave-one-out areas scaled by sqrt((K - 1) / K).
struct AreaEstimate {
  double area = 0.5;
  std::vector<double> basis;
};

// Empty with fewer than two cases of a class.
std::optional<AreaEstimate> EstimateOf(const RocArea& area, CovarianceMethod method);

double Covariance(const AreaEstimate& a, const AreaEstimate& b);

// A t-based 95 % interval: estimate +- t(0.975, df) * standardError; df empty when it is
// infinite (no between-rater variation) and the normal quantile is used.
struct TInterval {
  double estimate = 0.0;
  double standardError = 0.0;
  std::optional<double> degreesOfFreedom;
  double lower = 0.0;
  double upper = 0.0;
};

// The mean area of one test read by J >= 2 raters; df is Hillis's (2007) ddf_H_single.
struct SingleTestResult {
  int raters = 0;
  double meanSquareRaters = 0.0;  // MS(R)
  double meanCovariance = 0.0;    // Cov2, the average over pairs of raters
  double variance = 0.0;          // Var, the average variance of one rater's area
  TInterval meanArea;             // the interval clipped to [0, 1]
};
std::optional<SingleTestResult> SingleTest(const std::vector<AreaEstimate>& raters);

// I >= 2 tests read by the same J >= 2 raters: estimates[i][j] for test i, rater j; the F test
// with Hillis's (2007) ddf_H.
struct Difference {
  size_t first = 0;
  size_t second = 0;
  TInterval difference;  // area of first - area of second
};
struct MultiTestResult {
  int tests = 0;
  int raters = 0;
  std::vector<double> meanAreas;
  double meanSquareTests = 0.0;        // MS(T)
  double meanSquareTestByRater = 0.0;  // MS(T x R)
  double covariance1 = 0.0;            // same rater, different tests
  double covariance2 = 0.0;            // different raters, same test
  double covariance3 = 0.0;            // different raters, different tests
  double variance = 0.0;               // Var, the average variance of one area
  // The F statistic is empty when its denominator is 0 (no test-by-rater variation).
  std::optional<double> f;
  double numeratorDf = 0.0;
  std::optional<double> denominatorDf;  // empty: infinite
  std::optional<double> p;
  std::vector<Difference> differences;  // every pair of tests, first < second
  // Each test's mean area from its own raters' areas and Cov2 alone, as for one test.
  std::vector<SingleTestResult> singleTests;
};
std::optional<MultiTestResult> MultiTest(const std::vector<std::vector<AreaEstimate>>& estimates);

// The t quantile for a two-sided 95 % interval; the normal one for an empty df.
double TQuantile95(std::optional<double> degreesOfFreedom);

}  // namespace talvex::analysis
