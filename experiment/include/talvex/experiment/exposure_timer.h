#pragma once
// The exposure timer Timer1, which raises its event on time, not late. A shell's timer wakes up
// late by up to a millisecond of rounding plus about 0.1 % of the wait, so this one asks for its
// wake-up early and waits out the rest in zero-interval turns of the event loop, which go on
// delivering other events.

#include <cstdint>

#include "talvex/clock.h"

namespace talvex::experiment {

// What the exposure timer asks of its shell, all on the event loop's thread.
class IExposureTimerShell {
 public:
  virtual ~IExposureTimerShell() = default;

  // Calls TExposureTimer::Wake once, after at least the given milliseconds; 0: at the next
  // turn of the event loop, once the events already waiting have been delivered. Replaces a
  // wake-up still pending. False when the system refuses a timer.
  virtual bool WakeAfter(int milliseconds) = 0;
  virtual void CancelWake() = 0;

  // Paints the picture area again as it is, so that caches gone cold during a long wait are
  // warm for the paint that ends the exposure. Not to the screen: that paint would then wait
  // until the display server has taken this one.
  virtual void RehearsePaint() = 0;
  // Reads through the pixels of the picture most likely shown next (the blank picture).
  virtual void TouchNextPicture() = 0;
  virtual void IntervalElapsed() = 0;  // Timer1's event
};

class TExposureTimer {
 public:
  // A wake-up this long before the event is due covers the shell timer's rounding to whole
  // milliseconds and its late delivery.
  static constexpr int64_t kWakeEarlyNs = 1'500'000;
  // ...plus this share of the time still to wait: the system lets a timer run late by up to
  // about 0.1 % of its wait; 0.2 % leaves a margin.
  static constexpr int64_t kSlackDivisor = 500;
  // The first wake-up of an interval comes this much earlier still, to rehearse the paint:
  // after a second of idling the caches have gone cold and the paint costs milliseconds.
  static constexpr int64_t kRehearsalLeadNs = 15'000'000;

  TExposureTimer(IClock& clock, IExposureTimerShell& shell) : clock_(clock), shell_(shell) {}
  TExposureTimer(const TExposureTimer&) = delete;
  TExposureTimer& operator=(const TExposureTimer&) = delete;

  // The interval in ms. 0 stops the timer; a value that differs from the current one stops
  // it and, if not 0, starts it afresh, after which its event comes every interval until it
  // is stopped; the current value changes nothing (a running timer is not restarted). Raises
  // EOutOfResources "Not enough timers available" when the shell cannot get a timer.
  void SetInterval(uint32_t milliseconds);
  uint32_t Interval() const { return interval_; }
  // When the next event is due, on the monotonic clock (while running).
  int64_t DueNanoseconds() const { return dueNs_; }

  void Wake();  // see IExposureTimerShell::WakeAfter

 private:
  enum class Stage { Waiting, Rehearsed, Finishing };

  int64_t IntervalNanoseconds() const;
  bool ArmWake();
  void Elapse(int64_t now);

  IClock& clock_;
  IExposureTimerShell& shell_;
  uint32_t interval_ = 0;  // ms; 0: stopped
  int64_t dueNs_ = 0;
  Stage stage_ = Stage::Waiting;
};

}  // namespace talvex::experiment
