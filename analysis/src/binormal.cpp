#include "talvex/analysis/binormal.h"

#include <algorithm>
#include <boost/math/constants/constants.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <cmath>
#include <limits>

#include "talvex/analysis/roc.h"
#include "talvex/analysis/text_format.h"

namespace talvex::analysis {
namespace {

using Vector = std::vector<double>;
using Matrix = std::vector<Vector>;

constexpr int kMaxIterations = 500;
constexpr double kStepTolerance = 1e-10;
// A fitted b beyond these bounds is a curve of horizontal and vertical segments, not a fit.
constexpr double kSmallestB = 0.01;
constexpr double kLargestB = 100.0;
constexpr double kSmallestProbability = 1e-300;

double Phi(double z) {
  return 0.5 * boost::math::erfc(-z / std::sqrt(2.0));
}
double Density(double z) {
  return std::exp(-0.5 * z * z) / std::sqrt(2.0 * boost::math::constants::pi<double>());
}
double PhiInverse(double p) {
  return -std::sqrt(2.0) * boost::math::erfc_inv(2.0 * p);
}

// The inverse of a symmetric positive definite matrix through its Cholesky factor; empty when
// the matrix is not positive definite.
std::optional<Matrix> InversePositiveDefinite(const Matrix& m) {
  const size_t n = m.size();
  Matrix l(n, Vector(n, 0.0));
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j <= i; ++j) {
      double sum = m[i][j];
      for (size_t k = 0; k < j; ++k) sum -= l[i][k] * l[j][k];
      if (i == j) {
        if (!(sum > 0.0)) return std::nullopt;
        l[i][i] = std::sqrt(sum);
      } else {
        l[i][j] = sum / l[j][j];
      }
    }
  }
  // Columns of L^-1, then (L^-1)^T L^-1.
  Matrix inverseL(n, Vector(n, 0.0));
  for (size_t c = 0; c < n; ++c) {
    inverseL[c][c] = 1.0 / l[c][c];
    for (size_t i = c + 1; i < n; ++i) {
      double sum = 0.0;
      for (size_t k = c; k < i; ++k) sum -= l[i][k] * inverseL[k][c];
      inverseL[i][c] = sum / l[i][i];
    }
  }
  Matrix inverse(n, Vector(n, 0.0));
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      for (size_t k = std::max(i, j); k < n; ++k) inverse[i][j] += inverseL[k][i] * inverseL[k][j];
    }
  }
  return inverse;
}

// The log-likelihood of the counts at parameters theta = (a, b, c_1 .. c_m) with its gradient,
// its Hessian (the negative observed information) and the expected (Fisher) information.
// Category j of a class has probability F(u_j) - F(u_(j-1)), u = c for negatives and b c - a
// for positives (Dorfman and Alf 1969; Chakraborty 2017, eq. 6.4.8).
struct Evaluation {
  double logLikelihood = -std::numeric_limits<double>::infinity();
  Vector gradient;
  Matrix hessian;
  Matrix fisher;
};

bool Valid(const Vector& theta) {
  if (!(theta[1] > 0.0)) return false;
  for (size_t k = 3; k < theta.size(); ++k) {
    if (!(theta[k] > theta[k - 1])) return false;
  }
  return true;
}

// What an evaluation computes: the value; with the gradient and the expected information for a
// scoring step; and with the Hessian for the observed information.
enum class Order { kValue, kScoring, kHessian };

void AddClass(const Vector& counts, bool positive, const Vector& theta, Order order,
              Evaluation& e) {
  const bool derivatives = order != Order::kValue;
  const bool second = order == Order::kHessian;
  const size_t parameters = theta.size();
  const size_t categories = counts.size();
  const double a = theta[0];
  const double b = theta[1];
  double total = 0.0;
  for (const double count : counts) total += count;
  // F, its gradient and Hessian at each boundary; the outer boundaries are 0 and 1.
  std::vector<double> f(categories + 1, 0.0);
  std::vector<Vector> df(categories + 1, Vector(parameters, 0.0));
  std::vector<Matrix> d2f(categories + 1);
  const Matrix zeros(second ? parameters : 0, Vector(parameters, 0.0));
  f[categories] = 1.0;
  for (size_t k = 1; k < categories; ++k) {
    const double c = theta[1 + k];
    const double u = positive ? b * c - a : c;
    f[k] = Phi(u);
    if (!derivatives) continue;
    Vector du(parameters, 0.0);
    if (positive) {
      du[0] = -1.0;
      du[1] = c;
      du[1 + k] = b;
    } else {
      du[1 + k] = 1.0;
    }
    const double density = Density(u);
    for (size_t i = 0; i < parameters; ++i) df[k][i] = density * du[i];
    if (!second) continue;
    d2f[k] = zeros;
    for (size_t i = 0; i < parameters; ++i) {
      for (size_t j = 0; j < parameters; ++j) d2f[k][i][j] = -u * density * du[i] * du[j];
    }
    if (positive) {
      d2f[k][1][1 + k] += density;
      d2f[k][1 + k][1] += density;
    }
  }
  for (size_t j = 1; j <= categories; ++j) {
    const double probability = f[j] - f[j - 1];
    if (counts[j - 1] == 0.0) {
      if (!derivatives || probability <= kSmallestProbability) continue;
    } else if (!(probability > kSmallestProbability)) {
      e.logLikelihood = -std::numeric_limits<double>::infinity();
      return;
    }
    const double n = counts[j - 1];
    if (n > 0.0) e.logLikelihood += n * std::log(probability);
    if (!derivatives) continue;
    Vector dp(parameters);
    for (size_t i = 0; i < parameters; ++i) dp[i] = df[j][i] - df[j - 1][i];
    for (size_t i = 0; i < parameters; ++i) {
      e.gradient[i] += n * dp[i] / probability;
      for (size_t k = 0; k < parameters; ++k) {
        e.fisher[i][k] += total * dp[i] * dp[k] / probability;
        if (!second) continue;
        double curvature = 0.0;
        if (!d2f[j].empty()) curvature += d2f[j][i][k];
        if (!d2f[j - 1].empty()) curvature -= d2f[j - 1][i][k];
        e.hessian[i][k] +=
            n * (curvature / probability - dp[i] * dp[k] / (probability * probability));
      }
    }
  }
}

Evaluation Evaluate(const Vector& positives, const Vector& negatives, const Vector& theta,
                    Order order) {
  Evaluation e;
  if (!Valid(theta)) return e;
  e.logLikelihood = 0.0;
  const size_t n = theta.size();
  e.gradient.assign(n, 0.0);
  e.hessian.assign(n, Vector(n, 0.0));
  e.fisher.assign(n, Vector(n, 0.0));
  AddClass(negatives, false, theta, order, e);
  if (std::isfinite(e.logLikelihood)) AddClass(positives, true, theta, order, e);
  return e;
}

// Starting values: thresholds from the negatives' cumulative shares and (a, b) from the line
// through the operating points in probit space, shares pulled off 0 and 1 by half a case.
Vector StartingValues(const Vector& positives, const Vector& negatives) {
  const size_t categories = positives.size();
  double n1 = 0.0;
  double n0 = 0.0;
  for (size_t j = 0; j < categories; ++j) {
    n1 += positives[j];
    n0 += negatives[j];
  }
  Vector x;
  Vector y;
  double below1 = 0.0;
  double below0 = 0.0;
  for (size_t k = 0; k + 1 < categories; ++k) {
    below1 += positives[k];
    below0 += negatives[k];
    x.push_back(PhiInverse((below0 + 0.5) / (n0 + 1.0)));
    y.push_back(PhiInverse((below1 + 0.5) / (n1 + 1.0)));
  }
  // y = b x - a for the cumulative shares below each boundary.
  double meanX = 0.0;
  double meanY = 0.0;
  for (size_t k = 0; k < x.size(); ++k) {
    meanX += x[k] / static_cast<double>(x.size());
    meanY += y[k] / static_cast<double>(x.size());
  }
  double sxx = 0.0;
  double sxy = 0.0;
  for (size_t k = 0; k < x.size(); ++k) {
    sxx += (x[k] - meanX) * (x[k] - meanX);
    sxy += (x[k] - meanX) * (y[k] - meanY);
  }
  double b = sxx > 0.0 ? sxy / sxx : 1.0;
  if (!(b > 0.2 && b < 5.0)) b = 1.0;
  Vector theta{b * meanX - meanY, b};
  for (size_t k = 0; k < x.size(); ++k) {
    theta.push_back(k == 0 ? x[k] : std::max(x[k], theta.back() + 1e-3));
  }
  return theta;
}

Vector Solve(const Matrix& inverse, const Vector& v) {
  Vector out(v.size(), 0.0);
  for (size_t i = 0; i < v.size(); ++i) {
    for (size_t j = 0; j < v.size(); ++j) out[i] += inverse[i][j] * v[j];
  }
  return out;
}

}  // namespace

double BinormalArea(double a, double b) {
  return Phi(a / std::sqrt(1.0 + b * b));
}

double BinormalTruePositive(double a, double b, double falsePositive) {
  if (falsePositive <= 0.0) return 0.0;
  if (falsePositive >= 1.0) return 1.0;
  return Phi(a + b * PhiInverse(falsePositive));
}

double BinormalPartialArea(double a, double b, double low, double high) {
  // With x = Phi(z) the integral of Phi(a + b Phi^-1(x)) dx is that of Phi(a + b z) phi(z) dz,
  // smooth on the whole line (McClish 1989, the partial area of the binormal curve).
  const auto integrand = [a, b](double z) { return Phi(a + b * z) * Density(z); };
  const double inf = std::numeric_limits<double>::infinity();
  const double from = low <= 0.0 ? -inf : PhiInverse(low);
  const double to = high >= 1.0 ? inf : PhiInverse(high);
  if (!(to > from)) return 0.0;
  return boost::math::quadrature::gauss_kronrod<double, 31>::integrate(integrand, from, to, 15,
                                                                       1e-12);
}

double BinormalLogLikelihood(const std::vector<double>& positives,
                             const std::vector<double>& negatives, double a, double b,
                             const std::vector<double>& thresholds) {
  Vector theta{a, b};
  theta.insert(theta.end(), thresholds.begin(), thresholds.end());
  return Evaluate(positives, negatives, theta, Order::kValue).logLikelihood;
}

BinormalResult FitBinormal(const RatingCounts& positives, const RatingCounts& negatives) {
  BinormalResult result;
  // Ratings no case got carry no information and are left out: their boundaries coincide.
  Vector pos;
  Vector neg;
  std::vector<int> ratings;
  for (size_t r = 0; r < positives.size(); ++r) {
    if (positives[r] + negatives[r] == 0) continue;
    pos.push_back(positives[r]);
    neg.push_back(negatives[r]);
    ratings.push_back(static_cast<int>(r) + kLowestRating);
  }
  const auto used = [](const Vector& counts) {
    return std::count_if(counts.begin(), counts.end(), [](double n) { return n > 0.0; });
  };
  if (used(pos) == 0 || used(neg) == 0) {
    result.reason = "needs cases of both classes";
    return result;
  }
  if (used(pos) == 1 || used(neg) == 1) {
    result.reason = used(pos) == 1 ? "every positive case got the same rating: no fitted curve"
                                   : "every negative case got the same rating: no fitted curve";
    return result;
  }
  // Operating points of "rating >= r" for each boundary: FPF and TPF.
  const size_t categories = pos.size();
  double n1 = 0.0;
  double n0 = 0.0;
  for (size_t j = 0; j < categories; ++j) {
    n1 += pos[j];
    n0 += neg[j];
  }
  int interior = 0;
  bool separated = false;
  bool reversed = false;
  double above1 = n1;
  double above0 = n0;
  for (size_t k = 0; k + 1 < categories; ++k) {
    above1 -= pos[k];
    above0 -= neg[k];
    const double fpf = above0 / n0;
    const double tpf = above1 / n1;
    interior += fpf > 0.0 && fpf < 1.0 && tpf > 0.0 && tpf < 1.0 ? 1 : 0;
    separated = separated || (tpf == 1.0 && fpf == 0.0);
    reversed = reversed || (tpf == 0.0 && fpf == 1.0);
  }
  if (separated || reversed || interior == 0) {
    result.reason =
        separated  ? "the ratings separate the classes completely: no fitted curve (its area "
                     "tends to 1)"
        : reversed ? "every positive case is rated below every negative case: no fitted curve"
                   : "no operating point off the edges of the ROC plot: the fitted curve is "
                     "degenerate";
    return result;
  }
  if (interior == 1) {
    // A curve through one inner point reaches the edges only as b goes to 0 or infinity.
    result.reason =
        "one operating point off the edges of the ROC plot: the curve is not "
        "determined";
    return result;
  }

  // Fisher scoring with step halving.
  Vector theta = StartingValues(pos, neg);
  Evaluation e = Evaluate(pos, neg, theta, Order::kScoring);
  bool converged = false;
  int iteration = 0;
  for (; iteration < kMaxIterations && std::isfinite(e.logLikelihood); ++iteration) {
    const std::optional<Matrix> inverse = InversePositiveDefinite(e.fisher);
    if (!inverse) break;
    const Vector step = Solve(*inverse, e.gradient);
    double scale = 1.0;
    Evaluation next;
    Vector candidate;
    for (int halving = 0; halving < 60; ++halving, scale /= 2.0) {
      candidate = theta;
      for (size_t i = 0; i < theta.size(); ++i) candidate[i] += scale * step[i];
      next = Evaluate(pos, neg, candidate, Order::kValue);
      if (next.logLikelihood >= e.logLikelihood - 1e-12) break;
    }
    if (!(next.logLikelihood >= e.logLikelihood - 1e-12)) break;
    next = Evaluate(pos, neg, candidate, Order::kScoring);
    double largest = 0.0;
    for (size_t i = 0; i < step.size(); ++i) largest = std::max(largest, std::abs(scale * step[i]));
    theta = candidate;
    e = next;
    if (largest < kStepTolerance) {
      converged = true;
      ++iteration;
      break;
    }
  }
  const std::optional<Matrix> covariance =
      converged ? [&]() {
        Matrix information = Evaluate(pos, neg, theta, Order::kHessian).hessian;
        for (auto& row : information) {
          for (double& value : row) value = -value;
        }
        return InversePositiveDefinite(information);
      }()
                : std::nullopt;
  if (!converged || !covariance) {
    result.reason = "the maximum-likelihood fit did not converge: no fitted curve";
    return result;
  }
  if (theta[1] < kSmallestB || theta[1] > kLargestB) {
    result.reason = "the fit runs off to a curve of straight segments (b = " + Fixed(theta[1], 3) +
                    "): no fitted curve";
    return result;
  }

  BinormalFit fit;
  fit.a = theta[0];
  fit.b = theta[1];
  fit.thresholds.assign(theta.begin() + 2, theta.end());
  fit.thresholdRatings.assign(ratings.begin() + 1, ratings.end());
  fit.logLikelihood = e.logLikelihood;
  fit.iterations = iteration;
  fit.varianceA = (*covariance)[0][0];
  fit.varianceB = (*covariance)[1][1];
  fit.covarianceAB = (*covariance)[0][1];
  // Az and its standard error by the delta method on z = a / sqrt(1 + b^2) (Chakraborty 2017,
  // sections 6.4.3 and 6.4.4); the interval is z's, carried through Phi, so it stays in [0, 1].
  const double root = std::sqrt(1.0 + fit.b * fit.b);
  const double z = fit.a / root;
  const double dzda = 1.0 / root;
  const double dzdb = -fit.a * fit.b / (root * root * root);
  const double varianceZ = dzda * dzda * fit.varianceA + dzdb * dzdb * fit.varianceB +
                           2.0 * dzda * dzdb * fit.covarianceAB;
  const double seZ = std::sqrt(std::max(0.0, varianceZ));
  fit.area = Phi(z);
  fit.areaStandardError = Density(z) * seZ;
  fit.lower = Phi(z - NormalQuantile95() * seZ);
  fit.upper = Phi(z + NormalQuantile95() * seZ);

  // Pearson's chi-square over both classes' ratings.
  fit.degreesOfFreedom = static_cast<int>(categories) - 3;
  double chi = 0.0;
  for (int cls = 0; cls < 2; ++cls) {
    const Vector& counts = cls == 0 ? neg : pos;
    const double total = cls == 0 ? n0 : n1;
    double previous = 0.0;
    for (size_t j = 0; j < categories; ++j) {
      const double u = j + 1 == categories ? 0.0
                       : cls == 0          ? fit.thresholds[j]
                                           : fit.b * fit.thresholds[j] - fit.a;
      const double cumulative = j + 1 == categories ? 1.0 : Phi(u);
      const double expected = total * (cumulative - previous);
      previous = cumulative;
      fit.smallExpected += expected < 5.0 ? 1 : 0;
      // A cell the curve gives no cases and that holds none adds nothing.
      if (expected > 0.0) chi += (counts[j] - expected) * (counts[j] - expected) / expected;
    }
  }
  if (fit.degreesOfFreedom > 0 && std::isfinite(chi)) {
    fit.chiSquare = chi;
    fit.p = boost::math::cdf(
        boost::math::complement(boost::math::chi_squared(fit.degreesOfFreedom), chi));
  } else if (fit.degreesOfFreedom == 0) {
    fit.fitNote =
        "three ratings used: the curve passes through both operating points, no test "
        "of fit";
  } else {
    fit.fitNote = "the curve gives no chance to a rating that holds cases: no test of fit";
  }
  result.fit = fit;
  return result;
}

}  // namespace talvex::analysis
