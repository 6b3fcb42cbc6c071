#include "first_paint_probe.h"

#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fstream>
#include <string>

#include "child_process.h"

namespace talvex::bench {

namespace {

// A "Name:   1234 kB" line of /proc/self/status, in kB; -1 when missing.
long StatusKilobytes(const std::string& name) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, name.size() + 1, name + ":") == 0) {
      return std::stol(line.substr(name.size() + 1));
    }
  }
  return -1;
}

}  // namespace

bool FirstPaintApplication::notify(QObject* receiver, QEvent* event) {
  if (!reported_ && watched_ != nullptr && event->type() == QEvent::Paint) {
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    if (widget != nullptr && widget->window() == watched_) painted_ = true;
  }
  ++depth_;
  const bool handled = QApplication::notify(receiver, event);
  --depth_;
  // The outermost event that painted the window is over: its paint has been flushed.
  if (painted_ && !reported_ && depth_ == 0) Report();
  return handled;
}

void FirstPaintApplication::Mark(const char* step) {
  marks_.emplace_back(step, MonotonicNanoseconds());
}

void FirstPaintApplication::Report() {
  reported_ = true;
  const long long paintedAt = MonotonicNanoseconds();
  std::printf("first-paint-ns %lld rss-kb %ld hwm-kb %ld width %d height %d", paintedAt,
              StatusKilobytes("VmRSS"), StatusKilobytes("VmHWM"), watched_->width(),
              watched_->height());
  // Steps are printed with '_' for their spaces, so that every field is one word.
  for (auto [step, at] : marks_) {
    for (char& c : step) c = c == ' ' ? '_' : c;
    std::printf(" %s %lld", step.c_str(), static_cast<long long>(at));
  }
  std::printf("\n");
  std::fflush(stdout);
  if (!keepRunning_) QTimer::singleShot(0, this, &QCoreApplication::quit);
}

}  // namespace talvex::bench
