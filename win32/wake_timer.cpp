#include "wake_timer.h"

namespace talvex::win32 {
namespace {

// CreateWaitableTimerExW's flag for a high-resolution timer (Windows 10 1803 on); older
// systems refuse it, and the timer's resolution is then the system's (1 ms while the program
// has raised it with timeBeginPeriod).
constexpr DWORD kHighResolutionTimer = 0x00000002;

HANDLE MakeTimer(DWORD flags) {
  return CreateWaitableTimerExW(nullptr, nullptr, flags, TIMER_ALL_ACCESS);
}

}  // namespace

TWakeTimer::TWakeTimer(HWND window, UINT message)
    : window_(window), message_(message), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  HANDLE timer = MakeTimer(kHighResolutionTimer);
  highResolution_ = timer != nullptr;
  if (timer == nullptr) timer = MakeTimer(0);
  timer_ = UniqueHandle(timer);
  if (timer_ && stop_) thread_ = std::thread([this] { Run(); });
}

TWakeTimer::~TWakeTimer() {
  if (thread_.joinable()) {
    SetEvent(stop_.Get());
    thread_.join();
  }
}

bool TWakeTimer::Arm(int milliseconds) {
  const WPARAM ticket = ticket_.load() + 1;
  ticket_.store(ticket);
  if (milliseconds <= 0) {
    CancelWaitableTimer(timer_.Get());
    return PostMessageW(window_, message_, ticket, 0) != FALSE;
  }
  if (!thread_.joinable()) return false;
  LARGE_INTEGER due{};
  due.QuadPart = -int64_t{milliseconds} * 10'000;  // negative: relative, in 100 ns units
  return SetWaitableTimer(timer_.Get(), &due, 0, nullptr, nullptr, FALSE) != FALSE;
}

void TWakeTimer::Cancel() {
  ticket_.store(ticket_.load() + 1);
  if (timer_) CancelWaitableTimer(timer_.Get());
}

void TWakeTimer::Run() {
  const HANDLE handles[] = {stop_.Get(), timer_.Get()};
  for (;;) {
    const DWORD signalled = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (signalled != WAIT_OBJECT_0 + 1) return;  // stopped, or the wait failed
    PostMessageW(window_, message_, ticket_.load(), 0);
  }
}

}  // namespace talvex::win32
