#include "form2.h"

#include <QKeyEvent>
#include <QLabel>

#include "error_box.h"
#include "form_layout.h"
#include "link_label.h"
#include "picture_area.h"
#include "study_settings.h"
#include "talvex/imagestore/image_names.h"

namespace talvex::app {

namespace {

// The designed client area: the outer size 557 x 355 less a sizeable frame of 4 pixels on
// each side and a caption bar of 19 pixels.
constexpr QSize kClientSize(549, 328);
constexpr QPoint kDesignedPlace(387, 170);

// Every text is a one-line label sized to its text.
constexpr ControlPlace kLayout[] = {
    {"Image1", 15, 18, 178, 271, Sizing::Fixed},  {"Label6", 207, 9, 77, 39, Sizing::Text},
    {"Label7", 297, 25, 66, 13, Sizing::Text},    {"Label11", 209, 69, 265, 13, Sizing::Text},
    {"Label12", 209, 101, 303, 13, Sizing::Text}, {"Label2", 207, 190, 67, 13, Sizing::Text},
    {"Label3", 207, 264, 165, 13, Sizing::Text},  {"Label4", 207, 279, 181, 13, Sizing::Text},
    {"Label5", 207, 249, 69, 13, Sizing::Text},   {"Label8", 207, 234, 43, 13, Sizing::Text},
    {"Label1", 207, 205, 79, 13, Sizing::Text},   {"Label9", 207, 219, 53, 13, Sizing::Text},
    {"Label10", 207, 175, 69, 13, Sizing::Text},  {"Label14", 207, 160, 59, 13, Sizing::Text},
    {"Label15", 207, 136, 102, 13, Sizing::Text}, {"Label13", 209, 118, 314, 13, Sizing::Text},
    {"Label17", 207, 52, 98, 13, Sizing::Text},   {"Label16", 209, 84, 233, 13, Sizing::Text},
};

}  // namespace

TForm2::TForm2(System& system, std::unique_ptr<imagestore::TResourceManager> loader,
               QWidget* parent)
    : QDialog(parent), system_(system), loader_(std::move(loader)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setFont(DesignFont(QStringLiteral("MS Sans Serif"), 8));
  scale_ = DesignScale(font());
  BuildControls();
  resize(Scaled(kClientSize, scale_));
  move(kDesignedPlace);
  FormCreate();
}

TForm2::~TForm2() = default;

void TForm2::BuildControls() {
  image1_ = new TPictureArea(this);
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->setAccessibleName(QStringLiteral("picture"));
  connect(image1_, &TPictureArea::clicked, this, &TForm2::Image1Click);

  // Creation order of the window's labels, each with its text.
  const auto addLabel = [this](const char* name, const QString& text) {
    QLabel* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
  };
  const auto addLink = [this](const char* name, const char* text, const char* address) {
    auto* link = new TLinkLabel(QString::fromUtf8(text), this);
    link->setObjectName(QString::fromLatin1(name));
    link->SetAddress(address);
    link->SetLinkStyle();
    connect(link, &TLinkLabel::clicked, this, [this, link] { Label12Click(link); });
    return link;
  };
  const auto person = [](size_t i) { return QString::fromUtf8(study::kThankedPersons[i]); };

  QLabel* title = addLabel("Label6", QStringLiteral("Talvex"));
  title->setFont(DesignFont(QStringLiteral("Gill Sans MT"), 20));
  addLabel("Label7", QStringLiteral("version 2010"));
  addLabel("Label11", QString::fromUtf8(study::kAuthorLine));
  addLink("Label12", study::kInstitution1Line, study::kInstitution1Address);
  addLabel("Label2", person(2));
  addLabel("Label3", QString::fromUtf8(study::kClinicLine));
  addLabel("Label4", QString::fromUtf8(study::kHospitalLine));
  addLabel("Label5", person(6));
  addLabel("Label8", person(5));
  addLabel("Label1", person(3));
  addLabel("Label9", person(4));
  addLabel("Label10", person(1));
  addLabel("Label14", person(0));
  addLabel("Label15", QStringLiteral("with special thanks to"));
  addLink("Label13", study::kInstitution2Line, study::kInstitution2Address);
  addLabel("Label17", QStringLiteral("software created by"));
  addLabel("Label16", QString::fromUtf8(study::kWebServerLine));

  ApplyLayout(*this, kLayout, scale_);
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
  Guarded([this] { system_.OpenWebAddress(study::kVideoAddress); });
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace talvex::app
