#pragma once
// The application's message boxes and the one place where a failure that escapes an event
// handler is caught: every handler the windows forward runs inside Guarded().

#include <QString>
#include <string>
#include <utility>

#include "talvex/experiment/main_window.h"
#include "talvex/experiment/shell.h"

namespace talvex::app {

// The error box's text (experiment::ErrorBoxText) with its lines broken as a box shows them.
QString ErrorBoxText(const std::string& message);

// Modal box with the text, the application title, no icon and one "OK" button, centred on
// the screen; returns when dismissed.
void ShowMessageBox(const std::string& text);

// Modal box with the text, the application title, no icon and the buttons "Yes" (the default)
// and "No"; true when Yes was pressed. Escape and closing the box answer No.
bool AskQuestionBox(const std::string& text);

// Modal box with the error text, the application title, the error icon and "OK".
void ShowErrorBox(const std::string& message);

// Task-modal box titled "Application Error" for a failure outside any event handler.
void ShowApplicationErrorBox(const std::string& message);

// Runs one event handler (experiment::RunGuarded). A failure that escapes it is shown in the
// error box and goes no further (never into Qt's event loop); the program then waits for the
// next event. Returns true when the handler ran to its end.
template <class Handler>
bool Guarded(Handler&& handler) {
  return experiment::RunGuarded(std::forward<Handler>(handler),
                                [](const std::string& failure) { ShowErrorBox(failure); });
}

}  // namespace talvex::app
