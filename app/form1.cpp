#include "form1.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QTimer>
#include <QtMath>
#include <algorithm>
#include <climits>
#include <utility>

#include "app_icon.h"
#include "error_box.h"
#include "form2.h"
#include "form_layout.h"
#include "id_edit.h"
#include "picture_area.h"
#include "study_settings.h"
#include "talvex/exception.h"

namespace talvex::app {

using experiment::RemovableControl;
using experiment::TextControl;

namespace {

// The designed client area below the menu bar: the outer size 642 x 495 less a sizeable
// frame of 4 pixels on each side, a caption bar of 19 and a menu bar of 20 pixels.
constexpr QSize kClientSize(634, 448);
constexpr QPoint kDesignedPlace(182, 102);

// Designed places, in creation order (later controls lie in front of earlier ones).
constexpr ControlPlace kLayout[] = {
    {"Image1", 7, 32, 410, 350, Sizing::Fixed},
    {"Label1", 435, 10, 32, 13, Sizing::Text},
    {"Label2", 313, 412, 51, 13, Sizing::Text},
    {"RadioGroup1", 433, 40, 185, 257, Sizing::Fixed},
    {"RadioButton1", 449, 80, 113, 17, Sizing::WidenToText},
    {"RadioButton2", 449, 120, 113, 17, Sizing::WidenToText},
    {"RadioButton3", 449, 160, 113, 17, Sizing::WidenToText},
    {"RadioButton4", 449, 200, 113, 17, Sizing::WidenToText},
    {"RadioButton5", 449, 240, 113, 17, Sizing::WidenToText},
    {"Button2", 433, 308, 185, 36, Sizing::Fixed},
    {"Edit1", 8, 408, 297, 21, Sizing::Fixed},
    {"ProgressBar1", 8, 8, 409, 17, Sizing::Fixed},
    {"Memo1", 8, 48, 409, 97, Sizing::Fixed},
};

constexpr const char* kRatingCaptions[5] = {"definitely healthy", "probably healthy", "not sure",
                                            "probably damaged", "definitely damaged"};

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

constexpr int kMemoPoints = 12;
constexpr int kWindowPoints = 8;

// The welcome text fills the designed box in the designed font. A substitute font that
// runs larger gets the largest size, down to the window font's, at which the whole text
// fits, since the box has no scroll bars.
void FitMemoFont(QPlainTextEdit& memo) {
  QFont font = DesignFont(QStringLiteral("MS Sans Serif"), kMemoPoints);
  const int margin = qCeil(memo.document()->documentMargin());
  const QRect box = memo.contentsRect().adjusted(margin, margin, -margin, -margin);
  for (int points = kMemoPoints; points > kWindowPoints; --points) {
    font.setPointSize(points);
    const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, box.width(), INT_MAX),
                                                         Qt::TextWordWrap, memo.toPlainText());
    if (needed.height() <= box.height()) break;
  }
  memo.setFont(font);
}

}  // namespace

TForm1::TForm1(System& system, LoaderFactory makeLoader, const EventsFactory& makeEvents)
    : system_(system), makeLoader_(std::move(makeLoader)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Talvex 2010"));
  setWindowIcon(TalvexIcon());
  setFont(DesignFont(QStringLiteral("MS Sans Serif"), 8));
  scale_ = DesignScale(font());

  BuildControls();
  BuildMenu();
  ConnectEvents();

  resize(Scaled(kClientSize.width(), scale_),
         Scaled(kClientSize.height(), scale_) + menuBar()->sizeHint().height());
  move(kDesignedPlace);

  events_ = makeEvents(*this);
}

TForm1::~TForm1() = default;

void TForm1::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(client);

  image1_ = new TPictureArea(client);
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->setAccessibleName(QStringLiteral("Image1"));

  label1_ = new QLabel(QStringLiteral("Label1"), client);
  label1_->setObjectName(QStringLiteral("Label1"));
  label2_ = new QLabel(QStringLiteral("eg. m2B33"), client);
  label2_->setObjectName(QStringLiteral("Label2"));
  for (QLabel* label : {label1_, label2_}) label->setTextFormat(Qt::PlainText);

  // A frame drawn behind the rating buttons; the buttons are not its children.
  radioGroup1_ = new QGroupBox(QStringLiteral("Rating"), client);
  radioGroup1_->setObjectName(QStringLiteral("RadioGroup1"));

  for (int i = 0; i < 5; ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(kRatingCaptions[i]), client);
    button->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
    ratings_[static_cast<size_t>(i)] = button;
  }

  button2_ = new QPushButton(QStringLiteral("Button2"), client);
  button2_->setObjectName(QStringLiteral("Button2"));

  edit1_ = new TIdEdit(QStringLiteral("Enter your ID here."), client);
  edit1_->setObjectName(QStringLiteral("Edit1"));
  edit1_->setAccessibleName(QStringLiteral("Enter your ID here."));
  edit1_->setMaxLength(INT_MAX);

  progressBar1_ = new QProgressBar(client);
  progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar1_->setAccessibleName(QStringLiteral("Progress"));
  progressBar1_->setRange(0, 100);
  progressBar1_->setValue(100);
  progressBar1_->setTextVisible(false);

  memo1_ = new QPlainTextEdit(QStringLiteral("Memo1"), client);
  memo1_->setObjectName(QStringLiteral("Memo1"));
  memo1_->setAccessibleName(QStringLiteral("Memo1"));
  memo1_->setFont(DesignFont(QStringLiteral("MS Sans Serif"), kMemoPoints));
  memo1_->document()->setDocumentMargin(2);
  memo1_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo1_->setTabChangesFocus(true);

  ApplyLayout(*client, kLayout, scale_);

  // Tab order: Edit1, the five ratings, Button2, ProgressBar1, Memo1.
  QWidget* order[] = {edit1_,      ratings_[0], ratings_[1],   ratings_[2], ratings_[3],
                      ratings_[4], button2_,    progressBar1_, memo1_};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  edit1_->setFocus(Qt::OtherFocusReason);

  // The designed timer is enabled with 1000 ms; the creation event stops it before any
  // event is delivered.
  timer1Wake_ = new QTimer(this);
  timer1Wake_->setObjectName(QStringLiteral("Timer1"));
  timer1Wake_->setSingleShot(true);
  timer1Wake_->setTimerType(Qt::PreciseTimer);
  timer1_.SetInterval(1000);
}

void TForm1::BuildMenu() {
  credits1_ = menuBar()->addMenu(QStringLiteral("Help"));
  credits1_->setObjectName(QStringLiteral("Credits1"));
  about1_ = credits1_->addAction(QStringLiteral("Instructions"));
  about1_->setObjectName(QStringLiteral("About1"));
  about2_ = credits1_->addAction(QStringLiteral("About"));
  about2_->setObjectName(QStringLiteral("About2"));
}

void TForm1::ConnectEvents() {
  connect(button2_, &QPushButton::clicked, this,
          [this] { Forward([this] { events_->Button2Click(); }); });
  connect(edit1_.data(), &TIdEdit::clicked, this,
          [this] { Forward([this] { events_->Edit1Click(); }); });
  for (int i = 0; i < 5; ++i) {
    QRadioButton* button = ratings_[static_cast<size_t>(i)];
    const int rating = i + 1;
    connect(button, &QRadioButton::clicked, this,
            [this, rating](bool checked) { RatingClicked(rating, checked); });
  }
  connect(timer1Wake_, &QTimer::timeout, this, [this] { timer1_.Wake(); });
  connect(about1_, &QAction::triggered, this, &TForm1::About1Click);
  connect(about2_, &QAction::triggered, this, &TForm1::About2Click);
}

template <class Handler>
void TForm1::Forward(Handler&& handler) {
  if (events_ == nullptr) return;
  Guarded(std::forward<Handler>(handler));
}

// A click by mouse or keyboard (Qt clicks the button an arrow key moves to in the set).
void TForm1::RatingClicked(int rating, bool checked) {
  if (!ratingClicks_.Clicked(rating, checked)) return;
  Forward([this, rating] { events_->OnRadioButtonClick(rating); });
}

void TForm1::FormCreate() {
  Forward([this] { events_->FormCreate(); });
}

bool TForm1::SetUpComplete() const {
  return events_ != nullptr && events_->SetUpComplete();
}

void TForm1::About1Click() {
  Guarded([this] { system_.OpenWebAddress(study::kInstructionsAddress); });
}

void TForm1::About2Click() {
  Guarded([this] {
    // A new window each time; its creation loads its picture anew.
    TForm2 about(system_, makeLoader_(), this);
    about.exec();
  });
}

void TForm1::SetPicture(const imagestore::TJPEGImage& picture) {
  image1_->SetPicture(picture);
}

std::string TForm1::GetText(TextControl control) const {
  switch (control) {
    case TextControl::Button2:
      return button2_->text().toStdString();
    case TextControl::Label1:
      return label1_->text().toStdString();
    case TextControl::Edit1:
      return edit1_ ? edit1_->text().toStdString() : std::string();
    case TextControl::Memo1:
      return memo1_ ? memo1_->toPlainText().toStdString() : std::string();
  }
  return {};
}

void TForm1::SetText(TextControl control, const std::string& text) {
  switch (control) {
    case TextControl::Button2:
      button2_->setText(Text(text));
      break;
    case TextControl::Label1:
      label1_->setText(Text(text));
      FitToText(*label1_);
      break;
    case TextControl::Edit1:
      if (edit1_) edit1_->setText(Text(text));
      break;
    case TextControl::Memo1:
      if (memo1_) {
        memo1_->setPlainText(Text(text));
        FitMemoFont(*memo1_);
      }
      break;
  }
}

void TForm1::SetButtonEnabled(bool enabled) {
  button2_->setEnabled(enabled);
}

bool TForm1::IsRatingChecked(int rating) const {
  if (rating < 1 || rating > 5) return false;
  return ratings_[static_cast<size_t>(rating - 1)]->isChecked();
}

void TForm1::UncheckRating(int rating) {
  if (rating < 1 || rating > 5) return;
  QRadioButton* button = ratings_[static_cast<size_t>(rating - 1)];
  // An exclusive set refuses to uncheck its checked button; lift the rule for the moment.
  button->setAutoExclusive(false);
  button->setChecked(false);
  button->setAutoExclusive(true);
  ratingClicks_.Unchecked(rating);
}

void TForm1::SetProgress(int position) {
  progressBar1_->setValue(std::clamp(position, 0, 100));
}

void TForm1::SetTimerInterval(uint32_t milliseconds) {
  timer1_.SetInterval(milliseconds);
}

bool TForm1::WakeAfter(int milliseconds) {
  timer1Wake_->start(milliseconds);
  return timer1Wake_->isActive();
}

void TForm1::CancelWake() {
  timer1Wake_->stop();
}

void TForm1::RehearsePaint() {
  image1_->repaint();
}

void TForm1::TouchNextPicture() {
  image1_->TouchPreviousPicture();
}

void TForm1::IntervalElapsed() {
  Forward([this] { events_->Timer1Timer(); });
}

void TForm1::RemoveControl(RemovableControl control) {
  QWidget* widget = nullptr;
  if (control == RemovableControl::Memo1) {
    widget = memo1_;
    memo1_ = nullptr;
  } else {
    widget = edit1_;
    edit1_ = nullptr;
  }
  if (widget == nullptr) return;
  // Gone from the window at once; deleted once the current event has been handled, since the
  // removal may come from inside one of the control's own events.
  widget->hide();
  widget->deleteLater();
}

bool TForm1::HasControl(RemovableControl control) const {
  return control == RemovableControl::Memo1 ? memo1_ != nullptr : edit1_ != nullptr;
}

void TForm1::SetNormalState() {
  setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
}

void TForm1::ShowMessage(const std::string& text) {
  ShowMessageBox(text);
}

void TForm1::EndProgram() {
  endRequested_ = true;
  // Queued: the loop ends once the current handler has returned.
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TForm1::OpenWebAddress(const std::string& address) {
  system_.OpenWebAddress(address);
}

}  // namespace talvex::app
