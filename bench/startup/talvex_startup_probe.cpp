// The program's start-up, as app/main.cpp does it, in a bench-only program that reports when
// the main window was first painted (see first_paint_probe.h) and then ends. With
// --pack FILE the image set is an image pack mapped at run time instead of the embedded one.

#include <QScreen>
#include <clocale>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "app_icon.h"
#include "error_box.h"
#include "first_paint_probe.h"
#include "form1.h"
#include "form1_events.h"
#include "form2.h"
#include "talvex/embedded_images.h"
#include "talvex/imagestore/jpeg_image.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/mapped_file.h"
#include "talvex/platform/posix_system.h"

namespace {

int Run(talvex::bench::FirstPaintApplication& application, int argc, char** argv) {
  using namespace talvex;
  std::vector<char*> values;
  std::unique_ptr<platform::MappedFile> pack;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pack") == 0 && i + 1 < argc) {
      pack = std::make_unique<platform::MappedFile>(argv[++i]);
      if (pack->Failed()) return 2;
    } else {
      values.push_back(argv[i]);
    }
  }
  platform::SetCommandLine(static_cast<int>(values.size()), values.data());
  if (pack) {
    imagestore::SetModuleResources(pack->Data(), pack->Size());
  } else {
    RegisterEmbeddedImages();
  }

  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr && screen->depth() <= 8) {
    imagestore::TJPEGImage::SetDefaultPixelFormat(imagestore::PixelFormat::Bits8);
  }

  System& system = platform::TheSystem();
  application.Mark("names, icon, image set registered");
  app::TForm1 form1(system, app::MakeResourceManager,
                    app::ControllerEvents(system, app::MakeResourceManager));
  application.Mark("main window built (fonts, controls)");
  form1.FormCreate();
  if (!form1.SetUpComplete()) return 1;
  application.Mark("creation event: the set-up");
  app::TForm2 form2(system, app::MakeResourceManager());
  application.Mark("hidden About window");

  application.Watch(&form1);
  form1.show();
  return application.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
  std::setlocale(LC_ALL, "");
  talvex::bench::FirstPaintApplication application(argc, argv);
  application.Mark("process start to Qt application made");
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
