#pragma once
// What a main window under test is made with, in either shell: a system that records the web
// addresses it is asked to open, a recording receiver of the window's events, and both
// together with a loader of generated pictures.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "talvex/experiment/shell.h"
#include "talvex/generated_pictures.h"
#include "talvex/platform/monotonic_clock.h"
#include "talvex/system.h"

namespace talvex::testing {

// A system whose shell records addresses and whose monotonic clock is the real one; the other
// queries answer fixed values, its folders ones that do not exist.
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
  std::string ExecutablePath() override;
  std::vector<std::string> CommandLineValues() override { return {}; }
  int GetDriveKind(const std::string&) override { return kDriveFixed; }
  std::string GetTempFolder() override;
  std::string GetSpecialFolder(int) override { return {}; }
  void OpenWebAddress(const std::string& address) override { opened.push_back(address); }
};

// Records each event the main window forwards, by name ("Button2Click", "Rating3", ...).
// A handler set in failWith raises that message instead.
class RecordingEvents : public experiment::IMainWindowEvents {
 public:
  std::vector<std::string>& calls;
  std::string failWith;
  std::function<void()> onCall;          // run at every event, before it is recorded
  std::optional<int64_t> ratingInputNs;  // the input time the last rating click came with

  explicit RecordingEvents(std::vector<std::string>& log) : calls(log) {}
  void FormCreate() override { Record("FormCreate"); }
  void Button2Click() override { Record("Button2Click"); }
  void Edit1Click() override { Record("Edit1Click"); }
  void OnRadioButtonClick(int rating, std::optional<int64_t> inputNs) override {
    Record("Rating" + std::to_string(rating));
    ratingInputNs = inputNs;
  }
  void Timer1Timer() override { Record("Timer1Timer"); }
  bool SetUpComplete() const override { return true; }

 private:
  void Record(const std::string& name);
};

// An events factory that hands out a RecordingEvents writing to log.
experiment::EventsFactory RecordingEventsFactory(std::vector<std::string>& log,
                                                 RecordingEvents** created = nullptr);

// The makings of a main window: its system, the log of the events it forwards, the receiver
// of those events once the window has made it, and loaders of generated pictures that count
// their loads together. A fixture derives from it and makes its window from Loaders() and
// Events().
struct MainWindowDoubles {
  RecordingSystem system;
  std::vector<std::string> calls;
  RecordingEvents* events = nullptr;
  std::shared_ptr<int> loads = std::make_shared<int>(0);

  experiment::LoaderFactory Loaders() const;
  experiment::EventsFactory Events() { return RecordingEventsFactory(calls, &events); }
};

}  // namespace talvex::testing
