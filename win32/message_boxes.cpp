#include "message_boxes.h"

#include <commctrl.h>

#include "talvex/exception.h"
#include "talvex/experiment/main_window.h"
#include "talvex/platform/wide_text.h"

namespace talvex::win32 {
namespace {

HWND boxOwner = nullptr;

void RunBox(HWND owner, const std::string& text, const char* title, UINT style) {
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
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.dwCommonButtons = TDCBF_YES_BUTTON | TDCBF_NO_BUTTON;
  config.pszWindowTitle = title.c_str();
  config.pszContent = content.c_str();
  config.nDefaultButton = IDYES;
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
