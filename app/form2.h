#pragma once
// TForm2: the About window. It names the program, credits the authors and the institutions,
// and shows its picture; the picture and the two institution lines open web pages.

#include <QDialog>
#include <memory>

#include "talvex/experiment/about_window.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/system.h"

namespace talvex::app {

class TLinkLabel;
class TPictureArea;

class TForm2 : public QDialog, private experiment::IAboutWindow {
  Q_OBJECT

 public:
  // Builds the window hidden with the study's texts, then runs its creation event, which
  // loads the picture through the given loader (a failure is shown in the error box; the
  // window stays without it).
  TForm2(System& system, std::unique_ptr<imagestore::TResourceManager> loader,
         QWidget* parent = nullptr,
         const experiment::StudySettings& study = experiment::BuiltStudySettings());
  ~TForm2() override;

  double Scale() const { return scale_; }

  // Opens the clicked link's own address; nothing for any other control.
  void Label12Click(QObject* sender);
  // Opens the video page.
  void Image1Click();

 protected:
  // The window has no button of its own: Escape does not close it.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  // experiment::IAboutWindow
  void SetPicture(const imagestore::TJPEGImage& picture) override;

  double scale_ = 1.0;
  TPictureArea* image1_ = nullptr;
  experiment::TAboutEvents events_;
};

}  // namespace talvex::app
