#pragma once
// The platform's monotonic clock, read by the System of the running program, by the windows
// and by the benchmarks: on POSIX, CLOCK_MONOTONIC, the same in every process of the machine.

#include <cstdint>

namespace talvex::platform {

// Nanoseconds on the platform's monotonic clock.
int64_t MonotonicNanoseconds();

}  // namespace talvex::platform
