#pragma once
// The high-specificity end of one rater's empirical ROC curve: the partial area over a range of
// specificity with McClish's standardised form, the sensitivity at a chosen specificity and the
// specificity at a chosen sensitivity, each with a percentile interval from a stratified
// bootstrap over cases; and DeLong's paired comparison of one rater's areas in two tests.

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "talvex/analysis/binormal.h"
#include "talvex/analysis/roc.h"

namespace talvex::analysis {

// Random words from std::mt19937_64, whose output the C++ standard fixes; the standard
// library's distributions are not fixed and so are not used: the same seed gives the same
// draws with every compiler and library.
class PortableRandom {
 public:
  explicit PortableRandom(uint64_t seed) : engine_(seed) {}
  uint64_t Next() { return engine_(); }

 private:
  std::mt19937_64 engine_;
};

// Indices uniform on 0 .. n - 1 (1 <= n < 2^32), two from each 64-bit word, low half first, by
// Lemire's (2019) multiply-and-shift with rejection.
class IndexDrawer {
 public:
  IndexDrawer(uint32_t n, PortableRandom& random);
  uint32_t Next();

 private:
  uint64_t n_;
  uint32_t refused_;
  PortableRandom& random_;
  uint64_t word_ = 0;
  bool spare_ = false;
};

// The empirical curve through the operating points of "rating >= t", straight between them.
struct EmpiricalCurve {
  std::vector<double> falsePositive;  // 0 .. 1, not decreasing
  std::vector<double> truePositive;
};
EmpiricalCurve CurveOfCounts(const RatingCounts& positives, const RatingCounts& negatives);

// The area under the curve between two false-positive fractions, 0 <= low < high <= 1.
double PartialArea(const EmpiricalCurve& curve, double low, double high);

// McClish's (1989) standardised partial area: 1/2 (1 + (A - min) / (max - min)), min the area
// under the chance diagonal and max the whole strip; 0.5 is chance, 1 a perfect rater.
double StandardisedPartialArea(double partialArea, double low, double high);

// The highest true-positive fraction at a false-positive fraction, and the lowest
// false-positive fraction at which the curve reaches a true-positive fraction.
double TruePositiveAt(const EmpiricalCurve& curve, double falsePositive);
double FalsePositiveAt(const EmpiricalCurve& curve, double truePositive);

struct OperatingSettings {
  double specificityFrom = 0.8;  // the partial area's range of specificity
  double specificityTo = 1.0;
  double atSpecificity = 0.9;  // sensitivity reported at this specificity
  double atSensitivity = 0.9;  // specificity reported at this sensitivity
  int resamples = 2000;
  uint64_t seed = 20240229;
};

// A figure with its 95 % percentile interval; the interval is empty when the bootstrap was not
// run.
struct BootstrapFigure {
  double estimate = 0.0;
  std::optional<double> lower;
  std::optional<double> upper;
  bool flat = false;  // every resample gave the estimate: no interval, there is no variation
};

struct OperatingFigures {
  BootstrapFigure partialArea;
  BootstrapFigure standardisedPartialArea;
  BootstrapFigure sensitivity;  // at settings.atSpecificity
  BootstrapFigure specificity;  // at settings.atSensitivity
  int resamples = 0;            // 0: no bootstrap
};

// The figures of one rater's counts; both classes must have cases. With resamples > 0 each
// class is resampled with replacement to its own size (a stratified bootstrap, Efron and
// Tibshirani 1993, ch. 13 for the percentile interval), the draws taken from random.
OperatingFigures OperatingFiguresOf(const RatingCounts& positives, const RatingCounts& negatives,
                                    const OperatingSettings& settings, int resamples,
                                    PortableRandom* random);

// DeLong, DeLong and Clarke-Pearson (1988): the difference of two areas read on the same cases,
// its standard error from the structural components and the two-sided p of z.
struct PairedAreas {
  double first = 0.0;
  double second = 0.0;
  double difference = 0.0;
  double standardError = 0.0;
  double z = 0.0;
  double p = 1.0;
  double lower = 0.0;
  double upper = 0.0;
};
struct PairedResult {
  std::optional<PairedAreas> figures;
  std::string reason;
};
// The components of a and b must be for the same cases in the same order, two or more of each
// class.
PairedResult DeLongPaired(const RocArea& a, const RocArea& b);

}  // namespace talvex::analysis
