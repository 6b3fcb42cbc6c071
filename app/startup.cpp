#include "startup.h"

#include <QScreen>

#include "app_icon.h"
#include "talvex/experiment/picture_pixels.h"
#include "talvex/version.h"

namespace talvex::app {

void TQtStartUp::BuildMainWindow() {
  form1_.emplace(system_, makeLoader_, ControllerEvents(system_, makeLoader_, study_.resume),
                 study_);
}

void TQtStartUp::BuildHiddenAboutWindow() {
  form2_.emplace(system_, makeLoader_(), nullptr, study_);
}

int TQtStartUp::RunEventLoop() {
  // Qt applies -qwindowgeometry / -geometry and the window manager's hints to this show.
  form1_->show();
  return application_.exec();
}

void SetUpApplication() {
  // The application's name, "Talvex", is also its display name. It is not set as the
  // display name explicitly: on X11 Qt would then append it to every window's caption.
  QApplication::setApplicationName(QString::fromLatin1(experiment::kApplicationTitle));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
  QApplication::setWindowIcon(TalvexIcon());
}

LoaderFactory ScreenLoaders(const imagestore::ImageSource& images) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return ResourceManagerFactory(
      images, experiment::PictureFormatForScreen(screen != nullptr ? screen->depth() : 32));
}

int RunWindows(QApplication& application, System& system, const imagestore::ImageSource& images) {
  // The settings stamped into the program, else those it was built with.
  TQtStartUp startUp(application, system, ScreenLoaders(images),
                     experiment::ReadStudySettings(images));
  return experiment::RunStartUp(startUp);
}

}  // namespace talvex::app
