#pragma once
// The application's message boxes and the one place where a failure that escapes an event
// handler is caught: every handler the windows forward runs inside Guarded().

#include <string>
#include <utility>

#include "talvex/experiment/shell.h"
#include "windows_api.h"

namespace talvex::win32 {

// The window that owns the boxes (the main window once it exists): it takes no input while a
// box is open. Null: the boxes have no owner.
void SetBoxOwner(HWND owner);

// Modal box with the text, the application title, no icon and one "OK" button, centred on the
// screen; returns when dismissed.
void ShowMessageBox(const std::string& text);

// Modal box with the error text (experiment::ErrorBoxText), the application title, the error
// icon and "OK".
void ShowErrorBox(const std::string& message);

// Modal question with the text, the application title, no icon, "Yes" (the default button) and
// "No", centred on the screen; true when the rater answers Yes. Escape and closing the box answer
// No.
bool AskYesNoBox(const std::string& text);

// Task-modal box titled "Application Error" for a failure outside any event handler.
void ShowApplicationErrorBox(const std::string& message);

// Runs one event handler; a failure that escapes it is shown in the error box and goes no
// further. Returns true when the handler ran to its end.
template <class Handler>
bool Guarded(Handler&& handler) {
  return experiment::RunGuarded(std::forward<Handler>(handler),
                                [](const std::string& failure) { ShowErrorBox(failure); });
}

}  // namespace talvex::win32
