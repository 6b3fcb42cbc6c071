#include "talvex/analysis/binormal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <functional>

namespace talvex::analysis {
namespace {

double Phi(double z) {
  return boost::math::cdf(boost::math::normal(), z);
}
std::vector<double> AsVector(const RatingCounts& counts) {
  return {counts.begin(), counts.end()};
}

// A plain Nelder-Mead simplex search for the minimum of f, from start with steps of step.
std::vector<double> NelderMead(const std::function<double(const std::vector<double>&)>& f,
                               std::vector<double> start, double step) {
  const size_t n = start.size();
  std::vector<std::vector<double>> points(n + 1, start);
  for (size_t i = 0; i < n; ++i) points[i + 1][i] += step;
  std::vector<double> values;
  for (const auto& p : points) values.push_back(f(p));
  for (int iteration = 0; iteration < 20000; ++iteration) {
    std::vector<size_t> order(n + 1);
    for (size_t i = 0; i <= n; ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return values[a] < values[b]; });
    if (values[order[n]] - values[order[0]] < 1e-14) break;
    std::vector<double> centre(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
      for (size_t d = 0; d < n; ++d) centre[d] += points[order[i]][d] / double(n);
    }
    const auto along = [&](double t) {
      std::vector<double> p(n);
      for (size_t d = 0; d < n; ++d) p[d] = centre[d] + t * (points[order[n]][d] - centre[d]);
      return p;
    };
    const std::vector<double> reflected = along(-1.0);
    const double fr = f(reflected);
    if (fr < values[order[0]]) {
      const std::vector<double> expanded = along(-2.0);
      const double fe = f(expanded);
      points[order[n]] = fe < fr ? expanded : reflected;
      values[order[n]] = std::min(fe, fr);
    } else if (fr < values[order[n - 1]]) {
      points[order[n]] = reflected;
      values[order[n]] = fr;
    } else {
      const std::vector<double> contracted = along(0.5);
      const double fc = f(contracted);
      if (fc < values[order[n]]) {
        points[order[n]] = contracted;
        values[order[n]] = fc;
      } else {
        for (size_t i = 1; i <= n; ++i) {
          for (size_t d = 0; d < n; ++d) {
            points[order[i]][d] = (points[order[i]][d] + points[order[0]][d]) / 2.0;
          }
          values[order[i]] = f(points[order[i]]);
        }
      }
    }
  }
  return points[size_t(std::min_element(values.begin(), values.end()) - values.begin())];
}

// (a, log b, c1, log(c2 - c1), ...): every point of the search is a valid curve.
struct Natural {
  double a;
  double b;
  std::vector<double> thresholds;
};
Natural FromSearch(const std::vector<double>& x) {
  Natural n{x[0], std::exp(x[1]), {x[2]}};
  for (size_t k = 3; k < x.size(); ++k)
    n.thresholds.push_back(n.thresholds.back() + std::exp(x[k]));
  return n;
}

// The fit of Chakraborty's (2017) ratings table: 60 negatives and 50 positives over five ratings,
// fitted by ROCFIT (a = 1.3204, b = 0.6075) and in R (the digits below).
TEST(BinormalFit, PublishedRatingsTable) {
  const BinormalResult result = FitBinormal({5, 6, 5, 12, 22}, {30, 19, 8, 2, 1});
  ASSERT_TRUE(result.fit) << result.reason;
  const BinormalFit& fit = *result.fit;
  EXPECT_NEAR(fit.a, 1.32045261, 5e-6);
  EXPECT_NEAR(fit.b, 0.607492932, 5e-6);
  const double thresholds[] = {0.00768054675, 0.89627306763, 1.51564784976, 2.39672209865};
  ASSERT_EQ(fit.thresholds.size(), 4u);
  for (size_t k = 0; k < 4; ++k) EXPECT_NEAR(fit.thresholds[k], thresholds[k], 5e-6) << k;
  EXPECT_EQ(fit.thresholdRatings, (std::vector<int>{2, 3, 4, 5}));
  EXPECT_NEAR(fit.area, 0.870452157, 1e-6);
  EXPECT_NEAR(fit.areaStandardError, 0.0379042262, 2e-5);
  EXPECT_LT(fit.lower, fit.area);
  EXPECT_GT(fit.upper, fit.area);
  EXPECT_EQ(fit.degreesOfFreedom, 2);

  // Pearson's chi-square recomputed from the fitted thresholds.
  const double n0[] = {30, 19, 8, 2, 1};
  const double n1[] = {5, 6, 5, 12, 22};
  double chi = 0.0;
  for (size_t j = 0; j < 5; ++j) {
    const auto cumulative = [&](size_t k, bool positive) {
      if (k == 0) return 0.0;
      if (k == 5) return 1.0;
      const double c = fit.thresholds[k - 1];
      return Phi(positive ? fit.b * c - fit.a : c);
    };
    const double e0 = 60 * (cumulative(j + 1, false) - cumulative(j, false));
    const double e1 = 50 * (cumulative(j + 1, true) - cumulative(j, true));
    chi += (n0[j] - e0) * (n0[j] - e0) / e0 + (n1[j] - e1) * (n1[j] - e1) / e1;
  }
  ASSERT_TRUE(fit.chiSquare && fit.p);
  EXPECT_NEAR(*fit.chiSquare, chi, 1e-9);
  EXPECT_NEAR(*fit.p, 1.0 - boost::math::cdf(boost::math::chi_squared(2), chi), 1e-12);
}

// Hanley and McNeil's (1982) table, fitted again by a Nelder-Mead search on the same likelihood;
// the standard error of Az again from a Hessian by finite differences.
TEST(BinormalFit, AgreesWithAnIndependentMaximiser) {
  const RatingCounts positives{3, 2, 2, 11, 33};
  const RatingCounts negatives{33, 6, 6, 11, 2};
  const BinormalResult result = FitBinormal(positives, negatives);
  ASSERT_TRUE(result.fit) << result.reason;
  const BinormalFit& fit = *result.fit;

  const auto minusLogLikelihood = [&](const std::vector<double>& x) {
    const Natural n = FromSearch(x);
    const double ll =
        BinormalLogLikelihood(AsVector(positives), AsVector(negatives), n.a, n.b, n.thresholds);
    return std::isfinite(ll) ? -ll : 1e300;
  };
  std::vector<double> x = NelderMead(minusLogLikelihood, {1.0, 0.0, 0.0, -1.0, -1.0, 0.0}, 0.5);
  x = NelderMead(minusLogLikelihood, x, 0.05);  // restarted, as a simplex search should be
  const Natural best = FromSearch(x);
  EXPECT_NEAR(fit.a, best.a, 1e-4);
  EXPECT_NEAR(fit.b, best.b, 1e-4);
  for (size_t k = 0; k < 4; ++k) EXPECT_NEAR(fit.thresholds[k], best.thresholds[k], 1e-4);
  EXPECT_GE(fit.logLikelihood, -minusLogLikelihood(x) - 1e-9);

  // Observed information by central differences in (a, b, c1..c4).
  std::vector<double> theta{fit.a, fit.b};
  theta.insert(theta.end(), fit.thresholds.begin(), fit.thresholds.end());
  const auto ll = [&](const std::vector<double>& t) {
    return BinormalLogLikelihood(AsVector(positives), AsVector(negatives), t[0], t[1],
                                 {t.begin() + 2, t.end()});
  };
  const size_t n = theta.size();
  const double h = 1e-4;
  std::vector<std::vector<double>> info(n, std::vector<double>(n));
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      const auto at = [&](double di, double dj) {
        std::vector<double> t = theta;
        t[i] += di;
        t[j] += dj;
        return ll(t);
      };
      info[i][j] = -(at(h, h) - at(h, -h) - at(-h, h) + at(-h, -h)) / (4 * h * h);
    }
  }
  // Inverse by Gauss-Jordan elimination.
  std::vector<std::vector<double>> inv(n, std::vector<double>(n, 0.0));
  for (size_t i = 0; i < n; ++i) inv[i][i] = 1.0;
  for (size_t c = 0; c < n; ++c) {
    const double pivot = info[c][c];
    for (size_t j = 0; j < n; ++j) {
      info[c][j] /= pivot;
      inv[c][j] /= pivot;
    }
    for (size_t r = 0; r < n; ++r) {
      if (r == c) continue;
      const double factor = info[r][c];
      for (size_t j = 0; j < n; ++j) {
        info[r][j] -= factor * info[c][j];
        inv[r][j] -= factor * inv[c][j];
      }
    }
  }
  const double root = std::sqrt(1 + fit.b * fit.b);
  const double z = fit.a / root;
  const double ga = 1 / root;
  const double gb = -fit.a * fit.b / (root * root * root);
  const double se = boost::math::pdf(boost::math::normal(), z) *
                    std::sqrt(ga * ga * inv[0][0] + gb * gb * inv[1][1] + 2 * ga * gb * inv[0][1]);
  EXPECT_NEAR(fit.areaStandardError, se, 1e-5);
  EXPECT_NEAR(fit.area, Phi(z), 1e-15);
}

TEST(BinormalFit, DegenerateCountsGiveAReasonInsteadOfAFit) {
  struct Case {
    RatingCounts positives;
    RatingCounts negatives;
    const char* reason;
  };
  const Case cases[] = {
      {{0, 0, 0, 9, 0}, {5, 4, 3, 1, 0}, "every positive case got the same rating"},
      {{0, 1, 2, 3, 4}, {0, 0, 7, 0, 0}, "every negative case got the same rating"},
      {{0, 0, 0, 4, 6}, {5, 3, 2, 0, 0}, "separate the classes completely"},
      {{5, 3, 0, 0, 0}, {0, 0, 1, 4, 5}, "rated below every negative"},
      // Negatives on 1 and 2, positives on 2 and 3: the points (0, t) and (f, 1) only.
      {{0, 3, 6, 0, 0}, {5, 4, 0, 0, 0}, "no operating point off the edges"},
      {{0, 3, 0, 6, 0}, {0, 6, 0, 2, 0}, "one operating point"},
      {{0, 0, 0, 0, 0}, {1, 2, 3, 0, 0}, "needs cases of both classes"},
  };
  for (const Case& c : cases) {
    const BinormalResult result = FitBinormal(c.positives, c.negatives);
    EXPECT_FALSE(result.fit) << c.reason;
    EXPECT_NE(result.reason.find(c.reason), std::string::npos) << result.reason;
  }
  // Three ratings used: a fit through both points, and no chi-square, with the reason.
  const BinormalResult three = FitBinormal({1, 0, 2, 0, 4}, {5, 0, 3, 0, 1});
  ASSERT_TRUE(three.fit) << three.reason;
  EXPECT_EQ(three.fit->degreesOfFreedom, 0);
  EXPECT_FALSE(three.fit->chiSquare);
  EXPECT_FALSE(three.fit->fitNote.empty());
  EXPECT_EQ(three.fit->thresholdRatings, (std::vector<int>{3, 5}));
  EXPECT_NEAR(three.fit->b, 0.8212, 5e-4);  // the line through the two points in probit space
}

// Chakraborty (2017), the binormal partial area: a = 1.8, b = 1 over FPF 0 to 0.3 is 0.216 (Az
// 0.898); and over 0 to 0.1 with b = 1 the area divided by 0.1 TPF(0.1) for a = 1, 2, 3, 4.
TEST(BinormalFit, PartialAreasOfThePublishedCurves) {
  EXPECT_NEAR(BinormalPartialArea(1.8, 1.0, 0.0, 0.3), 0.216, 5e-4);
  EXPECT_NEAR(BinormalArea(1.8, 1.0), 0.898, 5e-4);
  const double normalised[] = {0.6260, 0.7785, 0.9144, 0.9822};
  for (int a = 1; a <= 4; ++a) {
    const double area = BinormalPartialArea(a, 1.0, 0.0, 0.1);
    EXPECT_NEAR(area / (0.1 * BinormalTruePositive(a, 1.0, 0.1)), normalised[a - 1], 5e-5) << a;
  }
  // The whole range is Az, and the pieces add up.
  EXPECT_NEAR(BinormalPartialArea(1.3, 0.6, 0.0, 1.0), BinormalArea(1.3, 0.6), 1e-10);
  EXPECT_NEAR(BinormalPartialArea(1.3, 0.6, 0.0, 0.2) + BinormalPartialArea(1.3, 0.6, 0.2, 1.0),
              BinormalArea(1.3, 0.6), 1e-10);
}

}  // namespace
}  // namespace talvex::analysis
