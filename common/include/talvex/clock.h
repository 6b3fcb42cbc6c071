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

// The instant named by a 32-bit millisecond stamp of the monotonic clock, the form in which
// window systems stamp input events (the clock's whole milliseconds, modulo 2^32), placed
// nearest to nowNs (which is not negative): within about 24 days before or after it. The
// stamp drops the fraction of its millisecond, so the instant given is that millisecond's
// middle.
inline int64_t MillisecondStampToNanoseconds(uint32_t stampMs, int64_t nowNs) {
  const int64_t nowMs = nowNs / 1'000'000;
  const auto behind = static_cast<int32_t>(static_cast<uint32_t>(nowMs) - stampMs);
  return (nowMs - behind) * 1'000'000 + 500'000;
}

}  // namespace talvex
