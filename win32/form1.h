#pragma once
// TForm1: the main window. It lays out its controls from the shared table, forwards every
// event to the receiver of its events (the experiment controller) and offers the controller
// the window operations of experiment::IMainWindow. It holds no experiment logic.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "controls.h"
#include "form_layout.h"
#include "handles.h"
#include "picture_area.h"
#include "talvex/experiment/exposure_timer.h"
#include "talvex/experiment/main_window.h"
#include "talvex/experiment/shell.h"
#include "talvex/experiment/study_settings.h"
#include "talvex/system.h"
#include "wake_timer.h"
#include "window.h"

namespace talvex::win32 {

// The program's icon in its resources (the main icon and the main window's).
inline constexpr int kIconResource = 1;

class TForm1 : public TWindow,
               public experiment::IMainWindow,
               private experiment::IExposureTimerShell {
 public:
  // Builds the window, hidden, with its controls and menu, then makes the receiver of its
  // events. The creation event is run by FormCreate(), before the window is first shown. The
  // study's settings give the instructions page and the About window's texts.
  TForm1(System& system, experiment::LoaderFactory makeLoader,
         const experiment::EventsFactory& makeEvents,
         experiment::StudySettings study = experiment::BuiltStudySettings());
  ~TForm1() override;

  // The creation event; a failure is shown in the error box.
  void FormCreate();
  bool SetUpComplete() const;
  // True once the program has been told to end (window operation 10).
  bool EndRequested() const { return endRequested_; }

  // Shows the window the first time, as the program was asked to start (SW_SHOWMAXIMIZED...).
  void ShowFirst(int showCommand);

  // Menu commands "Instructions" and "About".
  void About1Click();
  void About2Click();

  // The window's scale: its font's text height over the designed one.
  double Scale() const { return scale_; }
  const TControlSet& Controls() const { return *controls_; }
  // The exposure timer behind window operation 6.
  const experiment::TExposureTimer& Timer1() const { return timer1_; }

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
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Menu command IDs.
  static constexpr WORD kAbout1Id = 40001;
  static constexpr WORD kAbout2Id = 40002;
  // The exposure timer's wake-ups, posted by the wake timer's thread.
  static constexpr UINT kTimer1WakeMessage = WM_APP + 1;

  HMENU BuildMenu();
  void ConnectEvents();
  // Runs one forwarded event inside the error-box guard.
  template <class Handler>
  void Forward(Handler&& handler);
  void RatingClicked(int rating);
  // Whether the control can take the focus now: there, enabled and shown.
  static bool CanTakeFocus(HWND control);
  // Gives the focus to the control, or, where it cannot take it, to the next control in the
  // tab order that can (experiment::NextFocus); to the window when none can.
  void FocusOrNext(HWND control);
  void FitMemoFont();
  TControl& Removable(experiment::RemovableControl control) const;

  // experiment::IExposureTimerShell: the wake timer, the picture area's paints.
  bool WakeAfter(int milliseconds) override;
  void CancelWake() override;
  void RehearsePaint() override;
  void TouchNextPicture() override;
  void IntervalElapsed() override;

  System& system_;
  experiment::LoaderFactory makeLoader_;
  experiment::StudySettings study_;
  std::unique_ptr<experiment::IMainWindowEvents> events_;
  UniqueFont windowFont_;
  UniqueFont memoFont_;
  double scale_ = 1.0;
  std::unique_ptr<TControlSet> controls_;

  // Controls, from the set.
  TPictureArea* image1_ = nullptr;
  TLabel* label1_ = nullptr;
  std::array<TButton*, 5> ratings_{};
  TButton* button2_ = nullptr;
  TEditField* edit1_ = nullptr;
  TControl* progressBar1_ = nullptr;
  TControl* memo1_ = nullptr;
  HWND focus_ = nullptr;  // the control that had the focus when the window was deactivated

  std::unique_ptr<TWakeTimer> wake_;  // made once the window exists
  experiment::TExposureTimer timer1_{system_, *this};

  experiment::TRatingClicks ratingClicks_;
  bool endRequested_ = false;
};

}  // namespace talvex::win32
