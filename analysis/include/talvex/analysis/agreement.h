#pragma once
// Agreement between two readings of the same cases (weighted kappa) and among many raters
// (Fleiss' kappa, Krippendorff's alpha, the intraclass correlation ICC(2,1)).

#include <optional>
#include <vector>

namespace talvex::analysis {

// A square table of counts: table[i][j] cases rated category i the first time and j the second.
using CountTable = std::vector<std::vector<long long>>;

enum class KappaWeights { kUnweighted, kLinear, kQuadratic };

struct Kappa {
  double kappa = 0.0;
  double standardError = 0.0;  // large-sample, not under the null (Fleiss, Cohen and Everitt)
};

// Cohen's (1960, 1968) kappa with agreement weights 1 - |i - j| / (k - 1), 1 - (i - j)^2 /
// (k - 1)^2 or none, its standard error by Fleiss, Cohen and Everitt (1969); empty when the
// table is empty or chance agreement is already perfect (kappa 0 / 0). docs/statistics.md:
// "Weighted kappa".
std::optional<Kappa> WeightedKappa(const CountTable& table, KappaWeights weights);

struct FleissKappa {
  double meanAgreement = 0.0;    // P-bar
  double chanceAgreement = 0.0;  // P-bar e
  double kappa = 0.0;
};

// Fleiss' (1971) kappa (docs/statistics.md: "Fleiss' kappa") of subjects each rated by the
// same number m >= 2 of raters: counts[s][c] the
// raters who put subject s in category c. Empty when undefined (no subjects, unequal or
// fewer than two ratings per subject, or every rating in one category).
std::optional<FleissKappa> FleissKappaOf(const std::vector<std::vector<long long>>& counts);

enum class AlphaMetric { kNominal, kOrdinal, kInterval };

// Krippendorff's (2011) alpha (docs/statistics.md: "Krippendorff's alpha") of integer values:
// units[u] holds the values the coders gave unit u,
// missing ones left out; units with fewer than two values do not count. Empty when there is
// no pair or no disagreement to expect (every value the same).
std::optional<double> KrippendorffAlpha(const std::vector<std::vector<int>>& units,
                                        AlphaMetric metric);

// ICC(2,1), two-way random effects, absolute agreement, single rater (Shrout and Fleiss 1979,
// Case 2; docs/statistics.md: "ICC(2,1)"): scores[t][j] the score of target t by judge j, a
// complete table of at least two targets and two judges. Empty when undefined: no variation
// beyond the rounding noise of the scores.
std::optional<double> Icc21(const std::vector<std::vector<double>>& scores);

}  // namespace talvex::analysis
