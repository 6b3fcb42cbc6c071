#pragma once
// The About window's events as every shell handles them: its creation loads its picture, each
// institution line opens its own address, the picture opens the video page. A shell draws the
// window from Layout(), which holds the study's texts and the links' addresses, hands each
// event here inside its guard (a failure is shown in the error box) and names the clicked
// control by its name in that table.

#include <memory>
#include <string>

#include "talvex/experiment/study_settings.h"
#include "talvex/experiment/window_layout.h"
#include "talvex/imagestore/jpeg_image.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/system.h"

namespace talvex::experiment {

// What the About window's events do to the window.
class IAboutWindow {
 public:
  virtual ~IAboutWindow() = default;
  // Sets the picture of Image1; the window keeps its own copy.
  virtual void SetPicture(const imagestore::TJPEGImage& picture) = 0;
};

class TAboutEvents {
 public:
  // Each About window has an image loader of its own; its texts and addresses are the study's
  // (stamped into the program, else built).
  TAboutEvents(System& system, std::unique_ptr<imagestore::TResourceManager> loader,
               IAboutWindow& window, const StudySettings& study = BuiltStudySettings());

  // The window's layout with the study's texts and addresses; valid while this object lives.
  const WindowLayout& Layout() const { return layout_.Layout(); }

  // Loads the About picture and sets it; raises what the loader raises, and the window stays
  // without its picture.
  void FormCreate();
  // A click on the control of that name: a link opens its own address, anything else nothing.
  void Label12Click(const std::string& sender);
  // A click on the picture: the video page.
  void Image1Click();

 private:
  System& system_;
  std::unique_ptr<imagestore::TResourceManager> loader_;
  IAboutWindow& window_;
  const TAboutLayout layout_;
  const std::string videoPage_;
};

}  // namespace talvex::experiment
