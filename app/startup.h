#pragma once
// The program's start-up after the application object exists: the main window and its
// creation event, the hidden About window, the show and the event loop.

#include <QApplication>
#include <optional>

#include "form1.h"
#include "form2.h"
#include "talvex/experiment/shell.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/imagestore/image_source.h"
#include "talvex/system.h"
#include "window_factories.h"

namespace talvex::app {

// Names, version and icon of the application.
void SetUpApplication();

// Image loaders over the image set, of the pixel format the primary screen calls for.
LoaderFactory ScreenLoaders(const imagestore::ImageSource& images);

// The start-up's steps with Qt's windows (experiment::RunStartUp runs them), with the study's
// settings (experiment::ReadStudySettings).
class TQtStartUp : public experiment::IStartUpShell {
 public:
  TQtStartUp(QApplication& application, System& system, LoaderFactory makeLoader,
             experiment::StudySettings study)
      : application_(application),
        system_(system),
        makeLoader_(std::move(makeLoader)),
        study_(std::move(study)) {}

  void BuildMainWindow() override;
  void RunCreationEvent() override { form1_->FormCreate(); }
  bool SetUpComplete() const override { return form1_->SetUpComplete(); }
  bool EndRequested() const override { return form1_->EndRequested(); }
  void BuildHiddenAboutWindow() override;
  int RunEventLoop() override;

 private:
  QApplication& application_;
  System& system_;
  LoaderFactory makeLoader_;
  const experiment::StudySettings study_;
  // Destroyed in reverse order: the About window before the main window.
  std::optional<TForm1> form1_;
  std::optional<TForm2> form2_;
};

// Builds and runs the windows over the image set of images; returns the program's exit code:
// 0 when the run ended or the window was closed, or when the set-up found no images; 1 when
// the set-up stopped on an error (the error box has been shown).
int RunWindows(QApplication& application, System& system, const imagestore::ImageSource& images);

}  // namespace talvex::app
