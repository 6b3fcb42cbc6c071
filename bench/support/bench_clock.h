#pragma once
// The clocks the benchmarks measure with.

#include <cstdint>

namespace talvex::bench {

// CLOCK_MONOTONIC in nanoseconds: the clock of the latency mark and of std::steady_clock,
// and the same in every process of the machine.
int64_t MonotonicNs();

// CLOCK_REALTIME less CLOCK_MONOTONIC, in nanoseconds, read as closely together as possible.
int64_t RealtimeOffsetNs();

// Nanoseconds from a time stamp such as ShownAt (days since 30 December 1899 in local time,
// to the millisecond) to an instant of the real-time clock (ns since 1970).
double NsAfterTimeStamp(double timeStamp, int64_t realtimeNs);

}  // namespace talvex::bench
