#include "form1.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QInputEvent>
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
#include "talvex/exception.h"
#include "talvex/experiment/shell.h"
#include "talvex/experiment/text_fitting.h"
#include "talvex/experiment/window_layout.h"

namespace talvex::app {

using experiment::RemovableControl;
using experiment::TextControl;

namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The welcome text fills the designed box in the designed font, or the largest size at which
// the whole text fits, since the box has no scroll bars.
void FitMemoFont(QPlainTextEdit& memo) {
  QFont font = DesignFont(experiment::kMemoFont);
  const int margin = qCeil(memo.document()->documentMargin());
  const QRect box = memo.contentsRect().adjusted(margin, margin, -margin, -margin);
  font.setPointSize(experiment::FittingPointSize(
      experiment::kMemoFont.points, experiment::Form1Layout().font.points, [&](int points) {
        QFont trial = font;
        trial.setPointSize(points);
        const QRect needed = QFontMetrics(trial).boundingRect(QRect(0, 0, box.width(), INT_MAX),
                                                              Qt::TextWordWrap, memo.toPlainText());
        return needed.height() <= box.height();
      }));
  memo.setFont(font);
}

}  // namespace

TForm1::TForm1(System& system, LoaderFactory makeLoader, const EventsFactory& makeEvents,
               experiment::StudySettings study)
    : system_(system), makeLoader_(std::move(makeLoader)), study_(std::move(study)) {
  const experiment::WindowLayout& layout = experiment::Form1Layout();
  setObjectName(QString::fromLatin1(layout.name));
  setWindowTitle(QString::fromLatin1(layout.caption));
  setWindowIcon(TalvexIcon());
  setFont(DesignFont(layout.font));
  scale_ = DesignScale(font());

  BuildControls();
  BuildMenu();
  ConnectEvents();

  resize(experiment::Scaled(layout.clientWidth, scale_),
         experiment::Scaled(layout.clientHeight, scale_) + menuBar()->sizeHint().height());
  move(layout.left, layout.top);

  events_ = makeEvents(*this);
}

TForm1::~TForm1() = default;

void TForm1::BuildControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(client);
  app::BuildControls(*client, experiment::Form1Layout(), scale_);

  image1_ = ControlOf<TPictureArea>(*client, "Image1");
  label1_ = ControlOf<QLabel>(*client, "Label1");
  for (size_t i = 0; i < ratings_.size(); ++i) {
    const std::string name = "RadioButton" + std::to_string(i + 1);
    ratings_[i] = ControlOf<QRadioButton>(*client, name.c_str());
    // Notes the time of the input that makes it the checked one.
    ratings_[i]->installEventFilter(this);
  }
  button2_ = ControlOf<QPushButton>(*client, "Button2");
  edit1_ = ControlOf<TIdEdit>(*client, "Edit1");
  progressBar1_ = ControlOf<QProgressBar>(*client, "ProgressBar1");
  memo1_ = ControlOf<QPlainTextEdit>(*client, "Memo1");
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
  const experiment::MenuLayout& menu = *experiment::Form1Layout().menu;
  credits1_ = menuBar()->addMenu(QString::fromLatin1(menu.caption));
  credits1_->setObjectName(QString::fromLatin1(menu.name));
  for (size_t i = 0; i < menu.itemCount; ++i) {
    QAction* item = credits1_->addAction(QString::fromLatin1(menu.items[i].caption));
    const QString name = QString::fromLatin1(menu.items[i].name);
    item->setObjectName(name);
    (name == QLatin1String("About1") ? about1_ : about2_) = item;
  }
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
  const std::optional<uint64_t> stamp = std::exchange(ratingInputStamp_, std::nullopt);
  if (!ratingClicks_.Clicked(rating, checked)) return;
  const std::optional<int64_t> inputNs = stamp ? displayServer_.InputTime(*stamp) : std::nullopt;
  Forward([this, rating, inputNs] { events_->OnRadioButtonClick(rating, inputNs); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      ratingInputStamp_ = static_cast<QInputEvent*>(event)->timestamp();
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  displayServer_.StartClockCheck(*this);
}

void TForm1::FormCreate() {
  Forward([this] { events_->FormCreate(); });
}

bool TForm1::SetUpComplete() const {
  return events_ != nullptr && events_->SetUpComplete();
}

void TForm1::About1Click() {
  Guarded([this] { system_.OpenWebAddress(study_.instructionsPage); });
}

void TForm1::About2Click() {
  Guarded([this] {
    // A new window each time; its creation loads its picture anew.
    TForm2 about(system_, makeLoader_(), this, study_);
    about.exec();
  });
}

void TForm1::SetPicture(const imagestore::TJPEGImage& picture) {
  image1_->SetPicture(picture);
}

void TForm1::SetPreparedPicture(const imagestore::TJPEGImage& picture,
                                const experiment::IPreparedPixels& prepared) {
  image1_->SetPicture(picture, &prepared);
}

void TForm1::WaitUntilDisplayed() {
  displayServer_.Sync();
}

std::shared_ptr<const experiment::IPicturePreparer> TForm1::PicturePreparer() const {
  return image1_->Preparer();
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
  if (!enabled) PassFocusOn(*button2_);
  button2_->setEnabled(enabled);
}

void TForm1::PassFocusOn(QWidget& leaving) {
  if (focusWidget() != &leaving) return;
  QWidget* client = centralWidget();
  const experiment::ControlLayout* next = experiment::NextFocus(
      experiment::Form1Layout(), leaving.objectName().toStdString(),
      [client](const experiment::ControlLayout& control) {
        const auto* widget = client->findChild<QWidget*>(QString::fromLatin1(control.name),
                                                         Qt::FindDirectChildrenOnly);
        return widget != nullptr && widget->isEnabled() && widget->isVisibleTo(client);
      });
  if (next != nullptr) ControlOf(*client, next->name)->setFocus(Qt::TabFocusReason);
}

bool TForm1::IsRatingChecked(int rating) const {
  if (rating < 1 || static_cast<size_t>(rating) > ratings_.size()) return false;
  return ratings_[static_cast<size_t>(rating - 1)]->isChecked();
}

void TForm1::UncheckRating(int rating) {
  if (rating < 1 || static_cast<size_t>(rating) > ratings_.size()) return;
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
  image1_->RehearsePaint();
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
  PassFocusOn(*widget);
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

bool TForm1::AskYesNo(const std::string& text) {
  return AskQuestionBox(text);
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
