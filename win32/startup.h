#pragma once
// The program's start-up on Windows (the shared sequence of experiment::RunStartUp): the
// main window and its creation event, the hidden About window, the first show and the event
// loop.

#include "talvex/imagestore/image_source.h"
#include "talvex/system.h"

namespace talvex::win32 {

// Builds and runs the windows over the image set of images, the main window first shown with
// showCommand (the show command the program was started with); returns the program's exit
// code (see experiment::RunStartUp).
int RunWindows(System& system, const imagestore::ImageSource& images, int showCommand);

}  // namespace talvex::win32
