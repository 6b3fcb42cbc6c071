#pragma once
// How the program wires its windows to the core: the image loader each window creates, and
// the receiver of the main window's events, made once the window exists.

#include <functional>
#include <memory>

#include "talvex/experiment/main_window.h"
#include "talvex/experiment/main_window_events.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/system.h"

namespace talvex::app {

// Makes the receiver of a window's events once the window exists.
using EventsFactory =
    std::function<std::unique_ptr<experiment::IMainWindowEvents>(experiment::IMainWindow&)>;

// A fresh image loader: every window that loads pictures creates its own.
using LoaderFactory = std::function<std::unique_ptr<imagestore::TResourceManager>()>;

// Image loaders over the program's image set, each loading pictures of the pixel format the
// screen calls for.
inline LoaderFactory ResourceManagerFactory(const imagestore::ImageSource& source,
                                            imagestore::PixelFormat format) {
  return
      [source, format] { return std::make_unique<imagestore::TResourceManager>(source, format); };
}

// The experiment controller as the receiver of the main window's events.
EventsFactory ControllerEvents(System& system, LoaderFactory makeLoader);

}  // namespace talvex::app
