#pragma once
// The program's start-up after the application object exists: the main window and its
// creation event, the hidden About window, the show and the event loop. Shared by the program
// and by the start-up benchmark, which watches the steps.

#include <QApplication>
#include <functional>

#include "talvex/imagestore/image_source.h"
#include "talvex/system.h"

namespace talvex::app {

// Names, version and icon of the application.
void SetUpApplication();

// What a watcher of the start-up is told; either may be empty.
struct StartUpWatch {
  std::function<void(const char* step)> stepDone;  // after each step, with its name
  std::function<void(QWidget& mainWindow)> beforeShow;
};

// Builds and runs the windows over the image set of images; returns the program's exit code:
// 0 when the run ended or the window was closed, or when the set-up found no images; 1 when
// the set-up stopped on an error (the error box has been shown).
int RunWindows(QApplication& application, System& system, const imagestore::ImageSource& images,
               const StartUpWatch& watch = {});

}  // namespace talvex::app
