#include "display_server.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace talvex::app {
namespace {

constexpr int64_t kMillisecondNs = 1'000'000;
// An input event waits in the queue for at most this long before it is handled; an older
// stamp is not the event's own.
constexpr int64_t kOldestInputNs = 60'000 * kMillisecondNs;
constexpr char kCheckAtom[] = "_TALVEX_CLOCK_CHECK";

}  // namespace

TDisplayServer::TDisplayServer(IClock& clock) : clock_(clock) {
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 == nullptr || x11->connection() == nullptr) return;
  connection_ = x11->connection();
  QCoreApplication::instance()->installNativeEventFilter(this);
}

TDisplayServer::~TDisplayServer() {
  if (connection_ != nullptr && QCoreApplication::instance() != nullptr) {
    QCoreApplication::instance()->removeNativeEventFilter(this);
  }
}

void TDisplayServer::StartClockCheck(QWidget& window) {
  if (connection_ == nullptr || check_ != ClockCheck::NoServer) return;
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection_,
      xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(kCheckAtom)), kCheckAtom),
      nullptr);
  if (atom == nullptr) return;
  atom_ = atom->atom;
  std::free(atom);
  window_ = static_cast<uint32_t>(window.winId());
  check_ = ClockCheck::Pending;
  askedAtNs_ = clock_.MonotonicNanoseconds();
  // Appending nothing changes nothing, but the server reports it with its time.
  xcb_change_property(connection_, XCB_PROP_MODE_APPEND, window_, atom_, XCB_ATOM_STRING, 8, 0,
                      nullptr);
  xcb_flush(connection_);
}

void TDisplayServer::Sync() {
  if (connection_ == nullptr) return;
  // The reply comes once the server has processed every request before this one.
  std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

std::optional<int64_t> TDisplayServer::InputTime(uint64_t stampMs) const {
  if (check_ != ClockCheck::Monotonic) return std::nullopt;
  const int64_t now = clock_.MonotonicNanoseconds();
  const int64_t at = MillisecondStampToNanoseconds(static_cast<uint32_t>(stampMs), now);
  // The stamp names a whole millisecond, whose middle may lie just after now.
  if (at > now + kMillisecondNs || at < now - kOldestInputNs) return std::nullopt;
  return std::min(at, now);
}

bool TDisplayServer::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (check_ != ClockCheck::Pending || eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
  const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
  if (notify->window != window_ || notify->atom != atom_) return false;
  const int64_t now = clock_.MonotonicNanoseconds();
  const int64_t at = MillisecondStampToNanoseconds(notify->time, now);
  // On the monotonic clock the server's time lay between the asking and now.
  const bool monotonic = at >= askedAtNs_ - kMillisecondNs && at <= now + kMillisecondNs;
  check_ = monotonic ? ClockCheck::Monotonic : ClockCheck::OtherClock;
  return false;
}

}  // namespace talvex::app
