#pragma once
// The figures a study team asks for after the first report: each rater's fitted binormal curve
// and high-specificity figures, which cases are hard, DeLong's paired comparison of one rater's
// areas in two tests, and the plan of the main study from this pilot's variance components.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "talvex/analysis/binormal.h"
#include "talvex/analysis/case_difficulty.h"
#include "talvex/analysis/operating_points.h"
#include "talvex/analysis/study.h"
#include "talvex/analysis/study_planning.h"

namespace talvex::analysis {

inline constexpr double kDefaultEffectSize = 0.05;
// The bootstrap is left out when runs x cases x resamples would exceed this many drawn cases
// (about 1,000 runs of 100 cases at 2,000 resamples, some seconds): the report says so.
inline constexpr double kMaxBootstrapDraws = 2e8;
// The fewest cases for a power are searched up to this many.
inline constexpr int kMaxPlannedCases = 10000;

// One rater's fitted curve and high-specificity figures (both classes seen).
struct RaterCurve {
  BinormalResult binormal;
  std::optional<OperatingFigures> operating;
};

// A case read by every rater of the across-rater figures.
struct CaseRowDifficulty {
  std::string name;
  CaseDifficulty difficulty;
};

// A plan's table: rows of readers, columns of cases; power (two tests) or the half-width of the
// mean area's 95 % interval (one test).
struct StudyPlan {
  bool power = false;
  double effect = kDefaultEffectSize;
  std::vector<int> readers;
  std::vector<int> cases;
  std::vector<std::vector<std::optional<double>>> table;
  std::vector<std::optional<int>> casesFor80;  // by readers; empty: more than kMaxPlannedCases
  std::vector<std::optional<int>> casesFor90;
  std::vector<std::pair<std::string, std::string>> basis;  // the pilot figures, named
  std::string message;                                     // why there is no plan
};

// One rater's areas in two tests on the cases read in both.
struct PairedRater {
  std::string rater;
  size_t first = 0;  // tests, by index into Comparison::tests
  size_t second = 0;
  int cases = 0;
  PairedResult result;
};

struct TestFigures {
  std::vector<RaterCurve> raters;  // as TestReport::raters
  std::optional<double> meanFittedArea;
  int fittedRaters = 0;  // of the raters in the across-rater figures
  int acrossRaters = 0;
  std::vector<CaseRowDifficulty> cases;
  StudyPlan precision;
};

struct StudyFigures {
  bool bootstrapRun = false;
  std::string bootstrapNote;  // what was resampled, or why not
  std::vector<PairedRater> paired;
  std::optional<StudyPlan> power;  // two or more tests
};

struct Report;

// The difficulty of the cases common[k] of a test, units[k] holding each rater's rating of it.
std::vector<CaseRowDifficulty> CaseDifficultyTable(const std::vector<CaseInfo>& cases,
                                                   const std::vector<size_t>& common,
                                                   const std::vector<std::vector<int>>& units,
                                                   int positiveFrom);

// Fills TestReport::figures and Report::figures once the other figures are in place.
void AddStudyFigures(Report& report);

}  // namespace talvex::analysis
