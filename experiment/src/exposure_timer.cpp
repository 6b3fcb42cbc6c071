#include "talvex/experiment/exposure_timer.h"

#include <algorithm>
#include <climits>

#include "talvex/exception.h"

namespace talvex::experiment {

namespace {
constexpr int64_t kNsPerMs = 1'000'000;
}

void TExposureTimer::SetInterval(uint32_t milliseconds) {
  if (milliseconds == interval_) return;
  shell_.CancelWake();
  interval_ = milliseconds;
  if (milliseconds == 0) return;
  dueNs_ = clock_.MonotonicNanoseconds() + IntervalNanoseconds();
  stage_ = Stage::Waiting;
  // Refused: the interval is kept, as a timer keeps the value it was given, but no event
  // comes until a different value is set.
  if (!ArmWake()) throw EOutOfResources("Not enough timers available");
}

int64_t TExposureTimer::IntervalNanoseconds() const {
  // An interval beyond what a shell's timer takes (a negative exposure seen unsigned) never
  // elapses in practice; the longest one stands in for it.
  return int64_t{std::min<uint32_t>(interval_, INT_MAX)} * kNsPerMs;
}

bool TExposureTimer::ArmWake() {
  const int64_t remaining = dueNs_ - clock_.MonotonicNanoseconds();
  int64_t early = kWakeEarlyNs + remaining / kSlackDivisor;
  if (stage_ == Stage::Waiting) early += kRehearsalLeadNs;
  const int64_t waitMs = remaining > early ? (remaining - early) / kNsPerMs : 0;
  return shell_.WakeAfter(static_cast<int>(std::min<int64_t>(waitMs, INT_MAX)));
}

void TExposureTimer::Wake() {
  if (interval_ == 0) return;  // stopped since the wake-up was asked for
  const int64_t now = clock_.MonotonicNanoseconds();
  if (now >= dueNs_) {
    Elapse(now);
    return;
  }
  if (stage_ == Stage::Waiting) {
    stage_ = Stage::Rehearsed;
    shell_.RehearsePaint();
  } else if (stage_ == Stage::Rehearsed) {
    // The last stretch: zero-interval turns from here on.
    stage_ = Stage::Finishing;
    shell_.TouchNextPicture();
  }
  ArmWake();
}

void TExposureTimer::Elapse(int64_t now) {
  // The next event is due one interval after this one was, so the events keep their pace;
  // after a late delivery it counts afresh from now.
  const int64_t interval = IntervalNanoseconds();
  dueNs_ += interval;
  if (dueNs_ <= now) dueNs_ = now + interval;
  stage_ = Stage::Waiting;
  ArmWake();
  shell_.IntervalElapsed();
}

}  // namespace talvex::experiment
