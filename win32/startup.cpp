#include "startup.h"

#include <optional>

#include "form1.h"
#include "form2.h"
#include "handles.h"
#include "talvex/experiment/picture_pixels.h"
#include "talvex/experiment/shell.h"

namespace talvex::win32 {
namespace {

// The start-up's steps with the program's own windows.
class Win32StartUp : public experiment::IStartUpShell {
 public:
  Win32StartUp(System& system, const experiment::LoaderFactory& makeLoader,
               const experiment::StudySettings& study, int showCommand)
      : system_(system), makeLoader_(makeLoader), study_(study), showCommand_(showCommand) {}

  void BuildMainWindow() override {
    form1_.emplace(system_, makeLoader_,
                   experiment::ControllerEvents(system_, makeLoader_, study_.resume), study_);
  }
  void RunCreationEvent() override { form1_->FormCreate(); }
  bool SetUpComplete() const override { return form1_->SetUpComplete(); }
  bool EndRequested() const override { return form1_->EndRequested(); }
  void BuildHiddenAboutWindow() override {
    form2_.emplace(system_, makeLoader_(), form1_->Handle(), study_);
  }
  int RunEventLoop() override {
    form1_->ShowFirst(showCommand_);
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
      // Tab, the arrow keys and the rest of the keyboard interface among the controls.
      if (form1_->Handle() != nullptr && IsDialogMessageW(form1_->Handle(), &message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return got < 0 ? experiment::kExitSetUpFailed : static_cast<int>(message.wParam);
  }

 private:
  System& system_;
  const experiment::LoaderFactory& makeLoader_;
  const experiment::StudySettings& study_;
  int showCommand_;
  // Destroyed in reverse order: the About window before the main window that owns it.
  std::optional<TForm1> form1_;
  std::optional<TForm2> form2_;
};

int ScreenBitsPerPixel() {
  const WindowDc screen;
  return GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES);
}

}  // namespace

int RunWindows(System& system, const imagestore::ImageSource& images, int showCommand) {
  const experiment::LoaderFactory makeLoader = experiment::ResourceManagerFactory(
      images, experiment::PictureFormatForScreen(ScreenBitsPerPixel()));
  // The settings stamped into the program, else those it was built with.
  const experiment::StudySettings study = experiment::ReadStudySettings(images);
  Win32StartUp startUp(system, makeLoader, study, showCommand);
  return experiment::RunStartUp(startUp);
}

}  // namespace talvex::win32
