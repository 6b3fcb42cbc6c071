#pragma once
// The wake-ups of the exposure timer on Windows. A window-message timer ticks at the system's
// timer resolution and waits at least 10 ms, so the waits are measured by a waitable timer
// instead, a high-resolution one where the system has it (Windows 10 1803 on), on a thread of
// its own; at the end of a wait the thread posts the window a message. Posted messages reach
// the window through every message loop, the nested ones of message boxes and of the About
// window included, so an exposure ends on time while one of them is open.

#include <atomic>
#include <cstdint>
#include <thread>

#include "handles.h"
#include "windows_api.h"

namespace talvex::win32 {

class TWakeTimer {
 public:
  // Posts message to window at each wake-up, its wParam the ticket of the wait.
  TWakeTimer(HWND window, UINT message);
  TWakeTimer(const TWakeTimer&) = delete;
  TWakeTimer& operator=(const TWakeTimer&) = delete;
  ~TWakeTimer();

  // One wake-up after at least the given milliseconds (0: posted at once, behind the messages
  // already waiting); replaces a wake-up still pending. False when the system refused a timer.
  bool Arm(int milliseconds);
  void Cancel();

  // True when a wake-up message carries the ticket of the wait asked for last: a wake-up
  // posted before a Cancel or a later Arm is stale.
  bool IsCurrent(WPARAM ticket) const { return ticket == ticket_.load(); }

  // Whether the waits are measured by a high-resolution timer.
  bool HighResolution() const { return highResolution_; }

 private:
  void Run();

  HWND window_;
  UINT message_;
  bool highResolution_ = false;
  UniqueHandle timer_;
  UniqueHandle stop_;
  std::atomic<WPARAM> ticket_{0};
  std::thread thread_;
};

}  // namespace talvex::win32
