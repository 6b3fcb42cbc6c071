#include "talvex/analysis/roc.h"

#include <gtest/gtest.h>

#include <cmath>

namespace talvex::analysis {
namespace {

// Ratings of a five-point scale from the count of cases at each rating 1..5.
std::vector<int> FromCounts(const std::vector<int>& counts) {
  std::vector<int> ratings;
  for (size_t k = 0; k < counts.size(); ++k) ratings.insert(ratings.end(), counts[k], int(k) + 1);
  return ratings;
}

std::vector<double> AsDoubles(const std::vector<int>& values) {
  return {values.begin(), values.end()};
}

// Hanley and McNeil (1982), Table I.
const std::vector<int> kNegatives = FromCounts({33, 6, 6, 11, 2});
const std::vector<int> kPositives = FromCounts({3, 2, 2, 11, 33});

TEST(RocArea, HanleyMcNeilTableOne) {
  const RocArea roc = EmpiricalArea(AsDoubles(kPositives), AsDoubles(kNegatives));
  EXPECT_NEAR(roc.area, 0.893171, 5e-7);
  ASSERT_TRUE(roc.variance && roc.standardError);
  EXPECT_NEAR(*roc.variance, 0.00094399, 5e-9);
  EXPECT_NEAR(*roc.standardError, 0.030724, 5e-7);
  EXPECT_NEAR(roc.lower, 0.832952, 5e-7);
  EXPECT_NEAR(roc.upper, 0.953390, 5e-7);

  const std::vector<CutPoint> points = CutPoints(kPositives, kNegatives);
  const int expected[][3] = {{2, 48, 33}, {3, 46, 39}, {4, 44, 45}, {5, 33, 56}};
  ASSERT_EQ(points.size(), 4u);
  for (size_t k = 0; k < points.size(); ++k) {
    SCOPED_TRACE(points[k].threshold);
    EXPECT_EQ(points[k].threshold, expected[k][0]);
    EXPECT_EQ(points[k].sensitivity->count, expected[k][1]);
    EXPECT_EQ(points[k].sensitivity->total, 51);
    EXPECT_EQ(points[k].specificity->count, expected[k][2]);
    EXPECT_EQ(points[k].specificity->total, 58);
  }
  // Youden: 48/51 + 33/58 = 1.510, 46/51 + 39/58 = 1.574, 44/51 + 45/58 = 1.639, 33/51 + 56/58.
  EXPECT_EQ(BestYoudenThreshold(points), 4);
}

TEST(RocArea, ClopperPearsonIntervals) {
  const Proportion p = ClopperPearson(44, 51);
  EXPECT_NEAR(p.lower, 0.737448, 5e-7);
  EXPECT_NEAR(p.upper, 0.942988, 5e-7);
  // The ends: no successes gives a lower bound of 0 and an upper one of 1 - (0.025)^(1/n).
  const Proportion none = ClopperPearson(0, 10);
  EXPECT_EQ(none.lower, 0.0);
  EXPECT_NEAR(none.upper, 1.0 - std::pow(0.025, 0.1), 1e-12);
  const Proportion all = ClopperPearson(10, 10);
  EXPECT_NEAR(all.lower, std::pow(0.025, 0.1), 1e-12);
  EXPECT_EQ(all.upper, 1.0);
}

TEST(RocArea, MidranksShareTheMeanOfTheirRanks) {
  EXPECT_EQ(Midranks({3, 1, 3, 2, 3}), (std::vector<double>{4, 1, 4, 2, 4}));
  EXPECT_EQ(Midranks({5, 5}), (std::vector<double>{1.5, 1.5}));
  EXPECT_TRUE(Midranks({}).empty());
}

TEST(RocArea, PropertiesOfTheArea) {
  const RocArea base = EmpiricalArea(AsDoubles(kPositives), AsDoubles(kNegatives));
  // A monotone recoding of every rating changes no area, variance or component.
  const auto recode = [](std::vector<int> ratings) {
    std::vector<double> out;
    for (const int r : ratings) out.push_back(std::exp(r) * 10.0 - 3.0);
    return out;
  };
  const RocArea recoded = EmpiricalArea(recode(kPositives), recode(kNegatives));
  EXPECT_DOUBLE_EQ(recoded.area, base.area);
  EXPECT_DOUBLE_EQ(*recoded.variance, *base.variance);
  EXPECT_EQ(recoded.positiveComponents, base.positiveComponents);
  // Reversing the scale gives 1 - area with the same variance.
  const auto reverse = [](const std::vector<int>& ratings) {
    std::vector<double> out;
    for (const int r : ratings) out.push_back(6 - r);
    return out;
  };
  const RocArea reversed = EmpiricalArea(reverse(kPositives), reverse(kNegatives));
  EXPECT_NEAR(reversed.area, 1.0 - base.area, 1e-15);
  EXPECT_NEAR(*reversed.variance, *base.variance, 1e-15);
  // Every rating tied: one half, no variance, the interval the point itself.
  const RocArea tied = EmpiricalArea(std::vector<double>(7, 3.0), std::vector<double>(9, 3.0));
  EXPECT_EQ(tied.area, 0.5);
  EXPECT_EQ(*tied.variance, 0.0);
  EXPECT_EQ(tied.lower, 0.5);
  EXPECT_EQ(tied.upper, 0.5);
  // Perfect separation: 1, and the interval clipped at 1.
  const RocArea perfect = EmpiricalArea({4, 5, 5}, {1, 2, 2, 3});
  EXPECT_EQ(perfect.area, 1.0);
  EXPECT_EQ(perfect.upper, 1.0);
}

TEST(RocArea, OneCaseOfAClassHasAnAreaButNoVariance) {
  const RocArea roc = EmpiricalArea({4}, {1, 2, 4, 5});
  EXPECT_DOUBLE_EQ(roc.area, (1 + 1 + 0.5 + 0) / 4.0);
  EXPECT_FALSE(roc.variance);
  EXPECT_FALSE(roc.standardError);
  EXPECT_TRUE(LeaveOneOutAreas(roc).empty());
}

TEST(RocArea, HundredThousandCasesAreExact) {
  // 10^5 cases with the ratings cycling through the scale: the area follows from the counts.
  std::vector<double> positives;
  std::vector<double> negatives;
  long long positiveCounts[6] = {};
  long long negativeCounts[6] = {};
  for (int k = 0; k < 100000; ++k) {
    const bool positive = k % 3 == 0;
    const int rating = positive ? 1 + (k * 7 / 3) % 5 : 1 + (k / 2) % 4;
    (positive ? positives : negatives).push_back(rating);
    ++(positive ? positiveCounts : negativeCounts)[rating];
  }
  // Twice the number of won pairs, ties counting one: an exact integer.
  long long twiceWins = 0;
  for (int p = 1; p <= 5; ++p) {
    for (int n = 1; n <= 5; ++n) {
      twiceWins += positiveCounts[p] * negativeCounts[n] * (p > n ? 2 : p == n ? 1 : 0);
    }
  }
  const double pairs = double(positives.size()) * double(negatives.size());
  const RocArea roc = EmpiricalArea(positives, negatives);
  EXPECT_EQ(roc.area * pairs * 2.0, double(twiceWins));
  EXPECT_GT(*roc.standardError, 0.0);
  EXPECT_LT(*roc.standardError, 0.01);
}

TEST(RocArea, CutPointsOfOneClassLeaveTheOtherEmpty) {
  const std::vector<CutPoint> points = CutPoints({}, {1, 2, 5});
  ASSERT_EQ(points.size(), 4u);
  EXPECT_FALSE(points[0].sensitivity);
  EXPECT_EQ(points[0].specificity->count, 1);  // only the 1 is below 2
  EXPECT_FALSE(BestYoudenThreshold(points));
}

}  // namespace
}  // namespace talvex::analysis
