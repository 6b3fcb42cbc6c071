// Start-up and shutdown of the program: the application, the main window and its creation
// event, the hidden About window, the event loop.

#include <QApplication>
#include <QScreen>
#include <clocale>
#include <exception>
#include <memory>

#include "app_icon.h"
#include "error_box.h"
#include "form1.h"
#include "form1_events.h"
#include "form2.h"
#include "talvex/embedded_images.h"
#include "talvex/imagestore/jpeg_image.h"
#include "talvex/platform/posix_system.h"

namespace {

// Exit code of a run whose set-up failed (the error box has been shown).
constexpr int kSetUpFailed = 1;

int Run(QApplication& application, int argc, char** argv) {
  using namespace talvex;
  // The run parameters: the values Qt has left after taking its own options.
  platform::SetCommandLine(argc, argv);
  RegisterEmbeddedImages();

  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr && screen->depth() <= 8) {
    imagestore::TJPEGImage::SetDefaultPixelFormat(imagestore::PixelFormat::Bits8);
  }

  System& system = platform::TheSystem();
  app::TForm1 form1(system, app::MakeResourceManager,
                    app::ControllerEvents(system, app::MakeResourceManager));
  form1.FormCreate();
  if (!form1.SetUpComplete()) {
    // Either the set-up found no images and ended the program, or it stopped on an error
    // that the error box has shown: the window is never shown.
    return form1.EndRequested() ? 0 : kSetUpFailed;
  }

  // Created hidden and never shown; "About" makes a window of its own each time.
  app::TForm2 form2(system, app::MakeResourceManager());

  // Qt applies -qwindowgeometry / -geometry and the window manager's hints to this show.
  form1.show();
  return application.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
  std::setlocale(LC_ALL, "");
  QApplication application(argc, argv);
  // The application's name, "Talvex", is also its display name. It is not set as the
  // display name explicitly: on X11 Qt would then append it to every window's caption.
  QApplication::setApplicationName(QString::fromLatin1(talvex::app::kApplicationTitle));
  QApplication::setApplicationVersion(QStringLiteral("1.6.1.1"));
  QApplication::setWindowIcon(talvex::app::TalvexIcon());
  try {
    return Run(application, argc, argv);
  } catch (const std::exception& e) {
    talvex::app::ShowApplicationErrorBox(e.what());
    return 1;
  }
}
