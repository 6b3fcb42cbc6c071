#pragma once
// TForm1: the main window. It lays out its controls from one table, forwards every event to
// the receiver of its events (the experiment controller) and offers the controller the window
// operations of experiment::IMainWindow. It holds no experiment logic.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "display_server.h"
#include "talvex/experiment/exposure_timer.h"
#include "talvex/experiment/main_window.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/system.h"
#include "window_factories.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace talvex::app {

class TIdEdit;
class TPictureArea;

class TForm1 : public QMainWindow,
               public experiment::IMainWindow,
               private experiment::IExposureTimerShell {
  Q_OBJECT

 public:
  // Builds the window and its controls, then makes the receiver of its events. The
  // creation event is run by FormCreate(), before the window is first shown. The study's
  // settings give the instructions page and the About window's texts.
  TForm1(System& system, LoaderFactory makeLoader, const EventsFactory& makeEvents,
         experiment::StudySettings study = experiment::BuiltStudySettings());
  ~TForm1() override;

  // The creation event; a failure is shown in the error box.
  void FormCreate();
  bool SetUpComplete() const;
  // True once the program has been told to end (window operation 10).
  bool EndRequested() const { return endRequested_; }

  // Menu commands "Instructions" and "About".
  void About1Click();
  void About2Click();

  // The window's scale: its font's text height over the designed one.
  double Scale() const { return scale_; }
  // The exposure timer behind window operation 6.
  const experiment::TExposureTimer& Timer1() const { return timer1_; }
  // The display server behind window operation 13 and the rating clicks' times.
  const TDisplayServer& DisplayServer() const { return displayServer_; }

  // experiment::IMainWindow
  void SetPicture(const imagestore::TJPEGImage& picture) override;
  void SetPreparedPicture(const imagestore::TJPEGImage& picture,
                          const experiment::IPreparedPixels& prepared) override;
  std::string GetText(experiment::TextControl control) const override;
  void SetText(experiment::TextControl control, const std::string& text) override;
  void SetButtonEnabled(bool enabled) override;
  bool IsRatingChecked(int rating) const override;
  void UncheckRating(int rating) override;
  void SetProgress(int position) override;
  void SetTimerInterval(uint32_t milliseconds) override;
  void RemoveControl(experiment::RemovableControl control) override;
  bool HasControl(experiment::RemovableControl control) const override;
  void SetNormalState() override;
  void ShowMessage(const std::string& text) override;
  void EndProgram() override;
  void OpenWebAddress(const std::string& address) override;
  bool AskYesNo(const std::string& text) override;
  void WaitUntilDisplayed() override;
  std::shared_ptr<const experiment::IPicturePreparer> PicturePreparer() const override;

 protected:
  // Notes the time of every input event a rating button receives.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void BuildMenu();
  void ConnectEvents();
  // Runs one forwarded event inside the error-box guard.
  template <class Handler>
  void Forward(Handler&& handler);
  void RatingClicked(int rating, bool checked);
  // A control that has the focus hands it on before it is disabled or removed: to the next
  // control in the tab order that can take it (experiment::NextFocus).
  void PassFocusOn(QWidget& leaving);

  // experiment::IExposureTimerShell: a precise single-shot Qt timer, the picture area's paints.
  bool WakeAfter(int milliseconds) override;
  void CancelWake() override;
  void RehearsePaint() override;
  void TouchNextPicture() override;
  void IntervalElapsed() override;

  System& system_;
  LoaderFactory makeLoader_;
  experiment::StudySettings study_;
  std::unique_ptr<experiment::IMainWindowEvents> events_;
  double scale_ = 1.0;

  // Controls in creation order; a removed control's pointer is empty.
  TPictureArea* image1_ = nullptr;
  QLabel* label1_ = nullptr;
  std::array<QRadioButton*, 5> ratings_{};
  QPushButton* button2_ = nullptr;
  QPointer<TIdEdit> edit1_;
  QProgressBar* progressBar1_ = nullptr;
  QPointer<QPlainTextEdit> memo1_;
  QTimer* timer1Wake_ = nullptr;  // the wake-ups of Timer1
  experiment::TExposureTimer timer1_{system_, *this};
  QMenu* credits1_ = nullptr;
  QAction* about1_ = nullptr;
  QAction* about2_ = nullptr;

  experiment::TRatingClicks ratingClicks_;
  TDisplayServer displayServer_{system_};
  // The stamp of the last input event a rating button received: the click or key press that
  // makes it the checked one.
  std::optional<uint64_t> ratingInputStamp_;
  bool endRequested_ = false;
};

}  // namespace talvex::app
