#pragma once
// How every shell starts the program, whatever its toolkit: the windows wired to the core, the
// start-up sequence and its exit codes, and the guard that runs each event handler.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "talvex/experiment/main_window.h"
#include "talvex/experiment/main_window_events.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/imagestore/jpeg_image.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/system.h"

namespace talvex::experiment {

using EventsFactory = std::function<std::unique_ptr<IMainWindowEvents>(IMainWindow&)>;

// Every window that loads pictures makes its own loader.
using LoaderFactory = std::function<std::unique_ptr<imagestore::TResourceManager>()>;

inline LoaderFactory ResourceManagerFactory(const imagestore::ImageSource& source,
                                            imagestore::PixelFormat format) {
  return
      [source, format] { return std::make_unique<imagestore::TResourceManager>(source, format); };
}

// The experiment controller as the receiver of the main window's events, offering unfinished
// runs as the study's settings say.
EventsFactory ControllerEvents(System& system, LoaderFactory makeLoader,
                               const ResumeSettings& resume = BuiltStudySettings().resume);

// Exit code of a run whose set-up stopped on an error (the error box has been shown), and of
// a failure before the event loop (the "Application Error" box has been shown).
inline constexpr int kExitSetUpFailed = 1;

// The caption of the box for a failure outside any event handler.
inline constexpr const char* kApplicationErrorTitle = "Application Error";

// Runs one event handler; a failure that escapes it goes to showError and never into the
// toolkit's event loop. showError runs outside the catch block, since a box runs a nested event
// loop. True when the handler ran to its end.
template <class Handler, class ShowError>
bool RunGuarded(Handler&& handler, ShowError&& showError) {
  std::string failure;
  try {
    std::forward<Handler>(handler)();
    return true;
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "Unknown failure";
  }
  std::forward<ShowError>(showError)(failure);
  return false;
}

class IStartUpShell {
 public:
  virtual ~IStartUpShell() = default;
  virtual void BuildMainWindow() = 0;   // hidden, with all its controls
  virtual void RunCreationEvent() = 0;  // the set-up; a failure is shown in the error box
  virtual bool SetUpComplete() const = 0;
  // Whether a set-up that did not complete ended the program itself (no images found).
  virtual bool EndRequested() const = 0;
  virtual void BuildHiddenAboutWindow() = 0;  // never shown
  // Shows the main window; the loop's exit code.
  virtual int RunEventLoop() = 0;
};

// The start-up in its order: the main window, its creation event, the hidden About window,
// the event loop. Returns the program's exit code: the loop's once it has run; 0 when the
// set-up found no images and ended the program; kExitSetUpFailed when it stopped on an error.
// In both of the last cases the main window is never shown.
int RunStartUp(IStartUpShell& shell);

}  // namespace talvex::experiment
