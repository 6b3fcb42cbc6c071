#include "talvex/analysis/operating_points.h"

#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>
#include <cmath>

namespace talvex::analysis {
namespace {

// Hanley and McNeil (1982), Table I.
const RatingCounts kPositives{3, 2, 2, 11, 33};
const RatingCounts kNegatives{33, 6, 6, 11, 2};

std::vector<double> Ratings(const RatingCounts& counts) {
  std::vector<double> ratings;
  for (size_t r = 0; r < counts.size(); ++r)
    ratings.insert(ratings.end(), counts[r], double(r) + 1.0);
  return ratings;
}

TEST(OperatingPoints, PartialAreaAgainstFineIntegration) {
  const EmpiricalCurve curve = CurveOfCounts(kPositives, kNegatives);
  // The whole range is the Mann-Whitney area: ties count one half, as the trapezoids do.
  EXPECT_NEAR(PartialArea(curve, 0.0, 1.0),
              EmpiricalArea(Ratings(kPositives), Ratings(kNegatives)).area, 1e-15);
  EXPECT_NEAR(StandardisedPartialArea(0.7, 0.0, 1.0), 0.7, 1e-15);
  // Midpoint sums of the interpolated curve over specificity 0.8 to 1 and 0.6 to 0.9.
  for (const auto& [low, high] : {std::pair{0.0, 0.2}, std::pair{0.1, 0.4}}) {
    const int steps = 200000;
    double sum = 0.0;
    for (int k = 0; k < steps; ++k) {
      sum += TruePositiveAt(curve, low + (k + 0.5) * (high - low) / steps) * (high - low) / steps;
    }
    EXPECT_NEAR(PartialArea(curve, low, high), sum, 1e-8) << low;
  }
  // McClish: the chance diagonal gives 0.5, the perfect curve 1, over any strip.
  EXPECT_NEAR(StandardisedPartialArea((0.2 * 0.2 - 0.0) / 2, 0.0, 0.2), 0.5, 1e-15);
  EXPECT_NEAR(StandardisedPartialArea(0.3, 0.1, 0.4), 1.0, 1e-15);
  const EmpiricalCurve chance = CurveOfCounts({2, 4, 6, 4, 2}, {1, 2, 3, 2, 1});
  EXPECT_NEAR(StandardisedPartialArea(PartialArea(chance, 0.0, 0.2), 0.0, 0.2), 0.5, 1e-15);
}

TEST(OperatingPoints, SensitivityAndSpecificityBetweenTheOperatingPoints) {
  const EmpiricalCurve curve = CurveOfCounts(kPositives, kNegatives);
  // Specificity 0.9 lies between "rating 5" (2/58, 33/51) and "rating >= 4" (13/58, 44/51).
  const double x0 = 2.0 / 58;
  const double x1 = 13.0 / 58;
  const double y0 = 33.0 / 51;
  const double y1 = 44.0 / 51;
  EXPECT_NEAR(TruePositiveAt(curve, 0.1), y0 + (0.1 - x0) / (x1 - x0) * (y1 - y0), 1e-15);
  // Sensitivity 0.9 between "rating >= 3" (19/58, 46/51) and "rating >= 2" (25/58, 48/51).
  EXPECT_NEAR(FalsePositiveAt(curve, 0.9), 19.0 / 58 + (0.9 - 46.0 / 51) / (2.0 / 51) * (6.0 / 58),
              1e-15);
  // On a vertical step the highest sensitivity, on a flat step the lowest false positives.
  const EmpiricalCurve steps = CurveOfCounts({0, 0, 2, 0, 2}, {2, 0, 2, 0, 0});
  EXPECT_DOUBLE_EQ(TruePositiveAt(steps, 0.0), 0.5);
  EXPECT_DOUBLE_EQ(FalsePositiveAt(steps, 0.5), 0.0);
  EXPECT_DOUBLE_EQ(FalsePositiveAt(steps, 1.0), 0.5);
}

TEST(OperatingPoints, PortableDrawsAndAReproducibleBootstrap) {
  // The standard fixes mt19937_64's 10000th output.
  std::mt19937_64 engine(5489u);
  engine.discard(9999);
  EXPECT_EQ(engine(), 9981545732273789042ull);
  // Every index equally likely (chi-square over 7 indices, 6 df, far below its 0.999 point
  // 22.5), also where the rejection refuses almost half of the words; and the draws are fixed.
  PortableRandom random(1);
  IndexDrawer seven(7, random);
  int counts[7] = {};
  for (int k = 0; k < 70000; ++k) ++counts[seven.Next()];
  double chi = 0.0;
  for (const int count : counts) chi += (count - 10000.0) * (count - 10000.0) / 10000.0;
  EXPECT_LT(chi, 22.5);
  IndexDrawer huge((uint32_t{1} << 31) + 1, random);
  for (int k = 0; k < 1000; ++k) ASSERT_LE(huge.Next(), uint32_t{1} << 31);
  PortableRandom fixed(20240229);
  IndexDrawer hundred(100, fixed);
  std::vector<uint32_t> draws;
  for (int k = 0; k < 6; ++k) draws.push_back(hundred.Next());
  EXPECT_EQ(draws, (std::vector<uint32_t>{11, 26, 9, 47, 43, 85}));
  std::mt19937_64 word(20240229);  // the first word's halves, low then high, scaled by hand
  const uint64_t w = word();
  EXPECT_EQ(draws[0], ((w & 0xffffffffu) * 100) >> 32);
  EXPECT_EQ(draws[1], ((w >> 32) * 100) >> 32);

  OperatingSettings settings;
  PortableRandom a(settings.seed);
  PortableRandom b(settings.seed);
  const OperatingFigures first = OperatingFiguresOf(kPositives, kNegatives, settings, 500, &a);
  const OperatingFigures again = OperatingFiguresOf(kPositives, kNegatives, settings, 500, &b);
  EXPECT_EQ(first.partialArea.lower, again.partialArea.lower);
  EXPECT_EQ(first.sensitivity.upper, again.sensitivity.upper);
  for (const BootstrapFigure* f : {&first.partialArea, &first.standardisedPartialArea,
                                   &first.sensitivity, &first.specificity}) {
    ASSERT_TRUE(f->lower && f->upper);
    EXPECT_LE(*f->lower, f->estimate);
    EXPECT_GE(*f->upper, f->estimate);
  }
  const OperatingFigures none = OperatingFiguresOf(kPositives, kNegatives, settings, 0, nullptr);
  EXPECT_FALSE(none.partialArea.lower);
  EXPECT_EQ(none.resamples, 0);
}

// Over the whole range of specificity the partial area is the ROC area, whose bootstrap spread
// DeLong's standard error predicts: the percentile interval is about 2 x 1.96 SE wide.
TEST(OperatingPoints, BootstrapSpreadMatchesDeLong) {
  OperatingSettings settings;
  settings.specificityFrom = 0.0;
  PortableRandom random(7);
  const OperatingFigures figures =
      OperatingFiguresOf(kPositives, kNegatives, settings, 4000, &random);
  const RocArea roc = EmpiricalArea(Ratings(kPositives), Ratings(kNegatives));
  const double width = *figures.partialArea.upper - *figures.partialArea.lower;
  EXPECT_NEAR(width / (2 * NormalQuantile95() * *roc.standardError), 1.0, 0.1);
}

// DeLong's paired test against the pairwise definition: placement values counted pair by pair.
TEST(OperatingPoints, DeLongPairedAgainstThePairwiseDefinition) {
  const std::vector<double> p1{5, 4, 4, 2, 5, 3, 4}, n1{1, 2, 3, 1, 4, 2, 1, 3};
  const std::vector<double> p2{4, 5, 3, 3, 4, 2, 5}, n2{2, 1, 3, 2, 2, 1, 3, 4};
  const auto psi = [](double x, double y) { return x > y ? 1.0 : x == y ? 0.5 : 0.0; };
  const auto placements = [&](const std::vector<double>& p, const std::vector<double>& n) {
    std::vector<double> v10;
    std::vector<double> v01;
    for (const double x : p) {
      double s = 0;
      for (const double y : n) s += psi(x, y);
      v10.push_back(s / double(n.size()));
    }
    for (const double y : n) {
      double s = 0;
      for (const double x : p) s += psi(x, y);
      v01.push_back(s / double(p.size()));
    }
    return std::pair{v10, v01};
  };
  const auto [a10, a01] = placements(p1, n1);
  const auto [b10, b01] = placements(p2, n2);
  const auto cov = [](const std::vector<double>& u, const std::vector<double>& v) {
    double mu = 0, mv = 0;
    for (size_t i = 0; i < u.size(); ++i) {
      mu += u[i] / double(u.size());
      mv += v[i] / double(v.size());
    }
    double s = 0;
    for (size_t i = 0; i < u.size(); ++i) s += (u[i] - mu) * (v[i] - mv);
    return s / double(u.size() - 1);
  };
  const auto mean = [](const std::vector<double>& v) {
    double s = 0;
    for (const double x : v) s += x / double(v.size());
    return s;
  };
  const double variance = (cov(a10, a10) + cov(b10, b10) - 2 * cov(a10, b10)) / 7 +
                          (cov(a01, a01) + cov(b01, b01) - 2 * cov(a01, b01)) / 8;
  const double difference = mean(a10) - mean(b10);

  const PairedResult result = DeLongPaired(EmpiricalArea(p1, n1), EmpiricalArea(p2, n2));
  ASSERT_TRUE(result.figures) << result.reason;
  EXPECT_NEAR(result.figures->difference, difference, 1e-15);
  EXPECT_NEAR(result.figures->standardError, std::sqrt(variance), 1e-15);
  const double z = difference / std::sqrt(variance);
  EXPECT_NEAR(result.figures->p, 2 * boost::math::cdf(boost::math::normal(), -std::abs(z)), 1e-14);

  // The same ratings in both tests: no variance, a reason and no p-value.
  const PairedResult same = DeLongPaired(EmpiricalArea(p1, n1), EmpiricalArea(p1, n1));
  EXPECT_FALSE(same.figures);
  EXPECT_NE(same.reason.find("no variance"), std::string::npos);
}

}  // namespace
}  // namespace talvex::analysis
