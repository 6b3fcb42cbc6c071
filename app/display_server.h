#pragma once
// What the main window needs of the display server beyond Qt's reach: to wait until the
// server has processed everything sent to it, and the times of input events on the monotonic
// clock. On X11 a round trip does the first. The server stamps input events with its time in
// milliseconds, which Xvfb and Xorg take from the monotonic clock; a check when the window is
// first shown confirms that before any stamp is used. Elsewhere (the offscreen platform, or a
// server on another clock) nothing waits and no stamp is used: the handler's time stands in.

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <optional>

#include "talvex/clock.h"

class QWidget;
struct xcb_connection_t;

namespace talvex::app {

class TDisplayServer : public QAbstractNativeEventFilter {
 public:
  enum class ClockCheck { NoServer, Pending, Monotonic, OtherClock };

  explicit TDisplayServer(IClock& clock);
  ~TDisplayServer() override;
  TDisplayServer(const TDisplayServer&) = delete;
  TDisplayServer& operator=(const TDisplayServer&) = delete;

  // Asks the server for its time through a property change on the window, whose native window
  // must exist; the answer comes as an event.
  void StartClockCheck(QWidget& window);
  ClockCheck Check() const { return check_; }

  // Returns once the server has processed every request sent to it so far.
  void Sync();

  // The monotonic time of an input event stamped stampMs, when the stamps are on that clock
  // and this one is plausible: not after now, and at most a minute before.
  std::optional<int64_t> InputTime(uint64_t stampMs) const;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  IClock& clock_;
  xcb_connection_t* connection_ = nullptr;
  uint32_t window_ = 0;
  uint32_t atom_ = 0;
  int64_t askedAtNs_ = 0;
  ClockCheck check_ = ClockCheck::NoServer;
};

}  // namespace talvex::app
