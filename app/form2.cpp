#include "form2.h"

#include <QKeyEvent>
#include <QLabel>

#include "error_box.h"
#include "form_layout.h"
#include "link_label.h"
#include "picture_area.h"
#include "talvex/experiment/window_layout.h"

namespace talvex::app {

TForm2::TForm2(System& system, std::unique_ptr<imagestore::TResourceManager> loader,
               QWidget* parent, const experiment::StudySettings& study)
    : QDialog(parent), events_(system, std::move(loader), *this, study) {
  const experiment::WindowLayout& layout = events_.Layout();
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
  Guarded([this] { events_.FormCreate(); });
}

TForm2::~TForm2() = default;

void TForm2::BuildControls() {
  app::BuildControls(*this, events_.Layout(), scale_);
  image1_ = ControlOf<TPictureArea>(*this, "Image1");
  connect(image1_, &TPictureArea::clicked, this, &TForm2::Image1Click);
  for (TLinkLabel* link : findChildren<TLinkLabel*>(Qt::FindDirectChildrenOnly)) {
    connect(link, &TLinkLabel::clicked, this, [this, link] { Label12Click(link); });
  }
}

void TForm2::SetPicture(const imagestore::TJPEGImage& picture) {
  image1_->SetPicture(picture);
}

void TForm2::Label12Click(QObject* sender) {
  const std::string name = sender != nullptr ? sender->objectName().toStdString() : "";
  Guarded([this, &name] { events_.Label12Click(name); });
}

void TForm2::Image1Click() {
  Guarded([this] { events_.Image1Click(); });
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace talvex::app
