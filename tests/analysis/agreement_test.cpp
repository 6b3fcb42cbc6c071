#include "talvex/analysis/agreement.h"

#include <gtest/gtest.h>

#include <tuple>

namespace talvex::analysis {
namespace {

TEST(WeightedKappa, AgrestisTwoPathologists) {
  const CountTable table = {
      {22, 2, 2, 0, 0}, {5, 7, 14, 0, 0}, {0, 2, 36, 0, 0}, {0, 1, 14, 7, 0}, {0, 0, 3, 0, 3}};
  const struct {
    KappaWeights weights;
    double kappa;
    double standardError;
  } cases[] = {{KappaWeights::kUnweighted, 0.498418, 0.056604},
               {KappaWeights::kLinear, 0.649193, 0.048668},
               {KappaWeights::kQuadratic, 0.778564, 0.040915}};
  for (const auto& expected : cases) {
    SCOPED_TRACE(static_cast<int>(expected.weights));
    const std::optional<Kappa> kappa = WeightedKappa(table, expected.weights);
    ASSERT_TRUE(kappa);
    EXPECT_NEAR(kappa->kappa, expected.kappa, 5e-7);
    EXPECT_NEAR(kappa->standardError, expected.standardError, 5e-7);
  }
}

TEST(WeightedKappa, UndefinedOrPerfect) {
  // Every rating the same both times: chance agreement is perfect, kappa 0 / 0.
  CountTable same(5, std::vector<long long>(5, 0));
  same[2][2] = 12;
  EXPECT_FALSE(WeightedKappa(same, KappaWeights::kQuadratic));
  EXPECT_FALSE(WeightedKappa(CountTable(5, std::vector<long long>(5, 0)), KappaWeights::kLinear));
  // Perfect agreement over two categories: kappa 1 with no spread.
  CountTable perfect(5, std::vector<long long>(5, 0));
  perfect[0][0] = 3;
  perfect[4][4] = 5;
  const auto kappa = WeightedKappa(perfect, KappaWeights::kQuadratic);
  ASSERT_TRUE(kappa);
  EXPECT_DOUBLE_EQ(kappa->kappa, 1.0);
  EXPECT_NEAR(kappa->standardError, 0.0, 1e-12);
}

TEST(FleissKappa, TenSubjectsFourteenRaters) {
  const std::vector<std::vector<long long>> counts = {
      {0, 0, 0, 0, 14}, {0, 2, 6, 4, 2}, {0, 0, 3, 5, 6}, {0, 3, 9, 2, 0}, {2, 2, 8, 1, 1},
      {7, 7, 0, 0, 0},  {3, 2, 6, 3, 0}, {2, 5, 3, 2, 2}, {6, 5, 2, 1, 0}, {0, 2, 2, 3, 7}};
  const std::optional<FleissKappa> kappa = FleissKappaOf(counts);
  ASSERT_TRUE(kappa);
  EXPECT_NEAR(kappa->meanAgreement, 0.378022, 5e-7);
  EXPECT_NEAR(kappa->chanceAgreement, 0.212755, 5e-7);
  EXPECT_NEAR(kappa->kappa, 0.209931, 5e-7);
}

TEST(FleissKappa, UndefinedCases) {
  EXPECT_FALSE(FleissKappaOf({}));
  EXPECT_FALSE(FleissKappaOf({{0, 3, 0}, {0, 3, 0}}));  // every rating in one category
  EXPECT_FALSE(FleissKappaOf({{1, 2, 0}, {0, 2, 0}}));  // unequal numbers of ratings
  EXPECT_FALSE(FleissKappaOf({{1, 0}, {0, 1}}));        // one rating per subject
}

TEST(KrippendorffAlpha, FourCodersTwelveUnitsWithMissingValues) {
  // Rows are coders, columns units; 0 stands for a missing value.
  const int table[4][12] = {{1, 2, 3, 3, 2, 1, 4, 1, 2, 0, 0, 0},
                            {1, 2, 3, 3, 2, 2, 4, 1, 2, 5, 0, 3},
                            {0, 3, 3, 3, 2, 3, 4, 2, 2, 5, 1, 0},
                            {1, 2, 3, 3, 2, 4, 4, 1, 2, 5, 1, 0}};
  std::vector<std::vector<int>> units(12);
  for (const auto& coder : table) {
    for (size_t u = 0; u < 12; ++u) {
      if (coder[u] != 0) units[u].push_back(coder[u]);
    }
  }
  EXPECT_NEAR(*KrippendorffAlpha(units, AlphaMetric::kNominal), 0.7434, 5e-5);
  EXPECT_NEAR(*KrippendorffAlpha(units, AlphaMetric::kOrdinal), 0.8154, 5e-5);
  EXPECT_NEAR(*KrippendorffAlpha(units, AlphaMetric::kInterval), 0.8491, 5e-5);
  // The order of the coders within a unit changes nothing.
  for (auto& unit : units) std::reverse(unit.begin(), unit.end());
  EXPECT_NEAR(*KrippendorffAlpha(units, AlphaMetric::kOrdinal), 0.8154, 5e-5);
}

TEST(KrippendorffAlpha, UndefinedWithoutPairsOrVariation) {
  EXPECT_FALSE(KrippendorffAlpha({{3}, {4}}, AlphaMetric::kInterval));  // no unit has a pair
  EXPECT_FALSE(KrippendorffAlpha({{2, 2}, {2, 2, 2}}, AlphaMetric::kOrdinal));
  EXPECT_DOUBLE_EQ(*KrippendorffAlpha({{1, 1}, {5, 5}}, AlphaMetric::kInterval), 1.0);
}

TEST(Icc21, ShroutAndFleissSixTargetsFourJudges) {
  const std::vector<std::vector<double>> scores = {{9, 2, 5, 8}, {6, 1, 3, 2},  {8, 4, 6, 8},
                                                   {7, 1, 2, 6}, {10, 5, 6, 9}, {6, 2, 4, 7}};
  EXPECT_NEAR(*Icc21(scores), 0.290, 5e-4);
  EXPECT_FALSE(Icc21({{3, 3}, {3, 3}}));  // no variation at all
  EXPECT_FALSE(Icc21({{1, 2}}));          // one target
  EXPECT_FALSE(Icc21({{1, 2}, {3}}));     // not a complete table
  EXPECT_DOUBLE_EQ(*Icc21({{1, 1}, {4, 4}, {2, 2}}), 1.0);
}

TEST(Icc21, AllTiedRatingsHaveNoFigure) {
  // Rounding once left a tiny positive denominator here and gave -0.345.
  for (const auto& [targets, judges, value] :
       {std::tuple{114, 5, 2.0}, std::tuple{100, 3, 3.0}, std::tuple{37, 7, 4.0}}) {
    const std::vector<std::vector<double>> scores(size_t(targets),
                                                  std::vector<double>(size_t(judges), value));
    EXPECT_FALSE(Icc21(scores)) << targets << " x " << judges;
  }
  // Two targets, two judges, no target or judge effect: the denominator is 0 as well.
  EXPECT_FALSE(Icc21({{1, 2}, {2, 1}}));
}

}  // namespace
}  // namespace talvex::analysis
