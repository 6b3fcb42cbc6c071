#include "bench_clock.h"

#include <cmath>
#include <cstdint>
#include <ctime>

#include "talvex/local_time.h"

namespace talvex::bench {

namespace {

int64_t ClockNs(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

int64_t RealtimeOffsetNs() {
  // The pair read with the shortest gap between its two monotonic readings wins.
  int64_t best = 0;
  int64_t bestGap = INT64_MAX;
  for (int i = 0; i < 5; ++i) {
    const int64_t before = MonotonicNanoseconds();
    const int64_t real = ClockNs(CLOCK_REALTIME);
    const int64_t after = MonotonicNanoseconds();
    if (after - before < bestGap) {
      bestGap = after - before;
      best = real - (before + (after - before) / 2);
    }
  }
  return best;
}

double NsAfterTimeStamp(double timeStamp, int64_t realtimeNs) {
  const time_t seconds = static_cast<time_t>(realtimeNs / 1'000'000'000);
  tm local{};
  localtime_r(&seconds, &local);
  const int64_t day = DaysSince18991230(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const int64_t nsOfDay =
      ((static_cast<int64_t>(local.tm_hour) * 60 + local.tm_min) * 60 + local.tm_sec) *
          1'000'000'000 +
      realtimeNs % 1'000'000'000;
  // The whole milliseconds of the day that the stamp holds.
  const double stampDay = std::floor(timeStamp);
  const int64_t stampMs = std::llround((timeStamp - stampDay) * 86'400'000.0);
  return static_cast<double>(day - static_cast<int64_t>(stampDay)) * 86'400e9 +
         static_cast<double>(nsOfDay - stampMs * 1'000'000);
}

}  // namespace talvex::bench
