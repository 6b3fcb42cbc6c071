#include "talvex/experiment/about_window.h"

#include <utility>

#include "talvex/imagestore/image_names.h"

namespace talvex::experiment {

TAboutEvents::TAboutEvents(System& system, std::unique_ptr<imagestore::TResourceManager> loader,
                           IAboutWindow& window, const StudySettings& study)
    : system_(system),
      loader_(std::move(loader)),
      window_(window),
      layout_(study),
      videoPage_(study.videoPage) {}

void TAboutEvents::FormCreate() {
  const std::unique_ptr<imagestore::TJPEGImage> picture =
      loader_->LoadImage(imagestore::kAboutPictureName);
  window_.SetPicture(*picture);
}

void TAboutEvents::Label12Click(const std::string& sender) {
  for (const ControlLayout& control : layout_.Layout()) {
    if (sender == control.name && control.kind == ControlKind::Link && control.address != nullptr) {
      system_.OpenWebAddress(control.address);
    }
  }
}

void TAboutEvents::Image1Click() {
  system_.OpenWebAddress(videoPage_);
}

}  // namespace talvex::experiment
