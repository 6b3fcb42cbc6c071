#pragma once
// The figures of a study: per rater, across the raters of each test, and between tests.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "talvex/analysis/agreement.h"
#include "talvex/analysis/obuchowski_rockette.h"
#include "talvex/analysis/roc.h"
#include "talvex/analysis/spread.h"
#include "talvex/analysis/study.h"
#include "talvex/analysis/study_figures.h"

namespace talvex::analysis {

struct Options {
  int positiveFrom = 4;  // a rating of at least this calls a case positive
  bool includeIncomplete = false;
  OperatingSettings operating;             // partial area, operating points, bootstrap
  double effectSize = kDefaultEffectSize;  // of the planned two-test study
};

// A point of an ROC curve: false-positive fraction, true-positive fraction.
struct RocPoint {
  double falsePositive = 0.0;
  double truePositive = 0.0;
};

struct Retest {
  int repeated = 0;  // cases shown twice
  int exact = 0;     // the same rating both times
  int withinOne = 0;
  std::optional<Kappa> unweighted;
  std::optional<Kappa> linear;
  std::optional<Kappa> quadratic;
};

struct LatencyFigures {
  std::optional<Spread> all;
  std::optional<Spread> positives;
  std::optional<Spread> negatives;
  std::array<std::optional<Spread>, 5> byRating;  // ratings 1..5
  std::optional<Spread> right;                    // at the positive cut
  std::optional<Spread> wrong;
  // Trials (every showing) rated after the exposure ended; empty when the exposure is unknown.
  std::optional<int> afterExposure;
};

struct RaterFigures {
  const Run* run = nullptr;
  int cases = 0;  // first presentations analysed
  int positives = 0;
  int negatives = 0;
  std::optional<RocArea> roc;   // both classes seen
  std::vector<RocPoint> curve;  // (0, 0) .. (1, 1), one point per cut
  std::vector<CutPoint> cutPoints;
  std::optional<int> youdenThreshold;
  Retest retest;
  LatencyFigures latency;
  std::string message;  // in place of the figures that need both classes
  // Why each other figure shown as "-" (or without its interval) has no value.
  std::vector<std::string> reasons;
};

struct CaseRow {
  std::string name;
  bool positive = false;
  int raters = 0;
  double meanRating = 0.0;
  double calledPositive = 0.0;  // share rated at or above the positive cut
};

struct AcrossFigures {
  std::vector<const RaterFigures*> raters;  // taken into the figures
  int cases = 0;
  int positives = 0;
  int negatives = 0;
  int casesLeftOut = 0;  // not seen by every rater
  std::optional<SingleTestResult> jackknife;
  std::optional<SingleTestResult> delong;
  std::optional<double> alphaOrdinal;
  std::optional<double> alphaInterval;
  std::optional<double> icc;
  std::optional<FleissKappa> fleiss;
  std::vector<RocPoint> averageCurve;  // vertical average of the raters' curves
  std::string message;                 // why there are no across-rater figures, if so
  std::vector<std::string> reasons;    // why an agreement figure or an interval is missing
};

struct TestReport {
  const TestRuns* test = nullptr;
  std::vector<RaterFigures> raters;
  std::vector<CaseRow> cases;
  AcrossFigures across;
  TestFigures figures;
};

// Two or more tests read by the same raters.
struct Comparison {
  std::vector<std::string> tests;
  std::vector<std::string> raters;
  int cases = 0;
  std::optional<MultiTestResult> jackknife;
  std::optional<MultiTestResult> delong;
  std::string message;
  std::vector<std::vector<RocArea>> areas;  // by test, then by rater of raters
};

struct Report {
  Options options;
  size_t filesRead = 0;
  std::vector<TestReport> tests;
  std::optional<Comparison> comparison;
  std::vector<Problem> problems;
  StudyFigures figures;
  size_t RunCount() const;
};

// The figures of every test; the report points into the study, which must outlive it.
Report Analyse(const Study& study, const Options& options, std::vector<Problem> problems);

// Whether an interval has any width to show: a standard error of 0 (every area 1, every
// rating tied) gives a point that would look exact.
bool HasSpread(const TInterval& interval);
inline constexpr const char* kNoSpread =
    "the areas vary neither between the raters nor with the cases: no interval";
// Why a df is shown as "inf".
inline constexpr const char* kInfiniteDf =
    "df inf: the raters' areas do not vary between the raters, so the normal quantile is used";

// A rater who saw one class only: what is said in place of the figures needing both.
inline constexpr const char* kOnlyPositives =
    "saw positive cases only: no ROC area, specificity or cut-point";
inline constexpr const char* kOnlyNegatives =
    "saw negative cases only: no ROC area, sensitivity or cut-point";
inline constexpr const char* kNoCases = "no case of the test left to analyse: no figures";

}  // namespace talvex::analysis
