#include "startup.h"

#include <QScreen>
#include <optional>

#include "app_icon.h"
#include "error_box.h"
#include "form1.h"
#include "form2.h"
#include "talvex/experiment/shell.h"
#include "talvex/version.h"
#include "window_factories.h"

namespace talvex::app {
namespace {

// The start-up's steps with Qt's windows.
class QtStartUp : public experiment::IStartUpShell {
 public:
  QtStartUp(QApplication& application, System& system, const LoaderFactory& makeLoader,
            const experiment::StudySettings& study, const StartUpWatch& watch)
      : application_(application),
        system_(system),
        makeLoader_(makeLoader),
        study_(study),
        watch_(watch) {}

  void BuildMainWindow() override {
    form1_.emplace(system_, makeLoader_, ControllerEvents(system_, makeLoader_, study_.resume),
                   study_);
  }
  void RunCreationEvent() override { form1_->FormCreate(); }
  bool SetUpComplete() const override { return form1_->SetUpComplete(); }
  bool EndRequested() const override { return form1_->EndRequested(); }
  void BuildHiddenAboutWindow() override {
    form2_.emplace(system_, makeLoader_(), nullptr, study_);
  }
  int RunEventLoop() override {
    if (watch_.beforeShow) watch_.beforeShow(*form1_);
    // Qt applies -qwindowgeometry / -geometry and the window manager's hints to this show.
    form1_->show();
    return application_.exec();
  }
  void StepDone(const char* step) override {
    if (watch_.stepDone) watch_.stepDone(step);
  }

 private:
  QApplication& application_;
  System& system_;
  const LoaderFactory& makeLoader_;
  const experiment::StudySettings& study_;
  const StartUpWatch& watch_;
  // Destroyed in reverse order: the About window before the main window.
  std::optional<TForm1> form1_;
  std::optional<TForm2> form2_;
};

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
  const QScreen* screen = QGuiApplication::primaryScreen();
  const LoaderFactory makeLoader = ResourceManagerFactory(
      images, experiment::PictureFormatForScreen(screen != nullptr ? screen->depth() : 32));
  // The settings stamped into the program, else those it was built with.
  const experiment::StudySettings study = experiment::ReadStudySettings(images);
  QtStartUp startUp(application, system, makeLoader, study, watch);
  return experiment::RunStartUp(startUp);
}

}  // namespace talvex::app
