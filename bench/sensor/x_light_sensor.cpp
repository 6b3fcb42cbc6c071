#include "x_light_sensor.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <cstring>
#include <memory>
#include <stdexcept>

#include "bench_clock.h"

namespace talvex::bench {
namespace {

void SleepNs(int64_t nanoseconds) {
  if (nanoseconds <= 0) return;
  timespec pause{static_cast<time_t>(nanoseconds / 1'000'000'000),
                 static_cast<long>(nanoseconds % 1'000'000'000)};
  nanosleep(&pause, nullptr);
}

// The window's title: _NET_WM_NAME, else WM_NAME, in whatever text type it was set.
std::string WindowName(Display* display, Window window) {
  for (const char* property : {"_NET_WM_NAME", "WM_NAME"}) {
    const Atom atom = XInternAtom(display, property, True);
    if (atom == None) continue;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, atom, 0, 1024, False, AnyPropertyType, &type, &format,
                           &count, &left, &data) != Success) {
      continue;
    }
    std::string text;
    if (data != nullptr && format == 8) text.assign(reinterpret_cast<char*>(data), count);
    if (data != nullptr) XFree(data);
    if (!text.empty()) return text;
  }
  return {};
}

}  // namespace

struct XLightSensor::SharedImage {
  XShmSegmentInfo segment{};
  XImage* image = nullptr;
};

XLightSensor::XLightSensor() {
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) throw std::runtime_error("cannot open the X display");
  int event = 0;
  int error = 0;
  int major = 0;
  int minor = 0;
  if (!XTestQueryExtension(display_, &event, &error, &major, &minor) ||
      !XShmQueryExtension(display_)) {
    XCloseDisplay(display_);
    throw std::runtime_error("the X server lacks the XTest or the MIT-SHM extension");
  }
}

XLightSensor::~XLightSensor() {
  ReleaseImage();
  XCloseDisplay(display_);
}

void XLightSensor::ReleaseImage() {
  if (shared_ == nullptr) return;
  XShmDetach(display_, &shared_->segment);
  XSync(display_, False);
  XDestroyImage(shared_->image);
  shmdt(shared_->segment.shmaddr);
  delete shared_;
  shared_ = nullptr;
}

void XLightSensor::Watch(const ScreenRect& patch) {
  ReleaseImage();
  patch_ = patch;
  const int screen = DefaultScreen(display_);
  auto shared = std::make_unique<SharedImage>();
  shared->image = XShmCreateImage(display_, DefaultVisual(display_, screen),
                                  static_cast<unsigned>(DefaultDepth(display_, screen)), ZPixmap,
                                  nullptr, &shared->segment, static_cast<unsigned>(patch.width),
                                  static_cast<unsigned>(patch.height));
  if (shared->image == nullptr) throw std::runtime_error("XShmCreateImage failed");
  const size_t size = static_cast<size_t>(shared->image->bytes_per_line) *
                      static_cast<size_t>(shared->image->height);
  shared->segment.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
  if (shared->segment.shmid < 0) {
    XDestroyImage(shared->image);
    throw std::runtime_error("shmget failed");
  }
  shared->segment.shmaddr = static_cast<char*>(shmat(shared->segment.shmid, nullptr, 0));
  // Removed now; the segment lives until the last detach.
  shmctl(shared->segment.shmid, IPC_RMID, nullptr);
  shared->image->data = shared->segment.shmaddr;
  shared->segment.readOnly = False;
  XShmAttach(display_, &shared->segment);
  XSync(display_, False);
  shared_ = shared.release();
}

void XLightSensor::Poll(PatchPoll& poll) {
  if (shared_ == nullptr) throw std::runtime_error("nothing is watched");
  poll.sentNs = MonotonicNanoseconds();
  const bool read = XShmGetImage(display_, DefaultRootWindow(display_), shared_->image, patch_.x,
                                 patch_.y, AllPlanes) != 0;
  poll.receivedNs = MonotonicNanoseconds();
  if (!read) throw std::runtime_error("XShmGetImage failed on the watched rectangle");
}

// The pixels of the last poll, read in place: a poll costs the sensor no copy, so that it takes
// as little as it can of the processors the program needs.
bool XLightSensor::SameAs(const std::vector<uint8_t>& pixels) const {
  const size_t size =
      static_cast<size_t>(shared_->image->bytes_per_line) * static_cast<size_t>(patch_.height);
  return pixels.size() == size && std::memcmp(pixels.data(), shared_->image->data, size) == 0;
}

std::vector<uint8_t> XLightSensor::Pixels() const {
  const size_t size =
      static_cast<size_t>(shared_->image->bytes_per_line) * static_cast<size_t>(patch_.height);
  const auto* data = reinterpret_cast<const uint8_t*>(shared_->image->data);
  return std::vector<uint8_t>(data, data + size);
}

std::vector<uint8_t> XLightSensor::Read(PatchPoll& poll) {
  Poll(poll);
  return Pixels();
}

bool XLightSensor::WaitForChange(const std::vector<uint8_t>& from, int64_t deadlineNs,
                                 ChangeMoment& moment, std::vector<uint8_t>& now) {
  PatchPoll previous;
  Poll(previous);
  if (!SameAs(from)) {
    // Changed before the wait began: the moment is only known to lie before this read.
    moment = ChangeMoment{previous.receivedNs, 0};
    now = Pixels();
    return true;
  }
  while (MonotonicNanoseconds() < deadlineNs) {
    SleepNs(pollGapNs_);
    PatchPoll poll;
    Poll(poll);
    if (!SameAs(from)) {
      moment = ChangeBetween(previous, poll);
      now = Pixels();
      return true;
    }
    previous = poll;
  }
  now = Pixels();
  return false;
}

void XLightSensor::MoveTo(int x, int y) {
  XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
  XSync(display_, False);
}

ClickMoment XLightSensor::Click() {
  ClickMoment moment;
  moment.sentNs = MonotonicNanoseconds();
  XTestFakeButtonEvent(display_, 1, True, CurrentTime);
  XTestFakeButtonEvent(display_, 1, False, CurrentTime);
  XSync(display_, False);
  moment.syncedNs = MonotonicNanoseconds();
  return moment;
}

void XLightSensor::Type(const std::string& text) {
  for (const char c : text) {
    const char name[2] = {c, '\0'};
    const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(name));
    if (code == 0) throw std::runtime_error(std::string("no key for '") + c + "'");
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
  }
}

std::optional<ScreenRect> XLightSensor::FindWindow(const std::string& title) {
  const Window root = DefaultRootWindow(display_);
  Window rootReturn = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display_, root, &rootReturn, &parent, &children, &count) == 0) return {};
  std::optional<ScreenRect> found;
  // Top-level windows, topmost last; without a window manager they are the root's children.
  for (unsigned i = count; i-- > 0 && !found;) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, children[i], &attributes) == 0 ||
        attributes.map_state != IsViewable || WindowName(display_, children[i]) != title) {
      continue;
    }
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, children[i], root, 0, 0, &x, &y, &child);
    found = ScreenRect{x, y, attributes.width, attributes.height};
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace talvex::bench
