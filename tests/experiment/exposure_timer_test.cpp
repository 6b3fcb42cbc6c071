#include "talvex/experiment/exposure_timer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "talvex/exception.h"

namespace talvex::experiment {
namespace {

constexpr int64_t kMs = 1'000'000;

struct FakeClock : IClock {
  int64_t nowNs = 7'000 * kMs;
  int64_t MonotonicNanoseconds() override { return nowNs; }
};

// Records what the timer asks for; the test delivers the pending wake-up when it chooses.
struct FakeShell : IExposureTimerShell {
  std::vector<std::string> calls;
  int pendingMs = -1;  // -1: no wake-up pending
  bool refuse = false;
  int elapsed = 0;
  std::function<void()> onElapsed;

  bool WakeAfter(int milliseconds) override {
    calls.push_back("wake " + std::to_string(milliseconds));
    if (refuse) return false;
    pendingMs = milliseconds;
    return true;
  }
  void CancelWake() override {
    calls.push_back("cancel");
    pendingMs = -1;
  }
  void RehearsePaint() override { calls.push_back("rehearse"); }
  void TouchNextPicture() override { calls.push_back("touch"); }
  void IntervalElapsed() override {
    calls.push_back("elapsed");
    ++elapsed;
    if (onElapsed) onElapsed();
  }
};

struct ExposureTimer : ::testing::Test {
  FakeClock clock;
  FakeShell shell;
  TExposureTimer timer{clock, shell};

  // Delivers the pending wake-up the way a shell's timer does: after the milliseconds asked
  // for plus lateNs (a zero-interval turn after turnNs).
  void DeliverWake(int64_t lateNs, int64_t turnNs = 20'000) {
    ASSERT_GE(shell.pendingMs, 0);
    const int ms = shell.pendingMs;
    shell.pendingMs = -1;
    clock.nowNs += ms == 0 ? turnNs : ms * kMs + lateNs;
    timer.Wake();
  }
  // Delivers wake-ups until the next event; the clock reading at that event. Each wake-up
  // is late by 1 ms of rounding plus slackPerMille of the wait, as far as lateFraction says.
  int64_t RunToEvent(double lateFraction) {
    const int before = shell.elapsed;
    for (int i = 0; i < 100'000 && shell.elapsed == before; ++i) {
      const int64_t waitNs = shell.pendingMs * kMs;
      DeliverWake(static_cast<int64_t>(lateFraction * static_cast<double>(kMs + waitNs / 1000)));
    }
    return clock.nowNs;
  }
};

TEST_F(ExposureTimer, IntervalSetRule) {
  timer.SetInterval(1000);
  // 15 ms to rehearse, 1.5 ms of rounding and 0.2 % of the wait early: 981.5 ms.
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"cancel", "wake 981"}));
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_EQ(timer.DueNanoseconds(), clock.nowNs + 1000 * kMs);

  // The value it already has: the running countdown goes on.
  shell.calls.clear();
  clock.nowNs += 300 * kMs;
  timer.SetInterval(1000);
  EXPECT_TRUE(shell.calls.empty());
  // A different value starts afresh from now: 15 + 1.5 + 4 ms early.
  timer.SetInterval(2000);
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"cancel", "wake 1979"}));
  EXPECT_EQ(timer.DueNanoseconds(), clock.nowNs + 2000 * kMs);

  // 0 stops it; a wake-up that was already on its way does nothing.
  shell.calls.clear();
  timer.SetInterval(0);
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"cancel"}));
  clock.nowNs += 5000 * kMs;
  timer.Wake();
  EXPECT_EQ(shell.calls.size(), 1u);
  timer.SetInterval(0);
  EXPECT_EQ(shell.calls.size(), 1u);
}

TEST_F(ExposureTimer, RehearsesThenTouchesThenFinishesInTurnsAndNeverComesEarly) {
  timer.SetInterval(1000);
  const int64_t due = timer.DueNanoseconds();
  shell.calls.clear();
  DeliverWake(0);  // 981 ms: 19 ms before the event
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"rehearse", "wake 17"}));
  shell.calls.clear();
  DeliverWake(0);  // 998 ms
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"touch", "wake 0"}));
  // Zero-interval turns until the event is due, and not one turn before.
  while (shell.elapsed == 0) {
    EXPECT_LT(clock.nowNs, due);
    DeliverWake(0);
  }
  EXPECT_GE(clock.nowNs, due);
  EXPECT_LT(clock.nowNs - due, 20'000);
  EXPECT_EQ(shell.calls.back(), "elapsed");
  // The timer is armed for the next interval before the event is raised.
  EXPECT_EQ(shell.calls[shell.calls.size() - 2], "wake 981");
}

// Whatever the interval and however late the shell's timer within its slack, the event comes
// at its due time, within one turn of the event loop, and never before it.
TEST_F(ExposureTimer, EventComesOnTimeWhenWakeUpsRunLate) {
  const uint32_t intervals[] = {1, 5, 16, 17, 50, 200, 1000, 10'000, 600'000};
  for (const double lateFraction : {0.0, 0.5, 1.0}) {
    for (const uint32_t interval : intervals) {
      FakeShell localShell;
      TExposureTimer local(clock, localShell);
      local.SetInterval(interval);
      const int64_t due = local.DueNanoseconds();
      int wakes = 0;
      while (localShell.elapsed == 0 && wakes < 100'000) {
        const int ms = localShell.pendingMs;
        localShell.pendingMs = -1;
        const auto late = static_cast<int64_t>(lateFraction * (kMs + ms * kMs / 1000.0));
        clock.nowNs += ms == 0 ? 20'000 : ms * kMs + late;
        ++wakes;
        local.Wake();
      }
      EXPECT_GE(clock.nowNs, due) << interval << " ms, late " << lateFraction;
      EXPECT_LT(clock.nowNs - due, 20'000) << interval << " ms, late " << lateFraction;
      // Only a short interval may skip the rehearsal; a long one rehearses once, then touches.
      if (interval >= 50) {
        const std::vector<std::string>& c = localShell.calls;
        EXPECT_EQ(std::count(c.begin(), c.end(), "rehearse"), 1) << interval;
        EXPECT_EQ(std::count(c.begin(), c.end(), "touch"), 1) << interval;
      }
    }
  }
}

TEST_F(ExposureTimer, EventsKeepTheirPaceAndALateOneCountsAfresh) {
  timer.SetInterval(200);
  const int64_t first = timer.DueNanoseconds();
  EXPECT_GE(RunToEvent(1.0), first);
  // The next event is due one interval after the first was due, not after it came.
  EXPECT_EQ(timer.DueNanoseconds(), first + 200 * kMs);
  EXPECT_GE(RunToEvent(1.0), first + 200 * kMs);
  EXPECT_EQ(timer.DueNanoseconds(), first + 400 * kMs);

  // A wake-up held up beyond a whole interval (a busy event loop): counted from now.
  shell.pendingMs = -1;
  clock.nowNs = first + 1000 * kMs;
  timer.Wake();
  EXPECT_EQ(shell.elapsed, 3);
  EXPECT_EQ(timer.DueNanoseconds(), clock.nowNs + 200 * kMs);
}

TEST_F(ExposureTimer, HandlerThatStopsTheTimerLeavesNoWakeUp) {
  shell.onElapsed = [this] { timer.SetInterval(0); };
  timer.SetInterval(40);
  RunToEvent(0.0);
  EXPECT_EQ(shell.pendingMs, -1);
  EXPECT_EQ(timer.Interval(), 0u);
  EXPECT_EQ(shell.calls.back(), "cancel");
}

TEST_F(ExposureTimer, RefusedTimerRaisesAndKeepsTheInterval) {
  shell.refuse = true;
  try {
    timer.SetInterval(5000);
    FAIL() << "no error";
  } catch (const EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "Not enough timers available");
  }
  EXPECT_EQ(timer.Interval(), 5000u);
  // The same value changes nothing; a different one tries again.
  shell.calls.clear();
  EXPECT_NO_THROW(timer.SetInterval(5000));
  EXPECT_TRUE(shell.calls.empty());
  shell.refuse = false;
  timer.SetInterval(6000);
  EXPECT_EQ(shell.pendingMs, 5971);
}

TEST_F(ExposureTimer, IntervalBeyondWhatATimerTakesNeverElapses) {
  timer.SetInterval(0xFFFFEC78u);  // an exposure of -5000 ms seen unsigned
  EXPECT_EQ(timer.Interval(), 0xFFFFEC78u);
  EXPECT_EQ(timer.DueNanoseconds(), clock.nowNs + int64_t{INT_MAX} * kMs);
  EXPECT_GT(shell.pendingMs, 24 * 24 * 3600 * 1000);
  EXPECT_LT(shell.pendingMs, INT_MAX);
}

}  // namespace
}  // namespace talvex::experiment
