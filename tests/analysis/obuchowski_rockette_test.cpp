#include "talvex/analysis/obuchowski_rockette.h"

#include <gtest/gtest.h>

#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <fstream>
#include <sstream>

namespace talvex::analysis {
namespace {

// A small study: readers' ratings of 5 positive and 6 negative cases, by test.
struct Reading {
  std::vector<double> positives;
  std::vector<double> negatives;
};
const std::vector<std::vector<Reading>> kTests = {{{{5, 4, 4, 2, 5}, {1, 2, 3, 1, 4, 2}},
                                                   {{4, 5, 3, 3, 4}, {2, 1, 3, 2, 2, 1}},
                                                   {{3, 5, 5, 1, 4}, {1, 3, 1, 2, 5, 1}}},
                                                  {{{5, 5, 4, 3, 4}, {1, 1, 2, 1, 3, 2}},
                                                   {{4, 4, 4, 2, 5}, {2, 2, 3, 1, 1, 1}},
                                                   {{5, 5, 3, 2, 5}, {1, 2, 2, 3, 4, 1}}}};

// The area computed pair by pair, straight from its definition.
double BruteArea(const Reading& r) {
  double wins = 0.0;
  for (const double x : r.positives) {
    for (const double y : r.negatives) wins += x > y ? 1.0 : x == y ? 0.5 : 0.0;
  }
  return wins / double(r.positives.size() * r.negatives.size());
}

// The areas leaving out each case in turn, each recomputed from scratch.
std::vector<double> BruteJackknife(const Reading& r) {
  std::vector<double> areas;
  for (size_t k = 0; k < r.positives.size(); ++k) {
    Reading less = r;
    less.positives.erase(less.positives.begin() + long(k));
    areas.push_back(BruteArea(less));
  }
  for (size_t k = 0; k < r.negatives.size(); ++k) {
    Reading less = r;
    less.negatives.erase(less.negatives.begin() + long(k));
    areas.push_back(BruteArea(less));
  }
  return areas;
}

double BruteCovariance(const Reading& a, const Reading& b) {
  const std::vector<double> ja = BruteJackknife(a);
  const std::vector<double> jb = BruteJackknife(b);
  const double k = double(ja.size());
  double meanA = 0.0;
  double meanB = 0.0;
  for (size_t i = 0; i < ja.size(); ++i) {
    meanA += ja[i] / k;
    meanB += jb[i] / k;
  }
  double sum = 0.0;
  for (size_t i = 0; i < ja.size(); ++i) sum += (ja[i] - meanA) * (jb[i] - meanB);
  return (k - 1.0) / k * sum;
}

std::vector<AreaEstimate> Estimates(const std::vector<Reading>& readers, CovarianceMethod method) {
  std::vector<AreaEstimate> estimates;
  for (const Reading& r : readers) {
    estimates.push_back(*EstimateOf(EmpiricalArea(r.positives, r.negatives), method));
  }
  return estimates;
}

TEST(ObuchowskiRockette, JackknifeCovariancesMatchTheBruteForce) {
  const std::vector<Reading>& readers = kTests[0];
  const auto estimates = Estimates(readers, CovarianceMethod::kJackknife);
  for (size_t a = 0; a < readers.size(); ++a) {
    EXPECT_NEAR(estimates[a].area, BruteArea(readers[a]), 1e-15);
    for (size_t b = 0; b < readers.size(); ++b) {
      EXPECT_NEAR(Covariance(estimates[a], estimates[b]), BruteCovariance(readers[a], readers[b]),
                  1e-14);
    }
  }
  // DeLong's covariance through the basis equals the one from the components; its variance
  // is the reader's own DeLong variance.
  const auto delong = Estimates(readers, CovarianceMethod::kDeLong);
  const RocArea a = EmpiricalArea(readers[0].positives, readers[0].negatives);
  const RocArea b = EmpiricalArea(readers[1].positives, readers[1].negatives);
  EXPECT_NEAR(Covariance(delong[0], delong[1]), DeLongCovariance(a, b), 1e-15);
  EXPECT_NEAR(Covariance(delong[0], delong[0]), *a.variance, 1e-15);
}

TEST(ObuchowskiRockette, SingleTestAgainstTheFormulasPairByPair) {
  const std::vector<Reading>& readers = kTests[0];
  const double j = double(readers.size());
  double mean = 0.0;
  for (const Reading& r : readers) mean += BruteArea(r) / j;
  double msr = 0.0;
  for (const Reading& r : readers) msr += std::pow(BruteArea(r) - mean, 2) / (j - 1.0);
  double cov2 = 0.0;
  for (size_t a = 0; a < readers.size(); ++a) {
    for (size_t b = 0; b < readers.size(); ++b) {
      if (a != b) cov2 += BruteCovariance(readers[a], readers[b]) / (j * (j - 1.0));
    }
  }
  const double denominator = msr + j * std::max(cov2, 0.0);
  const double se = std::sqrt(denominator / j);
  const double df = denominator * denominator / (msr * msr / (j - 1.0));
  const double t = boost::math::quantile(boost::math::students_t(df), 0.975);

  const auto result = SingleTest(Estimates(readers, CovarianceMethod::kJackknife));
  ASSERT_TRUE(result);
  EXPECT_NEAR(result->meanArea.estimate, mean, 1e-15);
  EXPECT_NEAR(result->meanSquareRaters, msr, 1e-15);
  EXPECT_NEAR(result->meanCovariance, cov2, 1e-15);
  EXPECT_NEAR(result->meanArea.standardError, se, 1e-14);
  ASSERT_TRUE(result->meanArea.degreesOfFreedom);
  EXPECT_NEAR(*result->meanArea.degreesOfFreedom, df, 1e-9);
  EXPECT_NEAR(result->meanArea.lower, std::max(0.0, mean - t * se), 1e-12);
  EXPECT_NEAR(result->meanArea.upper, std::min(1.0, mean + t * se), 1e-12);
}

TEST(ObuchowskiRockette, MultiTestAgainstTheFormulasPairByPair) {
  const double tests = double(kTests.size());
  const double j = double(kTests[0].size());
  std::vector<double> testMeans(kTests.size(), 0.0);
  std::vector<double> readerMeans(kTests[0].size(), 0.0);
  double grand = 0.0;
  for (size_t i = 0; i < kTests.size(); ++i) {
    for (size_t r = 0; r < kTests[i].size(); ++r) {
      const double area = BruteArea(kTests[i][r]);
      testMeans[i] += area / j;
      readerMeans[r] += area / tests;
      grand += area / (tests * j);
    }
  }
  double mst = 0.0;
  for (const double m : testMeans) mst += j * std::pow(m - grand, 2) / (tests - 1.0);
  double mstr = 0.0;
  double cov[4] = {};  // index 1, 2, 3: same reader; same test; neither
  double pairs[4] = {};
  for (size_t i = 0; i < kTests.size(); ++i) {
    for (size_t r = 0; r < kTests[i].size(); ++r) {
      mstr += std::pow(BruteArea(kTests[i][r]) - testMeans[i] - readerMeans[r] + grand, 2) /
              ((tests - 1.0) * (j - 1.0));
      for (size_t i2 = 0; i2 < kTests.size(); ++i2) {
        for (size_t r2 = 0; r2 < kTests[i2].size(); ++r2) {
          const int kind = i == i2 && r == r2 ? 0 : r == r2 ? 1 : i == i2 ? 2 : 3;
          cov[kind] += BruteCovariance(kTests[i][r], kTests[i2][r2]);
          pairs[kind] += 1.0;
        }
      }
    }
  }
  for (int kind = 1; kind <= 3; ++kind) cov[kind] /= pairs[kind];
  const double denominator = mstr + j * std::max(cov[2] - cov[3], 0.0);
  const double f = mst / denominator;
  const double ddf = denominator * denominator / (mstr * mstr / ((tests - 1.0) * (j - 1.0)));
  const double p =
      boost::math::cdf(boost::math::complement(boost::math::fisher_f(tests - 1.0, ddf), f));
  const double seDifference = std::sqrt(2.0 / j * denominator);

  std::vector<std::vector<AreaEstimate>> estimates;
  for (const auto& readers : kTests) {
    estimates.push_back(Estimates(readers, CovarianceMethod::kJackknife));
  }
  const auto result = MultiTest(estimates);
  ASSERT_TRUE(result);
  EXPECT_NEAR(result->meanSquareTests, mst, 1e-15);
  EXPECT_NEAR(result->meanSquareTestByRater, mstr, 1e-15);
  EXPECT_NEAR(result->covariance1, cov[1], 1e-15);
  EXPECT_NEAR(result->covariance2, cov[2], 1e-15);
  EXPECT_NEAR(result->covariance3, cov[3], 1e-15);
  ASSERT_TRUE(result->f && result->denominatorDf && result->p);
  EXPECT_NEAR(*result->f, f, 1e-9);
  EXPECT_NEAR(*result->denominatorDf, ddf, 1e-9);
  EXPECT_NEAR(*result->p, p, 1e-9);
  ASSERT_EQ(result->differences.size(), 1u);
  const TInterval& d = result->differences[0].difference;
  EXPECT_NEAR(d.estimate, testMeans[0] - testMeans[1], 1e-15);
  EXPECT_NEAR(d.standardError, seDifference, 1e-14);
  const double t = boost::math::quantile(boost::math::students_t(ddf), 0.975);
  EXPECT_NEAR(d.upper - d.lower, 2.0 * t * seDifference, 1e-12);
}

TEST(ObuchowskiRockette, RelabellingReadersOrRecodingChangesNothing) {
  std::vector<Reading> readers = kTests[0];
  const auto base = SingleTest(Estimates(readers, CovarianceMethod::kJackknife));
  std::rotate(readers.begin(), readers.begin() + 1, readers.end());
  const auto relabelled = SingleTest(Estimates(readers, CovarianceMethod::kJackknife));
  EXPECT_NEAR(relabelled->meanArea.estimate, base->meanArea.estimate, 1e-15);
  EXPECT_NEAR(relabelled->meanArea.lower, base->meanArea.lower, 1e-12);
  EXPECT_NEAR(relabelled->meanArea.upper, base->meanArea.upper, 1e-12);

  // Every rating recoded monotonically, then the scale reversed.
  for (Reading& r : readers) {
    for (auto* values : {&r.positives, &r.negatives}) {
      for (double& v : *values) v = 100.0 - v * v;
    }
  }
  const auto reversed = SingleTest(Estimates(readers, CovarianceMethod::kDeLong));
  const auto delong = SingleTest(Estimates(kTests[0], CovarianceMethod::kDeLong));
  EXPECT_NEAR(reversed->meanArea.estimate, 1.0 - delong->meanArea.estimate, 1e-15);
  EXPECT_NEAR(reversed->meanArea.standardError, delong->meanArea.standardError, 1e-12);
}

TEST(ObuchowskiRockette, DegenerateStudies) {
  const auto one = Estimates({kTests[0][0]}, CovarianceMethod::kJackknife);
  EXPECT_FALSE(SingleTest(one));
  // Readers who agree exactly: no between-reader variation, infinite df, a normal interval.
  const std::vector<Reading> same(3, kTests[0][0]);
  const auto result = SingleTest(Estimates(same, CovarianceMethod::kJackknife));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->meanSquareRaters, 0.0);
  EXPECT_FALSE(result->meanArea.degreesOfFreedom);
  const TInterval& mean = result->meanArea;
  const double half = NormalQuantile95() * mean.standardError;
  EXPECT_GT(half, 0.0);
  EXPECT_NEAR(mean.lower, std::max(0.0, mean.estimate - half), 1e-15);
  EXPECT_NEAR(mean.upper, std::min(1.0, mean.estimate + half), 1e-15);
  // Fewer than two cases of a class: no estimate.
  EXPECT_FALSE(EstimateOf(EmpiricalArea({4}, {1, 2}), CovarianceMethod::kJackknife));
  // Two identical tests: no test-by-reader variation beyond the covariances, F 0, p 1.
  const auto twice = MultiTest({Estimates(kTests[0], CovarianceMethod::kDeLong),
                                Estimates(kTests[0], CovarianceMethod::kDeLong)});
  ASSERT_TRUE(twice);
  EXPECT_FALSE(twice->f);
  EXPECT_FALSE(MultiTest({Estimates(kTests[0], CovarianceMethod::kDeLong)}));
}

// The Van Dyke et al. (1993) study, 5 readers x 114 cases x 2 modalities (tests/data), by
// modality and reader.
std::vector<std::vector<Reading>> VanDyke() {
  std::ifstream in(std::string(TALVEX_TEST_DATA) + "/van_dyke_1993.tsv");
  std::vector<std::vector<Reading>> tests(2, std::vector<Reading>(5));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    int caseNumber = 0;
    int truth = 0;
    fields >> caseNumber >> truth;
    for (size_t reader = 0; reader < 5; ++reader) {
      for (auto& test : tests) {
        double rating = 0.0;
        fields >> rating;
        (truth == 1 ? test[reader].positives : test[reader].negatives).push_back(rating);
      }
    }
  }
  return tests;
}

// The published Obuchowski-Rockette-Hillis figures of this data set: trapezoidal areas,
// jackknife covariances (docs/statistics.md gives the source).
TEST(ObuchowskiRockette, PublishedVanDykeStudy) {
  const auto study = VanDyke();
  ASSERT_EQ(study[0][0].positives.size(), 45u);
  ASSERT_EQ(study[1][4].negatives.size(), 69u);
  const double areas[2][5] = {{0.91964573, 0.85877617, 0.90386473, 0.97310789, 0.82979066},
                              {0.94782609, 0.90531401, 0.92173913, 0.99935588, 0.92995169}};
  std::vector<std::vector<AreaEstimate>> estimates;
  for (size_t i = 0; i < 2; ++i) {
    estimates.push_back(Estimates(study[i], CovarianceMethod::kJackknife));
    for (size_t r = 0; r < 5; ++r) EXPECT_NEAR(estimates[i][r].area, areas[i][r], 5e-9);
  }
  const auto result = MultiTest(estimates);
  ASSERT_TRUE(result && result->f && result->denominatorDf && result->p);
  EXPECT_NEAR(result->meanAreas[0], 0.89703704, 5e-9);
  EXPECT_NEAR(result->meanAreas[1], 0.94083736, 5e-9);
  EXPECT_NEAR(result->meanSquareTests, 0.00479617, 5e-9);
  EXPECT_NEAR(result->meanSquareTestByRater, 0.00055103, 5e-9);
  EXPECT_NEAR(result->covariance1, 0.00034661, 5e-9);
  EXPECT_NEAR(result->covariance2, 0.00034407, 5e-9);
  EXPECT_NEAR(result->covariance3, 0.00023903, 5e-9);
  EXPECT_NEAR(*result->f, 4.46, 5e-3);
  EXPECT_NEAR(*result->denominatorDf, 15.26, 5e-3);
  EXPECT_NEAR(*result->p, 0.0517, 5e-5);
  const TInterval& difference = result->differences.at(0).difference;
  EXPECT_NEAR(difference.estimate, -0.04380032, 5e-9);
  EXPECT_NEAR(difference.standardError, 0.02075, 5e-6);
  EXPECT_NEAR(difference.lower, -0.08796, 5e-6);
  EXPECT_NEAR(difference.upper, 0.00036, 5e-6);
  // Each modality alone: MS(R), Cov2, SE, df and interval.
  const double single[2][6] = {{0.00308263, 0.00048396, 0.03317360, 12.74, 0.82522360, 0.96885048},
                               {0.00130460, 0.00020419, 0.02156637, 12.71, 0.89413783, 0.98753689}};
  ASSERT_EQ(result->singleTests.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    const SingleTestResult& test = result->singleTests[i];
    EXPECT_NEAR(test.meanSquareRaters, single[i][0], 5e-9);
    EXPECT_NEAR(test.meanCovariance, single[i][1], 5e-9);
    EXPECT_NEAR(test.meanArea.standardError, single[i][2], 5e-9);
    ASSERT_TRUE(test.meanArea.degreesOfFreedom);
    EXPECT_NEAR(*test.meanArea.degreesOfFreedom, single[i][3], 5e-3);
    EXPECT_NEAR(test.meanArea.lower, single[i][4], 5e-8);
    EXPECT_NEAR(test.meanArea.upper, single[i][5], 5e-8);
  }
}

}  // namespace
}  // namespace talvex::analysis
