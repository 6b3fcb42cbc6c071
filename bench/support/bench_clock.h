#pragma once
// The clocks the benchmarks measure with.

#include <cstdint>

#include "talvex/platform/monotonic_clock.h"

namespace talvex::bench {

// The platform's monotonic clock: the clock of the latency mark, the exposure timer and the
// picture area's paint stamps, the same in every process of the machine.
using platform::MonotonicNanoseconds;

// CLOCK_REALTIME less the monotonic clock, in nanoseconds, read as closely together as possible.
int64_t RealtimeOffsetNs();

// Nanoseconds from a time stamp such as ShownAt (days since 30 December 1899 in local time,
// to the millisecond) to an instant of the real-time clock (ns since 1970).
double NsAfterTimeStamp(double timeStamp, int64_t realtimeNs);

}  // namespace talvex::bench
