#include "talvex/analysis/study_figures.h"

#include <random>

#include "talvex/analysis/report.h"
#include "talvex/analysis/text_format.h"

namespace talvex::analysis {
namespace {

// The cases of one class at each rating, from the cut-points' counts at "rating >= t".
RatingCounts CountsOf(const RaterFigures& rater, bool positive) {
  const int total = positive ? rater.positives : rater.negatives;
  std::array<int, kHighestRating + 2> atLeast{};  // atLeast[t]: rated t or more
  atLeast[kLowestRating] = total;
  for (const CutPoint& point : rater.cutPoints) {
    const std::optional<Proportion>& p = positive ? point.sensitivity : point.specificity;
    if (!p) continue;
    atLeast[static_cast<size_t>(point.threshold)] = positive ? p->count : p->total - p->count;
  }
  RatingCounts counts{};
  for (int r = kLowestRating; r <= kHighestRating; ++r) {
    counts[static_cast<size_t>(r - kLowestRating)] =
        atLeast[static_cast<size_t>(r)] - atLeast[static_cast<size_t>(r) + 1];
  }
  return counts;
}

std::string Figure(double value) {
  return Fixed(value, 6);
}

void FillPrecision(const TestReport& test, StudyPlan& plan) {
  plan.readers = PlannedReaders();
  plan.cases = PlannedCases();
  const std::optional<SingleTestResult>& pilotResult = test.across.jackknife;
  if (!pilotResult) {
    plan.message = "no mean ROC area of two or more raters in this test: nothing to plan from";
    return;
  }
  OneTestPilot pilot;
  pilot.raters = pilotResult->raters;
  pilot.cases = test.across.cases;
  pilot.meanSquareRaters = pilotResult->meanSquareRaters;
  pilot.variance = pilotResult->variance;
  pilot.covariance2 = pilotResult->meanCovariance;
  plan.basis = {{"readers", std::to_string(pilot.raters)},
                {"cases", std::to_string(pilot.cases) + " (" +
                              std::to_string(test.across.positives) + " positive)"},
                {"mean ROC area", Figure(pilotResult->meanArea.estimate)},
                {"MS(R)", Figure(pilot.meanSquareRaters)},
                {"Var", Figure(pilot.variance)},
                {"Cov2", Figure(pilot.covariance2)},
                {"reader variance", Figure(pilot.RaterVariance())},
                {"covariances", "case jackknife"}};
  for (const int readers : plan.readers) {
    std::vector<std::optional<double>> row;
    for (const int cases : plan.cases) {
      const std::optional<PlannedPrecision> planned = MeanAreaPrecision(pilot, readers, cases);
      row.push_back(planned ? std::optional<double>(planned->halfWidth) : std::nullopt);
    }
    plan.table.push_back(row);
  }
}

std::optional<StudyPlan> PowerPlan(const Report& report) {
  if (!report.comparison) return std::nullopt;
  const Comparison& comparison = *report.comparison;
  StudyPlan plan;
  plan.power = true;
  plan.effect = report.options.effectSize;
  plan.readers = PlannedReaders();
  plan.cases = PlannedCases();
  if (!comparison.jackknife) {
    plan.message = comparison.message;
    return plan;
  }
  const MultiTestResult& result = *comparison.jackknife;
  TwoTestPilot pilot;
  pilot.raters = result.raters;
  pilot.cases = comparison.cases;
  pilot.meanSquareTestByRater = result.meanSquareTestByRater;
  pilot.variance = result.variance;
  pilot.covariance1 = result.covariance1;
  pilot.covariance2 = result.covariance2;
  pilot.covariance3 = result.covariance3;
  plan.basis = {{"readers", std::to_string(pilot.raters)},
                {"cases", std::to_string(pilot.cases)},
                {"tests", std::to_string(result.tests)},
                {"MS(T x R)", Figure(pilot.meanSquareTestByRater)},
                {"Var", Figure(pilot.variance)},
                {"Cov1", Figure(pilot.covariance1)},
                {"Cov2", Figure(pilot.covariance2)},
                {"Cov3", Figure(pilot.covariance3)},
                {"test-by-reader variance", Figure(pilot.TestByRaterVariance())},
                {"covariances", "case jackknife"},
                {"effect size", Fixed(plan.effect, 3)},
                {"significance level", "0.05, two-sided"}};
  for (const int readers : plan.readers) {
    std::vector<std::optional<double>> row;
    for (const int cases : plan.cases) {
      const std::optional<PlannedPower> planned = TwoTestPower(pilot, readers, cases, plan.effect);
      row.push_back(planned ? std::optional<double>(planned->power) : std::nullopt);
    }
    plan.table.push_back(row);
    plan.casesFor80.push_back(SmallestCases(pilot, readers, plan.effect, 0.8, kMaxPlannedCases));
    plan.casesFor90.push_back(SmallestCases(pilot, readers, plan.effect, 0.9, kMaxPlannedCases));
  }
  if (!TwoTestPower(pilot, plan.readers.front(), plan.cases.front(), plan.effect)) {
    plan.message = "the pilot shows no variation at all: no power can be computed";
  }
  return plan;
}

}  // namespace

std::vector<CaseRowDifficulty> CaseDifficultyTable(const std::vector<CaseInfo>& cases,
                                                   const std::vector<size_t>& common,
                                                   const std::vector<std::vector<int>>& units,
                                                   int positiveFrom) {
  std::vector<bool> positive;
  for (const size_t k : common) positive.push_back(cases[k].positive);
  std::vector<CaseRowDifficulty> rows;
  for (const CaseDifficulty& row : CaseDifficultyOf(units, positive, positiveFrom)) {
    rows.push_back({cases[common[row.index]].name, row});
  }
  return rows;
}

void AddStudyFigures(Report& report) {
  const OperatingSettings& settings = report.options.operating;
  double draws = 0.0;
  for (const TestReport& test : report.tests) {
    for (const RaterFigures& rater : test.raters) {
      if (rater.roc) draws += static_cast<double>(rater.cases) * settings.resamples;
    }
  }
  StudyFigures& study = report.figures;
  study.bootstrapRun = settings.resamples > 0 && draws <= kMaxBootstrapDraws;
  if (settings.resamples <= 0) {
    study.bootstrapNote = "no bootstrap (--resamples 0): no intervals for these figures";
  } else if (!study.bootstrapRun) {
    study.bootstrapNote = "bootstrap left out: " + Fixed(draws / 1e6, 0) +
                          " million resampled cases exceed the limit of " +
                          Fixed(kMaxBootstrapDraws / 1e6, 0) +
                          " million (fewer --resamples give intervals)";
  } else {
    study.bootstrapNote = "95% percentile intervals from " + std::to_string(settings.resamples) +
                          " stratified bootstrap resamples of each run's cases, seed " +
                          std::to_string(settings.seed);
  }

  for (size_t t = 0; t < report.tests.size(); ++t) {
    TestReport& test = report.tests[t];
    TestFigures& figures = test.figures;
    double fittedSum = 0.0;
    for (size_t r = 0; r < test.raters.size(); ++r) {
      const RaterFigures& rater = test.raters[r];
      RaterCurve curve;
      if (rater.roc) {
        const RatingCounts positives = CountsOf(rater, true);
        const RatingCounts negatives = CountsOf(rater, false);
        curve.binormal = FitBinormal(positives, negatives);
        // Each run's draws depend on the seed and its place alone (std::seed_seq's output is
        // fixed by the standard too).
        std::seed_seq sequence{static_cast<uint32_t>(settings.seed),
                               static_cast<uint32_t>(settings.seed >> 32), static_cast<uint32_t>(t),
                               static_cast<uint32_t>(r)};
        std::array<uint32_t, 2> words{};
        sequence.generate(words.begin(), words.end());
        PortableRandom random((uint64_t{words[1]} << 32) | words[0]);
        curve.operating = OperatingFiguresOf(positives, negatives, settings,
                                             study.bootstrapRun ? settings.resamples : 0, &random);
      } else {
        curve.binormal.reason = rater.message;
      }
      figures.raters.push_back(std::move(curve));
    }
    // The raters of the across-rater figures, as they were chosen there.
    for (const RaterFigures* rater : test.across.raters) {
      const RaterCurve& curve = figures.raters[static_cast<size_t>(rater - test.raters.data())];
      ++figures.acrossRaters;
      if (curve.binormal.fit) {
        ++figures.fittedRaters;
        fittedSum += curve.binormal.fit->area;
      }
    }
    if (figures.fittedRaters > 0) figures.meanFittedArea = fittedSum / figures.fittedRaters;
    FillPrecision(test, figures.precision);
  }

  if (report.comparison) {
    const Comparison& comparison = *report.comparison;
    for (size_t a = 0; a < comparison.areas.size(); ++a) {
      for (size_t b = a + 1; b < comparison.areas.size(); ++b) {
        for (size_t r = 0; r < comparison.raters.size() && r < comparison.areas[a].size(); ++r) {
          PairedRater paired;
          paired.rater = comparison.raters[r];
          paired.first = a;
          paired.second = b;
          paired.cases = comparison.cases;
          paired.result = DeLongPaired(comparison.areas[a][r], comparison.areas[b][r]);
          study.paired.push_back(std::move(paired));
        }
      }
    }
  }
  study.power = PowerPlan(report);
}

}  // namespace talvex::analysis
