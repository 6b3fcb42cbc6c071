#include "message_boxes.h"

#include <commctrl.h>

#include <iterator>
#include <string>

#include "talvex/exception.h"
#include "talvex/experiment/main_window.h"
#include "talvex/platform/wide_text.h"

namespace talvex::win32 {
namespace {

HWND boxOwner = nullptr;

constexpr const wchar_t* kCentredProperty = L"TalvexCentred";

// Moves a box to the centre of the work area of the screen it is on.
void CentreOnScreen(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT box{};
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
      !GetWindowRect(window, &box)) {
    return;
  }
  const RECT& work = monitor.rcWork;
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// While it lives, the message boxes this thread opens are centred on the screen the first time
// they are activated (whatever the system would do with a box that has an owner), and not
// again once the rater has moved them.
class CentredBoxes {
 public:
  CentredBoxes() : hook_(SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId())) {}
  CentredBoxes(const CentredBoxes&) = delete;
  CentredBoxes& operator=(const CentredBoxes&) = delete;
  ~CentredBoxes() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto box = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    if (code == HCBT_ACTIVATE &&
        GetClassNameW(box, className, static_cast<int>(std::size(className))) > 0 &&
        std::wstring(className) == L"#32770" && GetPropW(box, kCentredProperty) == nullptr) {
      SetPropW(box, kCentredProperty, reinterpret_cast<HANDLE>(1));
      CentreOnScreen(box);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook_;
};

HRESULT CALLBACK CentreWhenCreated(HWND box, UINT notification, WPARAM, LPARAM, LONG_PTR) {
  if (notification == TDN_CREATED) CentreOnScreen(box);
  return S_OK;
}

void RunBox(HWND owner, const std::string& text, const char* title, UINT style) {
  const CentredBoxes centred;
  MessageBoxW(owner, platform::Widen(text).c_str(), platform::Widen(title).c_str(), style | MB_OK);
}

}  // namespace

void SetBoxOwner(HWND owner) {
  boxOwner = owner;
}

void ShowMessageBox(const std::string& text) {
  RunBox(boxOwner, text, experiment::kApplicationTitle, MB_APPLMODAL);
}

void ShowErrorBox(const std::string& message) {
  RunBox(boxOwner, experiment::ErrorBoxText(message), experiment::kApplicationTitle,
         MB_APPLMODAL | MB_ICONERROR);
}

bool AskYesNoBox(const std::string& text) {
  // A task dialog rather than a message box: a message box with Yes and No but no Cancel
  // cannot be closed and ignores Escape.
  const std::wstring content = platform::Widen(text);
  const std::wstring title = platform::Widen(experiment::kApplicationTitle);
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof(config);
  config.hwndParent = boxOwner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.dwCommonButtons = TDCBF_YES_BUTTON | TDCBF_NO_BUTTON;
  config.pszWindowTitle = title.c_str();
  config.pszContent = content.c_str();
  config.nDefaultButton = IDYES;
  // Centred once it is laid out: it takes its size from its content after it is activated.
  config.pfCallback = &CentreWhenCreated;
  int pressed = 0;
  if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) {
    throw Exception("The system could not show the question \"" + text + "\"");
  }
  return pressed == IDYES;  // IDNO, or IDCANCEL for Escape and closing
}

void ShowApplicationErrorBox(const std::string& message) {
  RunBox(nullptr, experiment::ErrorBoxText(message), experiment::kApplicationErrorTitle,
         MB_TASKMODAL | MB_ICONERROR);
}

}  // namespace talvex::win32
