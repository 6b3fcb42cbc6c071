// Rows written by the results file's own writer, read back by both of its readers: the check of
// a run to be continued and talvex-report's reader, for a file in UTF-8 and one in a Windows
// machine's ANSI code page.

#include <gtest/gtest.h>

#include "fake_system.h"
#include "talvex/analysis/results_file.h"
#include "talvex/experiment/resume.h"
#include "talvex/experiment/trial_schedule.h"
#include "talvex/results/results_path.h"
#include "talvex/results/trial_row.h"

namespace talvex::analysis {
namespace {

TEST(ResultsRoundTrip, RowsOfTheWriterReadBackInBothReadersInEitherCharacterSet) {
  struct Planned {
    const char* resource;
    int response;
    int latency;
  };
  const Planned trials[] = {{"RESOURCES_POS_G__3__BMP", 1, -20},
                            {"RESOURCES_NEG_C__0__BMP", 5, 2147483647},
                            {"RESOURCES_POS_G__3__BMP", 3, 0}};
  for (const bool latin1 : {false, true}) {
    SCOPED_TRACE(latin1 ? "Latin-1 file" : "UTF-8 file");
    talvex::testing::FakeSystem system;
    system.latin1Files = latin1;
    results::RunPlan plan;
    plan.raterId = "J\xC3\xBCrgen";
    plan.paramLine = "5000 0.5 0 1";
    plan.posPool = {"RESOURCES_POS_G__3__BMP", "RESOURCES_POS_G__3__BMP"};
    plan.negPool = {"RESOURCES_NEG_C__0__BMP"};
    const results::ResultsFile file = results::MakeResultsPath(
        system, results::ResultsPlace{system.programFolder, false}, plan.raterId, plan.paramLine);
    for (size_t k = 0; k < std::size(trials); ++k) {
      results::TrialRow row;
      row.raterId = plan.raterId;
      row.trialCount = static_cast<int>(k) + 1;
      row.imageName = experiment::ReportedImageName(trials[k].resource, "");
      row.response = trials[k].response;
      row.latency = trials[k].latency;
      system.AdvanceMs(61000);
      results::AppendTrialRow(system, file, row);
    }
    const std::string bytes = talvex::testing::ReadBytes(file.path);
    EXPECT_EQ(bytes.find("J\xFCrgen") != std::string::npos, latin1);

    const std::optional<experiment::UnfinishedRun> continued =
        experiment::MatchResultsToPlan(system, bytes, plan, "");
    ASSERT_TRUE(continued.has_value());
    EXPECT_EQ(continued->rated, 3);
    EXPECT_TRUE(continued->posPool.empty() && continued->negPool.empty());

    std::vector<Problem> problems;
    const std::optional<RunFile> read = ReadResultsText(bytes, "f", problems);
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(read->raterId, plan.raterId);
    EXPECT_EQ(read->parameters, (RunParameters{5000, 0.5, 0.0, 1}));
    ASSERT_EQ(read->trials.size(), std::size(trials));
    for (size_t k = 0; k < std::size(trials); ++k) {
      const Trial& trial = read->trials[k];
      EXPECT_EQ(trial.number, static_cast<int>(k) + 1);
      EXPECT_EQ(trial.positive, k != 1);
      EXPECT_EQ(trial.caseName, k == 1 ? "c (0).ccc" : "g (3).ccc");
      EXPECT_EQ(trial.rating, trials[k].response);
      EXPECT_EQ(trial.latency, trials[k].latency);
    }
  }
}

}  // namespace
}  // namespace talvex::analysis
