// The program: the application, the image set linked into it, the windows and the event loop.

#include <QApplication>
#include <clocale>
#include <exception>

#include "error_box.h"
#include "startup.h"
#include "talvex/embedded_images.h"
#include "talvex/platform/posix_system.h"

int main(int argc, char* argv[]) {
  talvex::platform::IgnoreFileSizeLimitSignal();
  std::setlocale(LC_ALL, "");
  QApplication application(argc, argv);
  talvex::app::SetUpApplication();
  try {
    // The run parameters: the values Qt has left after taking its own options.
    talvex::platform::SetCommandLine(argc, argv);
    return talvex::app::RunWindows(application, talvex::platform::TheSystem(),
                                   talvex::EmbeddedImageSource());
  } catch (const std::exception& e) {
    talvex::app::ShowApplicationErrorBox(e.what());
    return 1;
  }
}
