// The program's start-up, through the same start-up code as the program, in a bench-only
// program that reports when the main window was first painted (see first_paint_probe.h) and
// then ends. With --pack FILE the image set is an image pack mapped at run time instead of the
// embedded one; with --stay it goes on running as the program does (the light-sensor
// benchmark runs the large image set this way).

#include <clocale>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "error_box.h"
#include "first_paint_probe.h"
#include "startup.h"
#include "talvex/embedded_images.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/experiment/window_layout.h"
#include "talvex/imagestore/image_source.h"
#include "talvex/platform/mapped_file.h"
#include "talvex/platform/posix_system.h"

namespace {

using namespace talvex;

// The program's start-up steps, each marked as it ends, and the main window watched for its
// first paint.
class WatchedStartUp : public experiment::IStartUpShell {
 public:
  WatchedStartUp(bench::FirstPaintApplication& application, experiment::IStartUpShell& steps)
      : application_(application), steps_(steps) {}

  void BuildMainWindow() override {
    steps_.BuildMainWindow();
    application_.Mark("main window built (fonts, controls)");
  }
  void RunCreationEvent() override {
    steps_.RunCreationEvent();
    application_.Mark("creation event: the set-up");
  }
  bool SetUpComplete() const override { return steps_.SetUpComplete(); }
  bool EndRequested() const override { return steps_.EndRequested(); }
  void BuildHiddenAboutWindow() override {
    steps_.BuildHiddenAboutWindow();
    application_.Mark("hidden About window");
  }
  int RunEventLoop() override {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->objectName() == QLatin1String(experiment::Form1Layout().name)) {
        application_.Watch(window);
      }
    }
    return steps_.RunEventLoop();
  }

 private:
  bench::FirstPaintApplication& application_;
  experiment::IStartUpShell& steps_;
};

int Run(bench::FirstPaintApplication& application, int argc, char** argv) {
  std::vector<char*> values;
  std::unique_ptr<platform::MappedFile> pack;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--pack") == 0 && i + 1 < argc) {
      pack = std::make_unique<platform::MappedFile>(argv[++i]);
      if (pack->Failed()) return 2;
    } else if (std::strcmp(argv[i], "--stay") == 0) {
      application.KeepRunning();
    } else {
      values.push_back(argv[i]);
    }
  }
  platform::SetCommandLine(static_cast<int>(values.size()), values.data());
  const imagestore::ImageSource images =
      pack ? imagestore::ImageSource::InMemory(imagestore::ByteSpan{pack->Data(), pack->Size()})
           : EmbeddedImageSource();
  application.Mark("names, icon, image set registered");

  app::TQtStartUp steps(application, platform::TheSystem(), app::ScreenLoaders(images),
                        experiment::ReadStudySettings(images));
  WatchedStartUp watched(application, steps);
  return experiment::RunStartUp(watched);
}

}  // namespace

int main(int argc, char* argv[]) {
  std::setlocale(LC_ALL, "");
  talvex::bench::FirstPaintApplication application(argc, argv);
  application.Mark("process start to Qt application made");
  talvex::app::SetUpApplication();
  try {
    return Run(application, argc, argv);
  } catch (const std::exception& e) {
    talvex::app::ShowApplicationErrorBox(e.what());
    return 1;
  }
}
