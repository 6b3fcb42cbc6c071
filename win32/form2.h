#pragma once
// TForm2: the About window. It names the program, credits the authors and the institutions,
// and shows its picture; the picture and the two institution lines open web pages.

#include <memory>
#include <string>

#include "form_layout.h"
#include "handles.h"
#include "picture_area.h"
#include "talvex/experiment/about_window.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/system.h"
#include "window.h"

namespace talvex::win32 {

class TForm2 : public TWindow, private experiment::IAboutWindow {
 public:
  // Builds the window hidden, owned by owner, with the study's texts, then runs its creation
  // event, which loads the picture through the given loader (a failure is shown in the error
  // box; the window stays without it).
  TForm2(System& system, std::unique_ptr<imagestore::TResourceManager> loader, HWND owner,
         const experiment::StudySettings& study = experiment::BuiltStudySettings());
  ~TForm2() override;

  // Shows the window modally: its owner takes no input until the rater closes it. Messages of
  // the thread, the exposure timer's wake-ups included, go on being delivered meanwhile; a quit
  // ends the display and is passed on to the loop outside.
  void ShowModal();

  double Scale() const { return scale_; }
  const TControlSet& Controls() const { return *controls_; }

  // Opens the clicked link's own address; nothing for any other control.
  void Label12Click(const TControl& sender);
  // Opens the video page.
  void Image1Click();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // experiment::IAboutWindow
  void SetPicture(const imagestore::TJPEGImage& picture) override;

  HWND owner_;
  UniqueFont windowFont_;
  double scale_ = 1.0;
  std::unique_ptr<TControlSet> controls_;
  experiment::TAboutEvents events_;
  bool modal_ = false;  // shown modally and not yet closed
};

}  // namespace talvex::win32
