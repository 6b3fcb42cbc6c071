#pragma once
// Shared pieces of the window tests: a closer that dismisses modal windows as they open and
// records them, a system that records the web addresses it is asked to open, a recording
// receiver of the main window's events, and an image loader over generated pictures.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/monotonic_clock.h"
#include "talvex/system.h"
#include "window_factories.h"

// Failure messages print Qt strings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
  *out << list.join(QStringLiteral(" | ")).toStdString();
}

namespace talvex::app::test {

// One modal window seen by the closer.
struct SeenModal {
  QString className;
  QString title;
  QString text;  // message boxes only
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
};

// Watches for modal windows while it lives; each is recorded, handed to onModal (if set),
// then dismissed: a message box by its first button, any other window by closing it.
class ModalCloser : public QObject {
 public:
  ModalCloser();
  std::vector<SeenModal> seen;
  std::function<void(QWidget*)> onModal;

 private:
  void Poll();
  QTimer timer_;
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
  std::string ExecutablePath() override { return "/nonexistent/talvex"; }
  std::vector<std::string> CommandLineValues() override { return {}; }
  int GetDriveKind(const std::string&) override { return kDriveFixed; }
  std::string GetTempFolder() override { return "/nonexistent/"; }
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
EventsFactory RecordingEventsFactory(std::vector<std::string>& log,
                                     RecordingEvents** created = nullptr);

// A JPEG of the given size: left half red, right half blue.
std::vector<uint8_t> TwoColourJpeg(int width, int height);

// A CMYK JPEG: its header reads, but no window can decode it.
std::vector<uint8_t> CmykJpeg();

// A loader whose every picture is TwoColourJpeg (CmykJpeg for the names in undecodable);
// counts its loads. With fail set, LoadImage raises "Resource <name> not found".
class GeneratedLoader : public imagestore::TResourceManager {
 public:
  explicit GeneratedLoader(std::shared_ptr<int> loads = std::make_shared<int>(0), bool fail = false)
      : loads_(std::move(loads)), fail_(fail) {}
  std::vector<std::string> ListImageNames() const override { return names; }
  std::unique_ptr<imagestore::TJPEGImage> LoadImage(const std::string& name) const override;

  std::vector<std::string> names;
  std::set<std::string> undecodable;

 private:
  std::shared_ptr<int> loads_;
  bool fail_;
};

}  // namespace talvex::app::test
