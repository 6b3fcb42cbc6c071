#include "talvex/rounding.h"

#include <gtest/gtest.h>

#include "talvex/experiment/trial_schedule.h"

namespace talvex::experiment {
namespace {

TEST(Round, TiesGoToEven) {
  const std::pair<double, int64_t> cases[] = {
      {2.5, 2},   {3.5, 4},   {0.5, 0}, {1.5, 2},
      {-2.5, -2}, {-3.5, -4}, {0.0, 0}, {2.4999999999999996, 2}};
  for (const auto& [x, rounded] : cases) EXPECT_EQ(Round(x), rounded) << x;
  const std::pair<int64_t, int64_t> nanoseconds[] = {{1500000, 2}, {2500000, 2},   {2500001, 3},
                                                     {499999, 0},  {-1500000, -2}, {-2600000, -3}};
  for (const auto& [ns, ms] : nanoseconds) EXPECT_EQ(NanosecondsToMilliseconds(ns), ms) << ns;
}

TEST(Round, ProductIsRoundedExactlyNotAsItsNearestDouble) {
  // 20 x 0.025 is slightly above 0.5 exactly, but its nearest double is 0.5.
  EXPECT_EQ(20 * 0.025, 0.5);
  EXPECT_EQ(RoundProduct(0.025, 20), 1);
  EXPECT_EQ(RoundProduct(0.125, 20), 2);  // exactly 2.5
  EXPECT_EQ(RoundProduct(0.1, 20), 2);
  EXPECT_EQ(RoundProduct(0.3, 80), 24);
  EXPECT_EQ(RoundProduct(-0.025, 20), -1);
  EXPECT_EQ(RoundProduct(0.5, 0), 0);
  // Huge values saturate.
  EXPECT_EQ(RoundProduct(1e300, 20), INT64_MAX);
  EXPECT_EQ(RoundProduct(-1e300, 20), -INT64_MAX);
  EXPECT_EQ(RoundProduct(4503599627370497.0, 2), 9007199254740994);
}

TEST(Round, ClassThresholdUsesExactProduct) {
  EXPECT_EQ(PositiveThreshold(1, 79), 13);  // 0.0125 as a double is just above 1/80
  EXPECT_EQ(PositiveThreshold(22, 104), 175);
  EXPECT_EQ(PositiveThreshold(0, 5), 0);
  EXPECT_EQ(PositiveThreshold(5, 0), 1000);
  EXPECT_EQ(PositiveThreshold(0, 0), 0);
}

}  // namespace
}  // namespace talvex::experiment
