#pragma once
// What every shell of the program does the same way, whatever its toolkit: how the windows are
// wired to the core, the start-up sequence and its exit codes, the guard that runs each event
// handler, the pixel format pictures are decoded to, the size of the welcome text's font and
// the reduced scale at which a picture is decoded for its area.

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

// Makes the receiver of a main window's events once the window exists.
using EventsFactory = std::function<std::unique_ptr<IMainWindowEvents>(IMainWindow&)>;

// A fresh image loader: every window that loads pictures creates its own.
using LoaderFactory = std::function<std::unique_ptr<imagestore::TResourceManager>()>;

// Image loaders over the program's image set, each loading pictures of the pixel format the
// screen calls for.
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

// Caption of the box that reports a failure outside any event handler.
inline constexpr const char* kApplicationErrorTitle = "Application Error";

// Runs one event handler. A failure that escapes it goes to showError with its message and no
// further (never into the toolkit's event loop); the program then waits for the next event.
// showError is called outside the catch block, since a box runs a nested event loop. Returns
// true when the handler ran to its end.
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

// Pictures are quantized to 8 bits for a screen of at most 8 bits per pixel.
imagestore::PixelFormat PictureFormatForScreen(int bitsPerPixel);

// The welcome text fills its box in the designed font. A font that runs larger gets the
// largest point size, from designedPoints down to just above floorPoints (the window font's),
// at which fits says the whole text fits; the floor's size plus one when none does.
int FittingPointSize(int designedPoints, int floorPoints, const std::function<bool(int)>& fits);

// The DCT scale 1/n (1, 2, 4 or 8) at which a picture is decoded for an area of the given
// device pixels: the smallest reduced decode that still has at least as many pixels as the
// area on each side, so that a smooth stretch gives the picture of a full-size decode, sooner.
// Quantized output (8-bit screens, grey files) is dithered at the decoded size, so only the
// full-size decode gives the same picture then: 1.
int DecodeScaleFor(const imagestore::TJPEGImage& picture, int areaWidth, int areaHeight);

// The steps of the program's start-up as a shell carries them out.
class IStartUpShell {
 public:
  virtual ~IStartUpShell() = default;
  // The main window and all its controls, hidden.
  virtual void BuildMainWindow() = 0;
  // Its creation event, the experiment set-up; a failure is shown in the error box.
  virtual void RunCreationEvent() = 0;
  // True once the set-up ran all its steps; else whether it ended the program itself (no
  // images found) rather than stopping on an error.
  virtual bool SetUpComplete() const = 0;
  virtual bool EndRequested() const = 0;
  // The About window made at start-up, hidden and never shown.
  virtual void BuildHiddenAboutWindow() = 0;
  // Shows the main window and runs the event loop until the program is told to end; returns
  // the loop's exit code.
  virtual int RunEventLoop() = 0;
  // Told after each step, with its name (for a watcher of the start-up).
  virtual void StepDone(const char* /*step*/) {}
};

// The start-up in its order: the main window, its creation event, the hidden About window,
// the event loop. Returns the program's exit code: the loop's once it has run; 0 when the
// set-up found no images and ended the program; kExitSetUpFailed when it stopped on an error.
// In both of the last cases the main window is never shown.
int RunStartUp(IStartUpShell& shell);

}  // namespace talvex::experiment
