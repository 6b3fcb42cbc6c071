#pragma once
// Shared pieces of the Win32 shell's tests: a watcher that records the modal windows that open
// (message boxes, the About window) and dismisses them, a message pump, and, under this
// suite's names, the toolkit-free makings of a main window (talvex/window_doubles.h).

#include <functional>
#include <string>
#include <vector>

#include "talvex/window_doubles.h"
#include "windows_api.h"

namespace talvex::win32::test {

// Delivers the thread's messages until done() is true or the time is up; true when done.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Delivers the thread's messages for the given time.
void Pump(int milliseconds);

// One modal window seen by the watcher.
struct SeenModal {
  std::string className;
  std::string title;
  std::string text;   // message boxes: the message
  bool icon = false;  // message boxes: an icon is shown
  std::vector<std::string> buttons;
  RECT place{};  // on the screen, when it was seen
};

// While it lives, looks every few milliseconds for a modal window of this thread (a message
// box, the About window); each is recorded, then handed to onModal, which answers it, or (when
// onModal is not set) dismissed: a message box by its OK button, any other window by closing it.
class ModalWatcher {
 public:
  ModalWatcher();
  ~ModalWatcher();
  ModalWatcher(const ModalWatcher&) = delete;
  ModalWatcher& operator=(const ModalWatcher&) = delete;

  std::vector<SeenModal> seen;
  std::function<void(HWND)> onModal;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Look();
  UINT_PTR timer_;
};

// The makings of a main window, shared with the other shell's tests.
using namespace talvex::testing;  // NOLINT(google-build-using-namespace)

}  // namespace talvex::win32::test
