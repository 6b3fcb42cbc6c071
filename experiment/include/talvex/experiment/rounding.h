#pragma once
// Rounding to the nearest integer, ties to even, of values that must be formed exactly:
// the product of a double and an integer is rounded as the exact product, not as its
// nearest double, so every compiler gives the same result.

#include <cstdint>

namespace talvex::experiment {

// Round(x) for a double x; values beyond the 64-bit range saturate.
int64_t Round(double x);

// Round(x * factor) of the exact product (|factor| below 2^53).
int64_t RoundProduct(double x, int64_t factor);

// Nanoseconds to whole milliseconds, ties to even.
int64_t NanosecondsToMilliseconds(int64_t nanoseconds);

}  // namespace talvex::experiment
