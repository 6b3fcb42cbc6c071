#pragma once
// The fitted (binormal) ROC curve of one rater: TPF = Phi(a + b Phi^-1(FPF)), fitted by maximum
// likelihood to the counts of each class at each rating (Dorfman and Alf 1969).

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace talvex::analysis {

// Cases of one class at each rating 1..5.
using RatingCounts = std::array<int, 5>;

struct BinormalFit {
  double a = 0.0;  // the positive class's mean over its standard deviation
  double b = 1.0;  // the negative class's standard deviation over the positive class's
  // Boundaries between the ratings used, ascending on the negative class's N(0, 1) scale;
  // thresholdRatings[k] is the lowest rating above thresholds[k].
  std::vector<double> thresholds;
  std::vector<int> thresholdRatings;
  double area = 0.5;  // Az = Phi(a / sqrt(1 + b^2))
  double areaStandardError = 0.0;
  double lower = 0.0;  // 95 % interval of Az, from the interval of a / sqrt(1 + b^2)
  double upper = 1.0;
  double varianceA = 0.0;  // the (a, b) block of the inverse observed information
  double varianceB = 0.0;
  double covarianceAB = 0.0;
  double logLikelihood = 0.0;
  int iterations = 0;
  // Pearson's chi-square of the counts against the fitted ones, df = ratings used - 3; empty
  // with df 0, the reason in fitNote.
  int degreesOfFreedom = 0;
  std::optional<double> chiSquare;
  std::optional<double> p;
  int smallExpected = 0;  // cells expected to hold fewer than 5 cases: the p-value is rough
  std::string fitNote;
};

// A fit, or the reason there is none (one class at a single rating, classes that do not
// overlap, no operating point off the axes, one operating point only, no convergence).
struct BinormalResult {
  std::optional<BinormalFit> fit;
  std::string reason;
};

BinormalResult FitBinormal(const RatingCounts& positives, const RatingCounts& negatives);

// Az of a binormal curve.
double BinormalArea(double a, double b);

// The curve's true-positive fraction at a false-positive fraction in [0, 1].
double BinormalTruePositive(double a, double b, double falsePositive);

// The area under the curve between two false-positive fractions, 0 <= low <= high <= 1.
double BinormalPartialArea(double a, double b, double low, double high);

// The log-likelihood of the counts under a curve with thresholds on the negative scale, one per
// boundary between the ratings kept (ratings no case got are left out); -infinity where a class
// has cases in a rating of probability 0.
double BinormalLogLikelihood(const std::vector<double>& positives,
                             const std::vector<double>& negatives, double a, double b,
                             const std::vector<double>& thresholds);

}  // namespace talvex::analysis
