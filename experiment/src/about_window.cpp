#include "talvex/experiment/about_window.h"

#include <utility>

#include "talvex/experiment/study_settings.h"
#include "talvex/experiment/window_layout.h"
#include "talvex/imagestore/image_names.h"

namespace talvex::experiment {

TAboutEvents::TAboutEvents(System& system, std::unique_ptr<imagestore::TResourceManager> loader,
                           IAboutWindow& window)
    : system_(system), loader_(std::move(loader)), window_(window) {}

void TAboutEvents::FormCreate() {
  const std::unique_ptr<imagestore::TJPEGImage> picture =
      loader_->LoadImage(imagestore::kAboutPictureName);
  window_.SetPicture(*picture);
}

void TAboutEvents::Label12Click(const std::string& sender) {
  for (const ControlLayout& control : Form2Layout()) {
    if (sender == control.name && control.kind == ControlKind::Link && control.address != nullptr) {
      system_.OpenWebAddress(control.address);
    }
  }
}

void TAboutEvents::Image1Click() {
  system_.OpenWebAddress(study::kVideoAddress);
}

}  // namespace talvex::experiment
