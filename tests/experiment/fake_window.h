#pragma once
// A main window for tests: keeps the state the experiment sets, applies the timer's set
// rule and the exclusive rating buttons, and lets a test fire the timer and click a rating
// button like a rater.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "talvex/exception.h"
#include "talvex/experiment/main_window.h"
#include "talvex/experiment/main_window_events.h"
#include "talvex/imagestore/jpeg_image.h"

namespace talvex::testing {

using experiment::RemovableControl;
using experiment::TextControl;

// Pixels "prepared" by the fake window's preparer: the picture and the thread that made them.
struct FakePrepared : experiment::IPreparedPixels {
  imagestore::TJPEGImage picture;
  std::thread::id madeOn;
};

class FakePreparer : public experiment::IPicturePreparer {
 public:
  std::shared_ptr<const experiment::IPreparedPixels> Prepare(
      const imagestore::TJPEGImage& picture) const override {
    auto prepared = std::make_shared<FakePrepared>();
    prepared->picture = picture;
    prepared->madeOn = std::this_thread::get_id();
    return prepared;
  }
};

class FakeWindow : public experiment::IMainWindow {
 public:
  FakeWindow() {
    texts_[TextControl::Edit1] = experiment::kIdPrompt;
    texts_[TextControl::Button2] = "Start";
    texts_[TextControl::Label1] = "Label1";
  }

  // Events go to these handlers: rating 1..5 with the input's time, and the timer.
  std::function<void(int, std::optional<int64_t>)> onRatingClick;
  std::function<void()> onTimer;
  std::function<void()> onPicture;  // run whenever a picture has been set

  void Attach(experiment::IMainWindowEvents& events) {
    onRatingClick = [&events](int rating, std::optional<int64_t> inputNs) {
      events.OnRadioButtonClick(rating, inputNs);
    };
    onTimer = [&events]() { events.Timer1Timer(); };
  }

  // The rater clicks rating button 1..5 (at inputNs, where the window system tells): it
  // becomes the only checked one, and its click event is raised only when it was not checked
  // already.
  void ClickRating(int rating, std::optional<int64_t> inputNs = std::nullopt) {
    ratings_.fill(false);
    ratings_[Index(rating)] = true;
    if (clicks_.Clicked(rating, true) && onRatingClick) onRatingClick(rating, inputNs);
  }

  // The timer's interval elapses; false when it is not running.
  bool FireTimer() {
    if (timerInterval_ == 0) return false;
    if (onTimer) onTimer();
    return true;
  }

  void TypeId(const std::string& text) {
    if (editPresent_) texts_[TextControl::Edit1] = text;
  }

  // IMainWindow.
  // Decodes the picture as the real window does, so one that cannot be decoded raises.
  void SetPicture(const imagestore::TJPEGImage& picture) override {
    calls.push_back("SetPicture");
    picture.CountDecodeWarnings();
    pictures.push_back(picture);
    if (onPicture) onPicture();
  }
  void SetPreparedPicture(const imagestore::TJPEGImage& picture,
                          const experiment::IPreparedPixels& prepared) override {
    const auto& made = dynamic_cast<const FakePrepared&>(prepared);
    // The pixels must be those of the picture shown.
    if (&made.picture.CompressedBytes() != &picture.CompressedBytes()) {
      throw Exception("prepared pixels of another picture");
    }
    // The fake loader's blank picture is 1 pixel wide, its trial pictures 2.
    (picture.Width() == 1 ? blankPreparedOn : preparedOn).push_back(made.madeOn);
    SetPicture(picture);
  }
  void WaitUntilDisplayed() override { calls.push_back("WaitUntilDisplayed"); }
  std::shared_ptr<const experiment::IPicturePreparer> PicturePreparer() const override {
    if (!prepareAhead) return nullptr;
    return std::make_shared<FakePreparer>();
  }
  std::string GetText(TextControl control) const override {
    const auto found = texts_.find(control);
    return IsRemoved(control) || found == texts_.end() ? "" : found->second;
  }
  void SetText(TextControl control, const std::string& text) override {
    if (!IsRemoved(control)) texts_[control] = text;
  }
  void SetButtonEnabled(bool enabled) override {
    calls.push_back(enabled ? "Enable" : "Disable");
    buttonEnabled = enabled;
  }
  bool IsRatingChecked(int rating) const override { return ratings_[Index(rating)]; }
  void UncheckRating(int rating) override {
    ratings_[Index(rating)] = false;
    clicks_.Unchecked(rating);
  }
  void SetProgress(int position) override { progress = position; }
  void SetTimerInterval(uint32_t milliseconds) override {
    calls.push_back("SetTimerInterval " + std::to_string(milliseconds));
    if (milliseconds == timerInterval_) return;
    if (milliseconds != 0 && refuseTimer) throw EOutOfResources("Not enough timers available");
    timerInterval_ = milliseconds;
    if (milliseconds != 0) timerStarts += 1;
  }
  void RemoveControl(RemovableControl control) override {
    (control == RemovableControl::Memo1 ? memoPresent_ : editPresent_) = false;
  }
  bool HasControl(RemovableControl control) const override {
    return control == RemovableControl::Memo1 ? memoPresent_ : editPresent_;
  }
  void SetNormalState() override { normalState = true; }
  void ShowMessage(const std::string& text) override {
    calls.push_back("ShowMessage");
    messages.push_back(text);
  }
  void EndProgram() override { endRequested = true; }
  void OpenWebAddress(const std::string&) override {}
  bool AskYesNo(const std::string& text) override {
    calls.push_back("AskYesNo");
    questions.push_back(text);
    if (whileAsking) whileAsking();
    return answerYes;
  }

  uint32_t TimerInterval() const { return timerInterval_; }
  bool TimerRunning() const { return timerInterval_ != 0; }
  std::string LastMessage() const { return messages.empty() ? "" : messages.back(); }

  std::vector<std::string> calls;  // the operations that change what the rater sees, in order
  std::vector<imagestore::TJPEGImage> pictures;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  bool answerYes = true;              // the rater's answer to every question
  std::function<void()> whileAsking;  // what happens elsewhere while a question is open
  bool buttonEnabled = true;
  int progress = -1;
  int timerStarts = 0;
  bool normalState = false;
  bool endRequested = false;
  bool refuseTimer = false;  // the system has no timer left to start
  bool prepareAhead = true;  // hands out a preparer, so pictures are prepared on a worker
  std::vector<std::thread::id> preparedOn;       // where each trial picture shown prepared was made
  std::vector<std::thread::id> blankPreparedOn;  // ...and each blank picture

 private:
  static size_t Index(int rating) { return static_cast<size_t>(rating - 1) % 5; }
  bool IsRemoved(TextControl control) const {
    return (control == TextControl::Memo1 && !memoPresent_) ||
           (control == TextControl::Edit1 && !editPresent_);
  }

  std::map<TextControl, std::string> texts_;
  std::array<bool, 5> ratings_{};
  experiment::TRatingClicks clicks_;
  // As the form data leaves it: enabled with 1000 ms until the set-up stops it.
  uint32_t timerInterval_ = 1000;
  bool memoPresent_ = true;
  bool editPresent_ = true;
};

}  // namespace talvex::testing
