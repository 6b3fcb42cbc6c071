#pragma once
// A light sensor in software: an X client that watches a rectangle of the screen (the root
// window's pixels as the server holds them, read through shared memory) and clicks and types
// through the XTest extension, with every moment taken on the monotonic clock. It measures the
// program as a sensor on the monitor and a button box would: from outside, by what the display
// shows.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "screen_timing.h"

typedef struct _XDisplay Display;

namespace talvex::bench {

struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// When the server took in a click: between the sending and the reply to a round trip after it.
struct ClickMoment {
  int64_t sentNs = 0;
  int64_t syncedNs = 0;
  int64_t DeliveredNs() const { return sentNs + (syncedNs - sentNs) / 2; }
};

class XLightSensor {
 public:
  // Connects to the display named by $DISPLAY; throws std::runtime_error when there is none or
  // it lacks the XTest extension.
  XLightSensor();
  ~XLightSensor();
  XLightSensor(const XLightSensor&) = delete;
  XLightSensor& operator=(const XLightSensor&) = delete;

  // The rectangle the sensor watches, in root-window coordinates; any pixel of it that changes
  // is a change.
  void Watch(const ScreenRect& patch);
  // The pause between two reads while waiting, so that the sensor does not keep the display
  // server busy; the time resolution is about one read plus this pause.
  void SetPollGap(int64_t nanoseconds) { pollGapNs_ = nanoseconds; }

  // One read of the patch.
  std::vector<uint8_t> Read(PatchPoll& poll);

  // Reads until the patch differs from `from`; the moment of the change and the new pixels.
  // False when the deadline (monotonic ns) passes first.
  bool WaitForChange(const std::vector<uint8_t>& from, int64_t deadlineNs, ChangeMoment& moment,
                     std::vector<uint8_t>& now);

  // Moves the pointer and waits until the server has done so.
  void MoveTo(int x, int y);
  // Presses and releases button 1 where the pointer is, and waits until the server has taken
  // both in and delivered them to the window under the pointer.
  ClickMoment Click();
  // Types letters and digits as key presses and releases.
  void Type(const std::string& text);

  // The viewable top-level window with this title (WM_NAME), in root coordinates.
  std::optional<ScreenRect> FindWindow(const std::string& title);

  Display* Connection() const { return display_; }

 private:
  void ReleaseImage();
  void Poll(PatchPoll& poll);
  bool SameAs(const std::vector<uint8_t>& pixels) const;
  std::vector<uint8_t> Pixels() const;

  Display* display_ = nullptr;
  ScreenRect patch_;
  int64_t pollGapNs_ = 200'000;
  struct SharedImage;
  SharedImage* shared_ = nullptr;  // the watched rectangle's pixels, shared with the server
};

}  // namespace talvex::bench
