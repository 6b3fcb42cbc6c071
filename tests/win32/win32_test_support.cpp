#include "win32_test_support.h"

#include <chrono>

#include "talvex/platform/wide_text.h"

namespace talvex::win32::test {
namespace {

ModalWatcher* watching = nullptr;
constexpr const wchar_t* kHandledProperty = L"TalvexTestHandled";

std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return platform::Narrow(name);
}

std::string TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return platform::Narrow(text);
}

// Adds a window to the list of windows in list (a std::vector<HWND>).
BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  return true;
}

void Pump(int milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

ModalWatcher::ModalWatcher() : timer_(SetTimer(nullptr, 0, 5, &ModalWatcher::Tick)) {
  watching = this;
}

ModalWatcher::~ModalWatcher() {
  KillTimer(nullptr, timer_);
  watching = nullptr;
}

void CALLBACK ModalWatcher::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (watching != nullptr) watching->Look();
}

void ModalWatcher::Look() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) {
    const std::string className = ClassOf(window);
    const bool box = className == "#32770";
    if (!(box || className == "TalvexForm2") || !IsWindowVisible(window)) continue;
    // Marked on the window itself: a box opened right after another one closed may get the
    // same handle.
    if (GetPropW(window, kHandledProperty) != nullptr) continue;
    SetPropW(window, kHandledProperty, reinterpret_cast<HANDLE>(1));
    SeenModal entry;
    entry.className = className;
    entry.title = TextOf(window);
    GetWindowRect(window, &entry.place);
    if (box) {
      entry.text = TextOf(GetDlgItem(window, 0xFFFF));  // the message's static control
      for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
           child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (ClassOf(child) == "Button") entry.buttons.push_back(TextOf(child));
        if (ClassOf(child) == "Static" && (style & SS_TYPEMASK) == SS_ICON &&
            SendMessageW(child, STM_GETICON, 0, 0) != 0) {
          entry.icon = true;
        }
      }
    }
    seen.push_back(entry);
    if (onModal) {
      onModal(window);
    } else {
      SendMessageW(window, box ? WM_COMMAND : WM_CLOSE, box ? IDOK : 0, 0);
    }
  }
}

}  // namespace talvex::win32::test
