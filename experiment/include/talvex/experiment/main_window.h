#pragma once
// The operations the experiment does to the main window. The core reaches the window only
// through this interface; each shell's TForm1 and the tests' fake window implement it.

#include <cstdint>
#include <memory>
#include <string>

#include "talvex/imagestore/jpeg_image.h"

namespace talvex::experiment {

// The caption of every message box and of the error box.
inline constexpr const char* kApplicationTitle = "Talvex";

// Edit1's text until the rater types an ID; never taken as an ID.
inline constexpr const char* kIdPrompt = "Enter your ID here.";

// The error box's text for a failure that escaped a handler: a full stop is appended when the
// last character sorts after "." (".", "!", ")" stay as they are); a byte beyond ASCII sorts
// after it too.
inline std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + '.';
  return message;
}

enum class TextControl { Button2, Label1, Edit1, Memo1 };
enum class RemovableControl { Memo1, Edit1 };

// A picture's pixels made ready for Image1 ahead of its showing; only the window whose
// preparer made them reads them.
class IPreparedPixels {
 public:
  virtual ~IPreparedPixels() = default;
};

// Decodes and scales pictures for Image1 on a worker thread: on its own copies, with no window
// operation. Raises EJPEG when the picture cannot be decoded.
class IPicturePreparer {
 public:
  virtual ~IPicturePreparer() = default;
  virtual std::shared_ptr<const IPreparedPixels> Prepare(
      const imagestore::TJPEGImage& picture) const = 0;
};

class IMainWindow {
 public:
  virtual ~IMainWindow() = default;

  // 1. Picture of Image1: the area keeps its own copy (the caller may release its picture)
  //    and draws it stretched over its whole rectangle. Raises EJPEG when the picture cannot
  //    be decoded; the area then keeps what it showed.
  virtual void SetPicture(const imagestore::TJPEGImage& picture) = 0;
  //    The same with pixels made by this window's picture preparer (pixels made for another
  //    size of the area are made again).
  virtual void SetPreparedPicture(const imagestore::TJPEGImage& picture,
                                  const IPreparedPixels& prepared) = 0;

  // 2. Text of Button2 / Label1 (captions), Edit1 / Memo1 (texts). Reading a removed control
  //    gives "" and writing one does nothing.
  virtual std::string GetText(TextControl control) const = 0;
  virtual void SetText(TextControl control, const std::string& text) = 0;

  // 3. Enable or disable Button2.
  virtual void SetButtonEnabled(bool enabled) = 0;

  // 4. Rating buttons, numbered 1 to 5: read whether checked; uncheck (raises no click).
  virtual bool IsRatingChecked(int rating) const = 0;
  virtual void UncheckRating(int rating) = 0;

  // 5. Position of ProgressBar1, 0 to 100.
  virtual void SetProgress(int position) = 0;

  // 6. Interval of Timer1 in ms. 0 stops it; a value that differs from the current one
  //    stops the timer and, if not 0, starts it afresh; the current value changes nothing.
  virtual void SetTimerInterval(uint32_t milliseconds) = 0;

  // 7. Remove Memo1 or Edit1 for good; a later removal does nothing.
  virtual void RemoveControl(RemovableControl control) = 0;
  virtual bool HasControl(RemovableControl control) const = 0;

  // 8. Neither minimised nor maximised.
  virtual void SetNormalState() = 0;

  // 9. Modal message box: the text, the application title, no icon, "OK"; returns when
  //    dismissed.
  virtual void ShowMessage(const std::string& text) = 0;

  // 10. End the program once the current handler has returned.
  virtual void EndProgram() = 0;

  // 11. Open a web address with the platform's shell.
  virtual void OpenWebAddress(const std::string& address) = 0;

  // 12. Modal question box: the text, the application title, no icon, "Yes" (the default
  //     button) and "No"; true when the rater answers Yes. Closing the box answers No.
  virtual bool AskYesNo(const std::string& text) = 0;

  // 13. Returns once what has been drawn so far has reached the display: handed to the
  //     display server and processed by it. At once where there is no display server.
  virtual void WaitUntilDisplayed() = 0;

  // 14. A preparer of pictures for Image1 at the area's present size, for use on a worker
  //     thread; null when the window prepares its pictures only as they are set.
  virtual std::shared_ptr<const IPicturePreparer> PicturePreparer() const = 0;
};

}  // namespace talvex::experiment
