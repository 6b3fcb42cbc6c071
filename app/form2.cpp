#include "form2.h"

#include <QKeyEvent>
#include <QLabel>

#include "error_box.h"
#include "form_layout.h"
#include "link_label.h"
#include "picture_area.h"
#include "talvex/imagestore/image_names.h"

namespace talvex::app {

TForm2::TForm2(System& system, std::unique_ptr<imagestore::TResourceManager> loader,
               QWidget* parent, const experiment::StudySettings& study)
    : QDialog(parent),
      system_(system),
      loader_(std::move(loader)),
      layout_(study),
      videoPage_(study.videoPage) {
  const experiment::WindowLayout& layout = layout_.Layout();
  setObjectName(QString::fromLatin1(layout.name));
  setWindowTitle(QString::fromLatin1(layout.caption));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setFont(DesignFont(layout.font));
  scale_ = DesignScale(font());
  BuildControls();
  resize(experiment::Scaled(layout.clientWidth, scale_),
         experiment::Scaled(layout.clientHeight, scale_));
  move(layout.left, layout.top);
  FormCreate();
}

TForm2::~TForm2() = default;

void TForm2::BuildControls() {
  app::BuildControls(*this, layout_.Layout(), scale_);
  image1_ = ControlOf<TPictureArea>(*this, "Image1");
  connect(image1_, &TPictureArea::clicked, this, &TForm2::Image1Click);
  for (TLinkLabel* link : findChildren<TLinkLabel*>(Qt::FindDirectChildrenOnly)) {
    connect(link, &TLinkLabel::clicked, this, [this, link] { Label12Click(link); });
  }
}

void TForm2::FormCreate() {
  Guarded([this] {
    const std::unique_ptr<imagestore::TJPEGImage> picture =
        loader_->LoadImage(imagestore::kAboutPictureName);
    image1_->SetPicture(*picture);
  });
}

void TForm2::Label12Click(QObject* sender) {
  const auto* link = qobject_cast<const TLinkLabel*>(sender);
  if (link == nullptr) return;
  Guarded([this, link] { system_.OpenWebAddress(link->Address()); });
}

void TForm2::Image1Click() {
  Guarded([this] { system_.OpenWebAddress(videoPage_); });
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace talvex::app
