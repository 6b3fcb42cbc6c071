#pragma once
// The application object of the start-up probes: it notes when the first paint of one window
// has ended (the paint and the flush that follows it, inside one event from the window
// system), prints that time with the process's resident memory, and ends the program (unless
// told to keep running).

#include <QApplication>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace talvex::bench {

class FirstPaintApplication : public QApplication {
 public:
  FirstPaintApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  // The window whose first paint is reported.
  void Watch(QWidget* window) { watched_ = window; }
  // Goes on running after the report, as the program does, instead of ending.
  void KeepRunning() { keepRunning_ = true; }
  // Notes the time at which a step of the start-up ended; reported with the first paint.
  void Mark(const char* step);

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void Report();

  std::vector<std::pair<std::string, int64_t>> marks_;
  QWidget* watched_ = nullptr;
  int depth_ = 0;
  bool painted_ = false;
  bool reported_ = false;
  bool keepRunning_ = false;
};

}  // namespace talvex::bench
