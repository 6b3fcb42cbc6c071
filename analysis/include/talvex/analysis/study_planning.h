#pragma once
// Planning the main study from a pilot's Obuchowski-Rockette variance components (Hillis,
// Obuchowski and Berbaum 2011): the power of a two-test comparison of mean ROC areas for a
// number of readers and cases, and with one test the half-width of the mean area's interval.
// Every case-dependent component is scaled by pilot cases / planned cases, which keeps the
// pilot's share of positive cases.

#include <optional>
#include <vector>

namespace talvex::analysis {

// What a two-test plan rests on: the pilot's readers and cases and its OR estimates.
struct TwoTestPilot {
  int raters = 0;
  int cases = 0;
  double meanSquareTestByRater = 0.0;  // MS(T x R)
  double variance = 0.0;               // Var, the error variance of one area
  double covariance1 = 0.0;
  double covariance2 = 0.0;
  double covariance3 = 0.0;
  // sigma^2(TR) = MS(T x R) - Var + Cov1 + max(Cov2 - Cov3, 0), at least 0.
  double TestByRaterVariance() const;
};

struct PlannedPower {
  double power = 0.0;
  double noncentrality = 0.0;
  std::optional<double> denominatorDf;  // empty: infinite
};

// The power of the OR F test (alpha 0.05, Hillis's denominator df) to find a difference of
// effect in mean area between two tests read by raters readers on cases cases. Empty when the
// pilot shows no variation at all.
std::optional<PlannedPower> TwoTestPower(const TwoTestPilot& pilot, int raters, int cases,
                                         double effect);

// The fewest cases (up to maxCases) with which raters readers reach the target power; empty when
// even maxCases do not.
std::optional<int> SmallestCases(const TwoTestPilot& pilot, int raters, double effect,
                                 double target, int maxCases);

// What a one-test plan rests on.
struct OneTestPilot {
  int raters = 0;
  int cases = 0;
  double meanSquareRaters = 0.0;  // MS(R)
  double variance = 0.0;          // Var
  double covariance2 = 0.0;       // Cov2
  // sigma^2(R) = MS(R) - Var + max(Cov2, 0), at least 0.
  double RaterVariance() const;
};

struct PlannedPrecision {
  double halfWidth = 0.0;  // of the 95 % interval of the mean area
  double standardError = 0.0;
  std::optional<double> degreesOfFreedom;  // empty: infinite
};
std::optional<PlannedPrecision> MeanAreaPrecision(const OneTestPilot& pilot, int raters, int cases);

// The table's readers (3 .. 15) and cases (50 .. 500 in steps of 50).
std::vector<int> PlannedReaders();
std::vector<int> PlannedCases();

}  // namespace talvex::analysis
