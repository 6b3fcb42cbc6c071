#include "talvex/analysis/agreement.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <map>

namespace talvex::analysis {
namespace {

double Weight(KappaWeights weights, size_t i, size_t j, size_t k) {
  if (i == j) return 1.0;
  if (weights == KappaWeights::kUnweighted || k < 2) return 0.0;
  const double distance =
      std::fabs(static_cast<double>(i) - static_cast<double>(j)) / static_cast<double>(k - 1);
  return weights == KappaWeights::kLinear ? 1.0 - distance : 1.0 - distance * distance;
}

}  // namespace

std::optional<Kappa> WeightedKappa(const CountTable& table, KappaWeights weights) {
  const size_t k = table.size();
  long long total = 0;
  for (const auto& row : table) {
    for (const long long count : row) total += count;
  }
  if (total == 0) return std::nullopt;
  const double n = static_cast<double>(total);
  std::vector<double> rowShare(k, 0.0);
  std::vector<double> columnShare(k, 0.0);
  for (size_t i = 0; i < k; ++i) {
    for (size_t j = 0; j < k; ++j) {
      rowShare[i] += static_cast<double>(table[i][j]) / n;
      columnShare[j] += static_cast<double>(table[i][j]) / n;
    }
  }
  double observed = 0.0;
  double chance = 0.0;
  for (size_t i = 0; i < k; ++i) {
    for (size_t j = 0; j < k; ++j) {
      const double w = Weight(weights, i, j, k);
      observed += w * static_cast<double>(table[i][j]) / n;
      chance += w * rowShare[i] * columnShare[j];
    }
  }
  // Perfect chance agreement (for example every rating the same) leaves kappa 0 / 0.
  if (1.0 - chance < 1e-12) return std::nullopt;
  Kappa result;
  result.kappa = (observed - chance) / (1.0 - chance);

  // Fleiss, Cohen and Everitt (1969): the variance away from the null hypothesis
  // (docs/statistics.md: "Weighted kappa").
  std::vector<double> rowWeight(k, 0.0);     // w-bar i. = sum over j of p.j w_ij
  std::vector<double> columnWeight(k, 0.0);  // w-bar .j = sum over i of p_i. w_ij
  for (size_t i = 0; i < k; ++i) {
    for (size_t j = 0; j < k; ++j) {
      rowWeight[i] += columnShare[j] * Weight(weights, i, j, k);
      columnWeight[j] += rowShare[i] * Weight(weights, i, j, k);
    }
  }
  double sum = 0.0;
  for (size_t i = 0; i < k; ++i) {
    for (size_t j = 0; j < k; ++j) {
      const double term =
          Weight(weights, i, j, k) - (rowWeight[i] + columnWeight[j]) * (1.0 - result.kappa);
      sum += static_cast<double>(table[i][j]) / n * term * term;
    }
  }
  const double shift = result.kappa - chance * (1.0 - result.kappa);
  const double variance =
      std::max(0.0, sum - shift * shift) / (n * (1.0 - chance) * (1.0 - chance));
  result.standardError = std::sqrt(variance);
  return result;
}

std::optional<FleissKappa> FleissKappaOf(const std::vector<std::vector<long long>>& counts) {
  if (counts.empty()) return std::nullopt;
  long long raters = 0;
  for (const long long count : counts.front()) raters += count;
  if (raters < 2) return std::nullopt;
  const size_t categories = counts.front().size();
  std::vector<double> categoryTotals(categories, 0.0);
  double agreementSum = 0.0;
  for (const auto& subject : counts) {
    long long given = 0;
    double pairs = 0.0;
    for (size_t c = 0; c < subject.size() && c < categories; ++c) {
      given += subject[c];
      pairs += static_cast<double>(subject[c]) * static_cast<double>(subject[c] - 1);
      categoryTotals[c] += static_cast<double>(subject[c]);
    }
    if (given != raters || subject.size() != categories) return std::nullopt;
    agreementSum += pairs / (static_cast<double>(raters) * static_cast<double>(raters - 1));
  }
  const double allRatings = static_cast<double>(counts.size()) * static_cast<double>(raters);
  FleissKappa result;
  result.meanAgreement = agreementSum / static_cast<double>(counts.size());
  for (const double total : categoryTotals) {
    result.chanceAgreement += (total / allRatings) * (total / allRatings);
  }
  if (1.0 - result.chanceAgreement < 1e-12) return std::nullopt;
  result.kappa = (result.meanAgreement - result.chanceAgreement) / (1.0 - result.chanceAgreement);
  return result;
}

std::optional<double> KrippendorffAlpha(const std::vector<std::vector<int>>& units,
                                        AlphaMetric metric) {
  // The values that occur, in order; coincidences are counted between their indices.
  std::vector<int> values;
  for (const auto& unit : units) {
    if (unit.size() >= 2) values.insert(values.end(), unit.begin(), unit.end());
  }
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  const size_t v = values.size();
  if (v == 0) return std::nullopt;
  const auto indexOf = [&](int value) {
    return static_cast<size_t>(std::lower_bound(values.begin(), values.end(), value) -
                               values.begin());
  };

  // Coincidences: each ordered pair of values within a unit of m values adds 1 / (m - 1).
  std::vector<std::vector<double>> coincidences(v, std::vector<double>(v, 0.0));
  std::map<size_t, double> present;
  for (const auto& unit : units) {
    if (unit.size() < 2) continue;
    present.clear();
    for (const int value : unit) present[indexOf(value)] += 1.0;
    const double share = 1.0 / static_cast<double>(unit.size() - 1);
    for (const auto& [c, countC] : present) {
      for (const auto& [k, countK] : present) {
        coincidences[c][k] += countC * (countK - (c == k ? 1.0 : 0.0)) * share;
      }
    }
  }
  std::vector<double> marginal(v, 0.0);
  double pairable = 0.0;
  for (size_t c = 0; c < v; ++c) {
    for (size_t k = 0; k < v; ++k) marginal[c] += coincidences[c][k];
    pairable += marginal[c];
  }

  const auto squaredDifference = [&](size_t c, size_t k) {
    switch (metric) {
      case AlphaMetric::kNominal:
        return c == k ? 0.0 : 1.0;
      case AlphaMetric::kInterval: {
        const double d = static_cast<double>(values[c]) - static_cast<double>(values[k]);
        return d * d;
      }
      case AlphaMetric::kOrdinal:
        break;
    }
    // Ordinal: the marginal mass between the two ranks, each end counted one half.
    const size_t low = std::min(c, k);
    const size_t high = std::max(c, k);
    double between = 0.0;
    for (size_t g = low; g <= high; ++g) between += marginal[g];
    between -= (marginal[low] + marginal[high]) / 2.0;
    return between * between;
  };
  double disagreement = 0.0;
  double expected = 0.0;
  for (size_t c = 0; c < v; ++c) {
    for (size_t k = 0; k < v; ++k) {
      const double delta = squaredDifference(c, k);
      disagreement += coincidences[c][k] * delta;
      expected += marginal[c] * marginal[k] * delta;
    }
  }
  if (expected <= 0.0 || pairable < 2.0) return std::nullopt;
  return 1.0 - (pairable - 1.0) * disagreement / expected;
}

std::optional<double> Icc21(const std::vector<std::vector<double>>& scores) {
  const size_t n = scores.size();
  if (n < 2) return std::nullopt;
  const size_t k = scores.front().size();
  if (k < 2) return std::nullopt;
  for (const auto& row : scores) {
    if (row.size() != k) return std::nullopt;
  }
  // Means as sums over counts: ratings that are all alike give their value exactly.
  double total = 0.0;
  double largest = 0.0;
  std::vector<double> targetMeans(n, 0.0);
  std::vector<double> judgeMeans(k, 0.0);
  for (size_t t = 0; t < n; ++t) {
    for (size_t j = 0; j < k; ++j) {
      targetMeans[t] += scores[t][j];
      judgeMeans[j] += scores[t][j];
      total += scores[t][j];
      largest = std::max(largest, std::fabs(scores[t][j]));
    }
  }
  const double dn = static_cast<double>(n);
  const double dk = static_cast<double>(k);
  for (double& mean : targetMeans) mean /= dk;
  for (double& mean : judgeMeans) mean /= dn;
  const double grand = total / (dn * dk);
  double targets = 0.0;
  double judges = 0.0;
  double residual = 0.0;
  for (size_t t = 0; t < n; ++t) targets += (targetMeans[t] - grand) * (targetMeans[t] - grand);
  for (size_t j = 0; j < k; ++j) judges += (judgeMeans[j] - grand) * (judgeMeans[j] - grand);
  for (size_t t = 0; t < n; ++t) {
    for (size_t j = 0; j < k; ++j) {
      const double e = scores[t][j] - targetMeans[t] - judgeMeans[j] + grand;
      residual += e * e;
    }
  }
  // A mean square within the rounding noise of the scores (a few units in the last place of
  // the largest, squared) is no variation: without this, ratings all tied leave a denominator
  // of rounding error and a figure that looks real.
  const double noise = 64.0 * std::numeric_limits<double>::epsilon() * largest;
  const auto variation = [&](double meanSquare) {
    return meanSquare <= noise * noise ? 0.0 : meanSquare;
  };
  const double msTargets = variation(dk * targets / (dn - 1.0));
  const double msJudges = variation(dn * judges / (dk - 1.0));
  const double msError = variation(residual / ((dn - 1.0) * (dk - 1.0)));
  const double denominator = msTargets + (dk - 1.0) * msError + dk * (msJudges - msError) / dn;
  if (denominator <= noise * noise) return std::nullopt;
  return (msTargets - msError) / denominator;
}

}  // namespace talvex::analysis
