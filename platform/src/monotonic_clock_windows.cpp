#include <windows.h>

#include "talvex/platform/monotonic_clock.h"

namespace talvex::platform {

int64_t MonotonicNanoseconds() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  // Both calls always succeed from Windows XP on.
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  const int64_t perSecond = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
  // Whole seconds and the rest apart, so that the product cannot overflow.
  const int64_t seconds = counter.QuadPart / perSecond;
  const int64_t rest = counter.QuadPart % perSecond;
  return seconds * 1'000'000'000 + rest * 1'000'000'000 / perSecond;
}

}  // namespace talvex::platform
