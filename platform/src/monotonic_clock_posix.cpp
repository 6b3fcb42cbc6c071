#include <time.h>

#include "talvex/platform/monotonic_clock.h"

namespace talvex::platform {

int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace talvex::platform
