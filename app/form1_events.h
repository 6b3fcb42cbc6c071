#pragma once
// What the main window does with its events: it forwards each to an IForm1Events, which in
// the program is the experiment controller. The window itself holds no experiment logic.

#include <functional>
#include <memory>

#include "talvex/experiment/main_window.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/system.h"

namespace talvex::app {

class IForm1Events {
 public:
  virtual ~IForm1Events() = default;

  virtual void FormCreate() = 0;
  virtual void Button2Click() = 0;
  virtual void Edit1Click() = 0;
  // A rating button (1 to 5) became the checked one by the rater.
  virtual void RadioButtonClick(int rating) = 0;
  virtual void Timer1Timer() = 0;
  // True once FormCreate has run all its steps.
  virtual bool SetUpComplete() const = 0;
};

// Makes the receiver of a window's events once the window exists.
using EventsFactory = std::function<std::unique_ptr<IForm1Events>(experiment::IMainWindow&)>;

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
