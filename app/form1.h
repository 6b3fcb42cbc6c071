#pragma once
// TForm1: the main window. It lays out its controls from one table, forwards every event to
// its IForm1Events (the experiment controller) and offers the controller the window
// operations of experiment::IMainWindow. It holds no experiment logic.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <memory>

#include "form1_events.h"
#include "talvex/experiment/main_window.h"
#include "talvex/system.h"

class QAction;
class QGroupBox;
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

class TForm1 : public QMainWindow, public experiment::IMainWindow {
  Q_OBJECT

 public:
  // Builds the window and its controls, then makes the receiver of its events. The
  // creation event is run by FormCreate(), before the window is first shown.
  TForm1(System& system, LoaderFactory makeLoader, const EventsFactory& makeEvents);
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

  // experiment::IMainWindow
  void SetPicture(const imagestore::TJPEGImage& picture) override;
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

 private:
  void BuildControls();
  void BuildMenu();
  void ConnectEvents();
  // Runs one forwarded event inside the error-box guard.
  template <class Handler>
  void Forward(Handler&& handler);
  void RatingToggled(int rating, bool checked);
  void RatingClicked(int rating);
  int Timer1Milliseconds() const;
  void StartTimer1();
  void ArmTimerFinish();
  void Timer1Due();

  System& system_;
  LoaderFactory makeLoader_;
  std::unique_ptr<IForm1Events> events_;
  double scale_ = 1.0;

  // Controls in creation order; a removed control's pointer is empty.
  TPictureArea* image1_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QGroupBox* radioGroup1_ = nullptr;
  std::array<QRadioButton*, 5> ratings_{};
  QPushButton* button2_ = nullptr;
  QPointer<TIdEdit> edit1_;
  QProgressBar* progressBar1_ = nullptr;
  QPointer<QPlainTextEdit> memo1_;
  QTimer* timer1_ = nullptr;
  QTimer* timerFinish_ = nullptr;  // ends each interval of Timer1 on time
  QMenu* credits1_ = nullptr;
  QAction* about1_ = nullptr;
  QAction* about2_ = nullptr;

  uint32_t timerInterval_ = 0;  // ms; 0: stopped
  int64_t timer1DueNs_ = 0;     // steady clock, ns: when Timer1's next event is due
  // How far the wait for Timer1's next event has come (see ArmTimerFinish).
  enum class TimerStage { Waiting, Rehearsed, Finishing };
  TimerStage timerStage_ = TimerStage::Waiting;
  int ratingBecameChecked_ = 0;  // the rating button the rater just checked, 0: none
  bool endRequested_ = false;
};

}  // namespace talvex::app
