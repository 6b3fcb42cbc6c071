#include "talvex/analysis/case_difficulty.h"

#include <gtest/gtest.h>

#include "talvex/analysis/roc.h"

namespace talvex::analysis {
namespace {

// Four raters on 4 positive and 5 negative cases. Positive case 2 is rated low by every rater
// and negative case 6 high by three of them: the hardest of each class; positive 3 is misread by
// one rater, case 0 by none.
const std::vector<std::vector<int>> kRatings = {
    {5, 5, 4, 5}, {4, 3, 4, 4}, {1, 2, 2, 1}, {4, 5, 3, 4},                 // positives
    {1, 1, 2, 1}, {2, 1, 1, 2}, {5, 4, 4, 3}, {1, 2, 1, 1}, {4, 2, 1, 1}};  // negatives
const std::vector<bool> kPositive = {true, true, true, true, false, false, false, false, false};

// The raters' mean area over the cases kept, each rater's area from scratch.
double MeanArea(const std::vector<size_t>& kept) {
  double sum = 0.0;
  for (size_t r = 0; r < 4; ++r) {
    std::vector<double> p;
    std::vector<double> n;
    for (const size_t k : kept) (kPositive[k] ? p : n).push_back(kRatings[k][r]);
    sum += EmpiricalArea(p, n).area;
  }
  return sum / 4.0;
}

TEST(CaseDifficulty, TheKnownHardCasesComeFirst) {
  const std::vector<CaseDifficulty> rows = CaseDifficultyOf(kRatings, kPositive, 4);
  ASSERT_EQ(rows.size(), 9u);
  const int misread[] = {0, 1, 4, 1, 0, 0, 3, 0, 1};
  for (size_t k = 0; k < rows.size(); ++k) EXPECT_EQ(rows[k].misread, misread[k]) << k;
  EXPECT_DOUBLE_EQ(rows[2].meanRating, 1.5);
  EXPECT_DOUBLE_EQ(rows[6].meanRating, 4.0);

  const std::vector<CaseDifficulty> positives = HardestCases(rows, true, 10);
  ASSERT_EQ(positives.size(), 3u);  // case 0 is never misread
  EXPECT_EQ(positives[0].index, 2u);
  EXPECT_EQ(positives[1].index, 1u);  // one misreading each; case 1's mean rating 3.75 < 4.0
  EXPECT_EQ(positives[2].index, 3u);
  const std::vector<CaseDifficulty> negatives = HardestCases(rows, false, 1);
  ASSERT_EQ(negatives.size(), 1u);
  EXPECT_EQ(negatives[0].index, 6u);
}

TEST(CaseDifficulty, InfluenceMatchesTheAreasRecomputedWithoutEachCase) {
  const std::vector<CaseDifficulty> rows = CaseDifficultyOf(kRatings, kPositive, 4);
  std::vector<size_t> all;
  for (size_t k = 0; k < 9; ++k) all.push_back(k);
  const double full = MeanArea(all);
  double largest = -1.0;
  size_t hardest = 0;
  for (size_t k = 0; k < 9; ++k) {
    std::vector<size_t> kept;
    for (const size_t j : all) {
      if (j != k) kept.push_back(j);
    }
    ASSERT_TRUE(rows[k].leaveOutChange && rows[k].pseudovalue);
    EXPECT_NEAR(*rows[k].leaveOutChange, MeanArea(kept) - full, 1e-15) << k;
    EXPECT_NEAR(*rows[k].pseudovalue, 9 * full - 8 * MeanArea(kept), 1e-13) << k;
    if (*rows[k].leaveOutChange > largest) {
      largest = *rows[k].leaveOutChange;
      hardest = k;
    }
  }
  EXPECT_EQ(hardest, 2u);  // leaving out the most misread positive raises the mean area most
  // One positive case only: no area without it, so no influence.
  const std::vector<CaseDifficulty> few =
      CaseDifficultyOf({{5, 4}, {1, 2}, {2, 1}}, {true, false, false}, 4);
  EXPECT_FALSE(few[0].leaveOutChange);
  EXPECT_EQ(few[0].misread, 0);
}

}  // namespace
}  // namespace talvex::analysis
