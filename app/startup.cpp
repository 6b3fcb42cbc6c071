#include "startup.h"

#include <QScreen>

#include "app_icon.h"
#include "error_box.h"
#include "form1.h"
#include "form2.h"
#include "talvex/version.h"
#include "window_factories.h"

namespace talvex::app {
namespace {

// Exit code of a run whose set-up failed (the error box has been shown).
constexpr int kSetUpFailed = 1;

void StepDone(const StartUpWatch& watch, const char* step) {
  if (watch.stepDone) watch.stepDone(step);
}

}  // namespace

void SetUpApplication() {
  // The application's name, "Talvex", is also its display name. It is not set as the
  // display name explicitly: on X11 Qt would then append it to every window's caption.
  QApplication::setApplicationName(QString::fromLatin1(experiment::kApplicationTitle));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
  QApplication::setWindowIcon(TalvexIcon());
}

int RunWindows(QApplication& application, System& system, const imagestore::ImageSource& images,
               const StartUpWatch& watch) {
  // Pictures are quantized to 8 bits for a screen of at most 8 bits per pixel.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const imagestore::PixelFormat format = screen != nullptr && screen->depth() <= 8
                                             ? imagestore::PixelFormat::Bits8
                                             : imagestore::PixelFormat::Bits24;
  const LoaderFactory makeLoader = ResourceManagerFactory(images, format);

  TForm1 form1(system, makeLoader, ControllerEvents(system, makeLoader));
  StepDone(watch, "main window built (fonts, controls)");
  form1.FormCreate();
  if (!form1.SetUpComplete()) {
    // Either the set-up found no images and ended the program, or it stopped on an error
    // that the error box has shown: the window is never shown.
    return form1.EndRequested() ? 0 : kSetUpFailed;
  }
  StepDone(watch, "creation event: the set-up");

  // Created hidden and never shown; "About" makes a window of its own each time.
  TForm2 form2(system, makeLoader());
  StepDone(watch, "hidden About window");

  if (watch.beforeShow) watch.beforeShow(form1);
  // Qt applies -qwindowgeometry / -geometry and the window manager's hints to this show.
  form1.show();
  return application.exec();
}

}  // namespace talvex::app
