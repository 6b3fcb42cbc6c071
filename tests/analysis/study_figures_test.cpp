#include "talvex/analysis/study_figures.h"

#include <gtest/gtest.h>

#include "results_text.h"
#include "talvex/analysis/outputs.h"
#include "talvex/analysis/report.h"

namespace talvex::analysis {
namespace {

using testing::WholeRun;

// Rater r's rating of case k: spread over the scale, leaning to the truth, varying by rater.
int Rating(int r, int k, bool positive) {
  return positive ? 2 + (k * 7 + r) % 4 : 1 + (k * 5 + 2 * r) % 4;
}

struct Analysed {
  Study study;
  Report report;
};
Analysed AnalyseRuns(int raters, const std::vector<std::string>& tests, const Options& options) {
  std::vector<InputFile> inputs;
  for (size_t t = 0; t < tests.size(); ++t) {
    for (int r = 0; r < raters; ++r) {
      inputs.push_back({tests[t], tests[t] + std::to_string(r) + ".xls",
                        WholeRun("r" + std::to_string(r), 12, 20, [&](int k, bool positive) {
                          return Rating(r + int(t), k, positive);
                        })});
    }
  }
  Analysed a;
  std::vector<Problem> problems;
  a.study = AssembleStudy(std::move(inputs), false, problems);
  a.report = Analyse(a.study, options, problems);
  return a;
}

TEST(StudyFigures, EachRatersFiguresComeFromTheirOwnCounts) {
  Options options;
  options.operating.resamples = 200;
  const Analysed a = AnalyseRuns(3, {"all"}, options);
  const TestReport& test = a.report.tests.front();
  ASSERT_EQ(test.figures.raters.size(), 3u);
  for (int r = 0; r < 3; ++r) {
    RatingCounts positives{};
    RatingCounts negatives{};
    for (int k = 0; k < 12; ++k) ++positives[size_t(Rating(r, k, true) - 1)];
    for (int k = 0; k < 20; ++k) ++negatives[size_t(Rating(r, k, false) - 1)];
    const BinormalResult direct = FitBinormal(positives, negatives);
    const RaterCurve& curve = test.figures.raters[size_t(r)];
    ASSERT_EQ(bool(curve.binormal.fit), bool(direct.fit)) << direct.reason;
    if (direct.fit) {
      EXPECT_EQ(curve.binormal.fit->area, direct.fit->area);
    }
    ASSERT_TRUE(curve.operating);
    EXPECT_EQ(curve.operating->partialArea.estimate,
              OperatingFiguresOf(positives, negatives, options.operating, 0, nullptr)
                  .partialArea.estimate);
    EXPECT_EQ(curve.operating->resamples, 200);
  }
  // Every case was read by the three raters; the misreadings agree with the case table.
  ASSERT_EQ(test.figures.cases.size(), test.cases.size());
  for (size_t k = 0; k < test.cases.size(); ++k) {
    const CaseDifficulty& d = test.figures.cases[k].difficulty;
    EXPECT_EQ(test.figures.cases[k].name, test.cases[k].name);
    const double calledPositive = test.cases[k].calledPositive * 3;
    EXPECT_DOUBLE_EQ(d.misread, d.positive ? 3 - calledPositive : calledPositive);
  }
  EXPECT_TRUE(test.figures.precision.message.empty());
  EXPECT_FALSE(a.report.figures.power);
}

TEST(StudyFigures, TwoTestsGiveEachRatersPairedTestAndAPowerPlan) {
  const Analysed a = AnalyseRuns(3, {"A", "B"}, Options{});
  const StudyFigures& study = a.report.figures;
  ASSERT_EQ(study.paired.size(), 3u);
  for (const PairedRater& paired : study.paired) {
    EXPECT_EQ(paired.cases, 32);
    EXPECT_TRUE(paired.result.figures || !paired.result.reason.empty());
  }
  ASSERT_TRUE(study.power);
  EXPECT_TRUE(study.power->power);
  EXPECT_EQ(study.power->table.size(), PlannedReaders().size());
  EXPECT_EQ(study.power->effect, kDefaultEffectSize);
}

TEST(StudyFigures, TheBootstrapIsLeftOutAboveItsLimitAndSaysSo) {
  Options options;
  options.operating.resamples = 1000000;  // 13 raters x 32 cases x 10^6 > the limit
  const Analysed a = AnalyseRuns(13, {"all"}, options);
  EXPECT_FALSE(a.report.figures.bootstrapRun);
  EXPECT_NE(a.report.figures.bootstrapNote.find("bootstrap left out"), std::string::npos);
  EXPECT_FALSE(a.report.tests.front().figures.raters.front().operating->partialArea.lower);
  EXPECT_NE(TerminalReport(a.report).find("bootstrap left out"), std::string::npos);
}

}  // namespace
}  // namespace talvex::analysis
