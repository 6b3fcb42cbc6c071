#pragma once
// The main window's events as a shell forwards them to the core (the experiment controller).

#include <cstdint>
#include <optional>

namespace talvex::experiment {

class IMainWindowEvents {
 public:
  virtual ~IMainWindowEvents() = default;

  // Once all the controls exist, before the window is first shown.
  virtual void FormCreate() = 0;
  virtual void Button2Click() = 0;
  virtual void Edit1Click() = 0;  // a mouse click
  // The rater made rating button 1..5 the checked one (see TRatingClicks). inputNs: when the
  // rater's click or key press happened, on the monotonic clock, where the window system
  // tells; without it the handler's own time stands in.
  virtual void OnRadioButtonClick(int rating, std::optional<int64_t> inputNs) = 0;
  virtual void Timer1Timer() = 0;
  // True once FormCreate has run all its steps: the window may be shown.
  virtual bool SetUpComplete() const = 0;
};

// Tells which clicks on the rating buttons raise their click event: only a click that makes
// its button the checked one. A click on the button already checked raises nothing, and
// neither does a button the program unchecks. A shell reports every click on a rating button
// with the button's state after the click, and every uncheck it makes.
class TRatingClicks {
 public:
  // True when this click made the button (1 to 5) the checked one.
  bool Clicked(int rating, bool checkedAfterClick) {
    if (!checkedAfterClick) {
      if (checked_ == rating) checked_ = 0;
      return false;
    }
    if (checked_ == rating) return false;
    checked_ = rating;
    return true;
  }
  void Unchecked(int rating) {
    if (checked_ == rating) checked_ = 0;
  }

 private:
  int checked_ = 0;  // the rating button known to be checked; 0: none
};

}  // namespace talvex::experiment
