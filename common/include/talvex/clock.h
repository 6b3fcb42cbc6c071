#pragma once
// The monotonic clock: nanoseconds from an arbitrary start, never stepped when the wall clock
// is set. Latencies, the exposure timer and the benchmarks' marks all read this one clock, so
// their readings can be compared; tests hand the core a clock they move by hand.

#include <cstdint>

namespace talvex {

class IClock {
 public:
  virtual ~IClock() = default;
  virtual int64_t MonotonicNanoseconds() = 0;
};

}  // namespace talvex
