#pragma once
// Rounding to the nearest integer, ties to even, of values that must be formed exactly:
// the product of a double and an integer is rounded as the exact product, not as its
// nearest double, so every compiler gives the same result.

#include <cmath>
#include <cstdint>
#include <limits>

namespace talvex {

namespace rounding_detail {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

// Rounds hi + lo, taken exactly, where hi >= 0 and lo is the error term of hi.
inline int64_t RoundExactSum(double hi, double lo) {
  if (!(hi < 9.2e18)) return kMax;
  const double wholePart = std::floor(hi);
  double fraction = hi - wholePart;  // exact for hi >= 0
  int64_t whole = static_cast<int64_t>(wholePart);
  if (fraction == 0.0) {
    // hi is whole: the error term alone holds the fraction.
    const double loWhole = std::floor(lo);
    whole += static_cast<int64_t>(loWhole);
    fraction = lo - loWhole;
    lo = 0.0;
  }
  const bool up =
      fraction > 0.5 || (fraction == 0.5 && (lo > 0.0 || (lo == 0.0 && (whole & 1) != 0)));
  return up ? whole + 1 : whole;
}

}  // namespace rounding_detail

// Round(x * factor) of the exact product (|factor| below 2^53); values beyond the 64-bit
// range saturate.
inline int64_t RoundProduct(double x, int64_t factor) {
  if (std::isnan(x)) return 0;
  const bool negative = (x < 0.0) != (factor < 0);
  const double ax = std::fabs(x);
  const double af = std::fabs(static_cast<double>(factor));
  const double hi = ax * af;
  if (std::isinf(hi)) return negative ? -rounding_detail::kMax : rounding_detail::kMax;
  const double lo = std::fma(ax, af, -hi);  // hi + lo is the exact product
  const int64_t rounded = rounding_detail::RoundExactSum(hi, lo);
  return negative ? -rounded : rounded;
}

// Round(x) for a double x.
inline int64_t Round(double x) {
  return RoundProduct(x, 1);
}

// Nanoseconds to whole milliseconds, ties to even.
inline int64_t NanosecondsToMilliseconds(int64_t nanoseconds) {
  int64_t whole = nanoseconds / 1000000;
  int64_t rest = nanoseconds % 1000000;
  if (rest < 0) {
    whole -= 1;
    rest += 1000000;
  }
  if (rest > 500000 || (rest == 500000 && (whole & 1) != 0)) whole += 1;
  return whole;
}

}  // namespace talvex
