#pragma once
// Shared pieces of the Win32 shell's tests: a watcher that records the modal windows that open
// (message boxes, the About window) and dismisses them, a message pump, a system that records
// the web addresses it is asked to open, a recording receiver of the main window's events and
// an image loader over generated pictures.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "talvex/experiment/shell.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/monotonic_clock.h"
#include "talvex/system.h"
#include "windows_api.h"

namespace talvex::win32::test {

// Delivers the thread's messages until done() is true or the time is up; true when done.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Delivers the thread's messages for the given time.
void Pump(int milliseconds);

// One modal window seen by the watcher.
struct SeenModal {
  std::string className;
  std::string title;
  std::string text;   // message boxes: the message
  bool icon = false;  // message boxes: an icon is shown
  std::vector<std::string> buttons;
};

// While it lives, looks every few milliseconds for a modal window of this thread (a message
// box, the About window); each is recorded, then handed to onModal, which answers it, or (when
// onModal is not set) dismissed: a message box by its OK button, any other window by closing it.
class ModalWatcher {
 public:
  ModalWatcher();
  ~ModalWatcher();
  ModalWatcher(const ModalWatcher&) = delete;
  ModalWatcher& operator=(const ModalWatcher&) = delete;

  std::vector<SeenModal> seen;
  std::function<void(HWND)> onModal;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Look();
  UINT_PTR timer_;
};

// A system whose shell records addresses and whose monotonic clock is the real one; the other
// queries answer fixed values.
class RecordingSystem : public System {
 public:
  std::vector<std::string> opened;

  LocalTime LocalNow() override { return LocalTime{2026, 12, 7, 14, 5, 9, 0}; }
  int64_t MonotonicNanoseconds() override { return platform::MonotonicNanoseconds(); }
  bool ReadPerformanceCounter(uint64_t& value) override {
    value = 1;
    return true;
  }
  uint32_t TickCount() override { return 1; }
  LocaleValues Locale() override { return {}; }
  std::string ExecutablePath() override { return "C:\\nonexistent\\talvex.exe"; }
  std::vector<std::string> CommandLineValues() override { return {}; }
  int GetDriveKind(const std::string&) override { return kDriveFixed; }
  std::string GetTempFolder() override { return "C:\\nonexistent\\"; }
  std::string GetSpecialFolder(int) override { return {}; }
  void OpenWebAddress(const std::string& address) override { opened.push_back(address); }
};

// Records each event the main window forwards, by name ("Button2Click", "Rating3", ...).
// A handler set in failWith raises that message instead.
class RecordingEvents : public experiment::IMainWindowEvents {
 public:
  std::vector<std::string>& calls;
  std::string failWith;
  std::function<void()> onCall;  // run at every event, before it is recorded

  explicit RecordingEvents(std::vector<std::string>& log) : calls(log) {}
  void FormCreate() override { Record("FormCreate"); }
  void Button2Click() override { Record("Button2Click"); }
  void Edit1Click() override { Record("Edit1Click"); }
  void OnRadioButtonClick(int rating, std::optional<int64_t>) override {
    Record("Rating" + std::to_string(rating));
  }
  void Timer1Timer() override { Record("Timer1Timer"); }
  bool SetUpComplete() const override { return true; }

 private:
  void Record(const std::string& name);
};

// An events factory that hands out a RecordingEvents writing to log.
experiment::EventsFactory RecordingEventsFactory(std::vector<std::string>& log,
                                                 RecordingEvents** created = nullptr);

// A JPEG of the given size: left half red, right half blue.
std::vector<uint8_t> TwoColourJpeg(int width, int height);
// A CMYK JPEG: its header reads, but no window can decode it.
std::vector<uint8_t> CmykJpeg();

// A loader whose every picture is TwoColourJpeg; counts its loads. With fail set, LoadImage
// raises "Resource <name> not found".
class GeneratedLoader : public imagestore::TResourceManager {
 public:
  explicit GeneratedLoader(std::shared_ptr<int> loads = std::make_shared<int>(0), bool fail = false)
      : loads_(std::move(loads)), fail_(fail) {}
  std::vector<std::string> ListImageNames() const override { return {}; }
  std::unique_ptr<imagestore::TJPEGImage> LoadImage(const std::string& name) const override;

 private:
  std::shared_ptr<int> loads_;
  bool fail_;
};

}  // namespace talvex::win32::test
