// talvex_sensor_bench: times the program from outside, as a light sensor on the monitor and a
// button box would, on the X server of $DISPLAY (Xvfb in `make bench`). It starts a real run of
// the program, watches a patch in the middle of the picture area, clicks and types through
// XTest, and compares what the screen showed with what the program recorded:
//   - press of Next to the picture on screen, against djpeg decoding the same files;
//   - each recorded latency against the true time from the picture's appearance to the click
//     (ratings at a known delay after the picture appears);
//   - the exposure on screen against the exposure asked for (exposures left to run out);
//   - the sensor's own floor on a trivial window of its own: how far its change moments lie
//     from the moment the server had the pixels, and its clicks' server times from their
//     sending.
//
//   --program PATH [--program-arg ARG]...  the program and the arguments put before the four
//                                          run values (an image pack for a bench-only build)
//   --pack FILE     the image set the program shows, for djpeg (default: the embedded one)
//   --set NAME      the image set's name in the section headings
//   --trials N  --exposure MS  --delay MS  --floor N  --rows FILE  --djpeg PATH  --smoke

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench_stats.h"
#include "bench_table.h"
#include "child_process.h"
#include "jpeg_files.h"
#include "screen_timing.h"
#include "talvex/clock.h"
#include "talvex/embedded_images.h"
#include "talvex/experiment/window_layout.h"
#include "talvex/platform/mapped_file.h"
#include "work_folder.h"
#include "x_light_sensor.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace talvex::bench;

constexpr double kNsPerMs = 1e6;
constexpr int64_t kSecondNs = 1'000'000'000;

struct Options {
  std::string program;
  std::vector<std::string> programArgs;
  std::string packPath;
  std::string setName = "sample";
  std::string rowsPath;
  std::string djpeg = "djpeg";
  int trials = 0;  // 0: every trial of the run
  int exposureMs = 200;
  int delayMs = 300;
  int floorSamples = 200;
};

struct Point {
  int x = 0;
  int y = 0;
};

// The centre of a control of the main window as designed, in client-area pixels at scale 1.
Point Centre(const char* control) {
  const talvex::experiment::ControlLayout& place =
      talvex::experiment::Form1Layout().Control(control);
  return Point{place.left + place.width / 2, place.top + place.height / 2};
}
Point RatingButton(int rating) {
  return Centre(("RadioButton" + std::to_string(rating)).c_str());
}
// The watched patch: this many pixels square.
constexpr int kPatchSide = 16;

void SleepUntil(int64_t monotonicNs) {
  timespec until{static_cast<time_t>(monotonicNs / kSecondNs),
                 static_cast<long>(monotonicNs % kSecondNs)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

void SleepMs(int ms) {
  SleepUntil(MonotonicNanoseconds() + static_cast<int64_t>(ms) * 1'000'000);
}

// A pseudo-random series for the pauses, the same in every run.
class Jitter {
 public:
  // A value from 0 to below `range`.
  int64_t Draw(int64_t range) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int64_t>((state_ >> 33) % static_cast<uint64_t>(range));
  }

 private:
  uint64_t state_ = 12345;
};

std::vector<double> InMs(const std::vector<double>& ns) {
  std::vector<double> ms;
  for (const double value : ns) ms.push_back(value / kNsPerMs);
  return ms;
}

// A row of signed errors: the median with its sign, p99 and maximum of the magnitudes.
Row ErrorRow(const std::string& section, const std::string& figure,
             const std::vector<double>& errorsMs) {
  const Summary magnitude = Summarize(Magnitudes(errorsMs));
  Row row;
  row.section = section;
  row.figure = figure;
  row.median = Number(Median(errorsMs), 2, "ms");
  row.p99 = Number(magnitude.p99, 2, "ms");
  row.max = Number(magnitude.max, 2, "ms");
  return row;
}

// ---- the sensor's floor --------------------------------------------------------------------

struct Floor {
  std::vector<double> changeErrorNs;  // change moment less the mark taken after XSync
  std::vector<double> spreadNs;       // half the interval each change was known to lie in
  std::vector<double> clickErrorNs;   // the click's server time less its sending
  bool serverTimeMonotonic = false;
};

// A trivial window of the sensor's own: filled black and white in turn, each fill followed by
// XSync and a mark, and clicked.
Floor MeasureFloor(XLightSensor& sensor, int samples) {
  Display* painter = XOpenDisplay(nullptr);
  if (painter == nullptr) throw std::runtime_error("cannot open the X display");
  const std::unique_ptr<Display, int (*)(Display*)> closer(painter, XCloseDisplay);
  const int screen = DefaultScreen(painter);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(painter, screen);
  attributes.event_mask = ButtonPressMask | StructureNotifyMask;
  const Window window = XCreateWindow(painter, RootWindow(painter, screen), 0, 0, 64, 64, 0,
                                      CopyFromParent, InputOutput, CopyFromParent,
                                      CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XMapRaised(painter, window);
  for (XEvent event;;) {
    XNextEvent(painter, &event);
    if (event.type == MapNotify) break;
  }
  GC gc = XCreateGC(painter, window, 0, nullptr);
  Floor floor;

  // Clicks: the server stamps each button press when it takes the event in.
  sensor.MoveTo(32, 32);
  for (int i = 0; i < 20; ++i) {
    const int64_t sentAt = sensor.Click();
    const int64_t deadline = sentAt + 2 * kSecondNs;
    bool pressed = false;
    while (!pressed && MonotonicNanoseconds() < deadline) {
      while (XPending(painter) > 0) {
        XEvent event;
        XNextEvent(painter, &event);
        if (event.type != ButtonPress) continue;
        const int64_t serverNs = talvex::MillisecondStampToNanoseconds(
            static_cast<uint32_t>(event.xbutton.time), MonotonicNanoseconds());
        floor.clickErrorNs.push_back(static_cast<double>(serverNs - sentAt));
        pressed = true;
      }
      if (!pressed) SleepUntil(MonotonicNanoseconds() + 100'000);
    }
    if (!pressed) throw std::runtime_error("the sensor's click never reached its window");
    SleepMs(10);
  }
  // On the monotonic clock the stamps lie within milliseconds of the sending; on any other
  // clock they lie anywhere.
  floor.serverTimeMonotonic = Median(Magnitudes(InMs(floor.clickErrorNs))) <= 20.0;

  // Fills, watched from another thread as the program's paints are.
  sensor.Watch(ScreenRect{16, 16, kPatchSide, kPatchSide});
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<ChangeMoment> seen;
  bool ready = false;
  bool lost = false;
  std::thread watcher([&] {
    PatchPoll poll;
    std::vector<uint8_t> from = sensor.Read(poll);
    {
      const std::lock_guard<std::mutex> lock(mutex);
      ready = true;
    }
    changed.notify_one();
    for (int i = 0; i < samples; ++i) {
      ChangeMoment moment;
      std::vector<uint8_t> now;
      const bool found =
          sensor.WaitForChange(from, MonotonicNanoseconds() + 3 * kSecondNs, moment, now);
      {
        const std::lock_guard<std::mutex> lock(mutex);
        if (found) {
          seen.push_back(moment);
        } else {
          lost = true;
        }
      }
      changed.notify_one();
      if (!found) return;
      from = std::move(now);
    }
  });
  Jitter jitter;
  {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return ready; });
  }
  for (int i = 0; i < samples && !lost; ++i) {
    SleepUntil(MonotonicNanoseconds() + 2'000'000 + jitter.Draw(13'000'000));
    XSetForeground(painter, gc,
                   i % 2 == 0 ? WhitePixel(painter, screen) : BlackPixel(painter, screen));
    XFillRectangle(painter, window, gc, 0, 0, 64, 64);
    XSync(painter, False);
    const int64_t mark = MonotonicNanoseconds();
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return lost || seen.size() > static_cast<size_t>(i); });
    if (lost) break;
    floor.changeErrorNs.push_back(static_cast<double>(seen[static_cast<size_t>(i)].atNs - mark));
    floor.spreadNs.push_back(static_cast<double>(seen[static_cast<size_t>(i)].spreadNs));
  }
  watcher.join();
  XFreeGC(painter, gc);
  XDestroyWindow(painter, window);
  if (lost) throw std::runtime_error("the sensor missed a fill of its own window");
  return floor;
}

// ---- a run of the program ------------------------------------------------------------------

// The program started in the work folder, its standard output and error going to a log.
class ProgramProcess {
 public:
  ProgramProcess(const std::vector<std::string>& argv, const fs::path& work) {
    log_ = (work / "program.log").string();
    const fs::path home = work / "home";
    fs::create_directories(home / "Desktop");
    fs::create_directories(work / "runtime");
    chmod((work / "runtime").c_str(), 0700);
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      const std::string name = text.substr(0, text.find('='));
      if (name == "QT_QPA_PLATFORM" || name == "HOME" || name == "TMPDIR" ||
          name.rfind("XDG_", 0) == 0) {
        continue;
      }
      environment.push_back(text);
    }
    environment.push_back("QT_QPA_PLATFORM=xcb");
    environment.push_back("HOME=" + home.string());
    environment.push_back("XDG_CONFIG_HOME=" + (home / ".config").string());
    environment.push_back("XDG_RUNTIME_DIR=" + (work / "runtime").string());
    environment.push_back("TMPDIR=" + (work / "tmp").string());

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    for (const std::string& entry : environment) env.push_back(const_cast<char*>(entry.c_str()));
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int spawned = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);
  }
  ~ProgramProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
  // Waits up to timeoutMs for the program to end; then ends it. Its exit code, or -1.
  int Finish(int timeoutMs) {
    const int64_t deadline = MonotonicNanoseconds() + static_cast<int64_t>(timeoutMs) * 1'000'000;
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(pid_, &status, WNOHANG)) == 0 && MonotonicNanoseconds() < deadline) {
      SleepMs(20);
    }
    if (ended == 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, &status, 0);
    }
    pid_ = 0;
    return ended != 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  pid_t pid_ = 0;
  std::string log_;
};

// The main window on screen: where its designed client-area points lie on the root window.
struct WindowPlace {
  int originX = 0;
  int originY = 0;
  double scale = 1.0;
  Point At(Point designed) const {
    return Point{originX + static_cast<int>(std::lround(designed.x * scale)),
                 originY + static_cast<int>(std::lround(designed.y * scale))};
  }
};

WindowPlace FindMainWindow(XLightSensor& sensor, const ProgramProcess& program) {
  const talvex::experiment::WindowLayout& layout = talvex::experiment::Form1Layout();
  const int64_t deadline = MonotonicNanoseconds() + 30 * kSecondNs;
  std::optional<ScreenRect> window;
  while (!(window = sensor.FindWindow(layout.caption))) {
    if (!program.Running()) throw std::runtime_error("the program ended: " + program.Log());
    if (MonotonicNanoseconds() > deadline) throw std::runtime_error("no main window");
    SleepMs(100);
  }
  // Let the first paints settle.
  SleepMs(500);
  window = sensor.FindWindow(layout.caption);
  if (!window) throw std::runtime_error("the main window went away");
  WindowPlace place;
  place.scale = static_cast<double>(window->width) / layout.clientWidth;
  // The window is the client area with the menu bar above it.
  const int menu =
      window->height - static_cast<int>(std::lround(layout.clientHeight * place.scale));
  place.originX = window->x;
  place.originY = window->y + menu;
  return place;
}

enum class Mode { Rating, Exposure };

// What the sensor saw of one trial, in monotonic ns.
struct ScreenTrial {
  int64_t pressNs = 0;  // Start or Next clicked
  int64_t onNs = 0;     // the picture appeared
  int64_t clickNs = 0;  // the rating clicked (rating runs)
  int64_t offNs = 0;    // the blank picture appeared
};

struct ProgramRun {
  std::vector<ScreenTrial> screen;
  std::vector<RecordedTrial> recorded;
};

void ClickAt(XLightSensor& sensor, const WindowPlace& place, Point designed) {
  const Point at = place.At(designed);
  sensor.MoveTo(at.x, at.y);
  sensor.Click();
}

std::string ResultsFileText(const fs::path& work) {
  for (const auto& entry : fs::recursive_directory_iterator(work)) {
    if (entry.is_regular_file() && entry.path().extension() == ".xls") {
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      return text.str();
    }
  }
  throw std::runtime_error("the run left no results file");
}

ProgramRun RunProgram(const Options& options, XLightSensor& sensor, Mode mode, int exposureMs) {
  WorkFolder work;
  // The program's folder is the work folder, so its results folder is made there.
  const fs::path program = work.path / fs::path(options.program).filename();
  fs::copy_file(options.program, program);
  std::vector<std::string> argv = {program.string()};
  argv.insert(argv.end(), options.programArgs.begin(), options.programArgs.end());
  argv.insert(argv.end(), {std::to_string(exposureMs), "0", "0", "0"});
  ProgramProcess process(argv, work.path);
  const WindowPlace place = FindMainWindow(sensor, process);
  const Point centre = place.At(Centre("Image1"));
  sensor.Watch(
      ScreenRect{centre.x - kPatchSide / 2, centre.y - kPatchSide / 2, kPatchSide, kPatchSide});

  ClickAt(sensor, place, Centre("Edit1"));
  sensor.Type("sensor");
  SleepMs(50);

  ProgramRun run;
  Jitter jitter;
  const int trials = options.trials;
  for (int trial = 1; trial <= trials; ++trial) {
    ScreenTrial seen;
    PatchPoll poll;
    const std::vector<uint8_t> blank = sensor.Read(poll);
    const Point next = place.At(Centre("Button2"));
    sensor.MoveTo(next.x, next.y);
    seen.pressNs = sensor.Click();
    ChangeMoment on;
    std::vector<uint8_t> image;
    if (!sensor.WaitForChange(blank, seen.pressNs + 5 * kSecondNs, on, image)) {
      throw std::runtime_error("trial " + std::to_string(trial) + ": no picture appeared");
    }
    seen.onNs = on.atNs;
    const Point rating = place.At(RatingButton(trial % 5 + 1));
    sensor.MoveTo(rating.x, rating.y);
    int64_t offDeadline = seen.onNs + 5 * kSecondNs;
    if (mode == Mode::Rating) {
      // The delay varies by a fraction of a millisecond too, so that the clicks fall on every
      // part of the clocks' milliseconds.
      SleepUntil(seen.onNs + static_cast<int64_t>(options.delayMs) * 1'000'000 +
                 jitter.Draw(50'000'000));
      seen.clickNs = sensor.Click();
    } else {
      offDeadline += static_cast<int64_t>(exposureMs) * 1'000'000;
    }
    ChangeMoment off;
    std::vector<uint8_t> after;
    if (!sensor.WaitForChange(image, offDeadline, off, after)) {
      throw std::runtime_error("trial " + std::to_string(trial) + ": the picture never went");
    }
    seen.offNs = off.atNs;
    if (mode == Mode::Exposure) sensor.Click();  // the rating, once the exposure has run out
    run.screen.push_back(seen);
    SleepMs(30 + static_cast<int>(jitter.Draw(20)));
  }
  // Next writes the last trial's row; after the run's last trial it also ends the program.
  ClickAt(sensor, place, Centre("Button2"));
  SleepMs(300);
  process.Finish(2000);
  run.recorded = ReadResultsRows(ResultsFileText(work.path));
  if (run.recorded.size() < run.screen.size()) {
    throw std::runtime_error("the results file holds " + std::to_string(run.recorded.size()) +
                             " rows for " + std::to_string(run.screen.size()) + " trials");
  }
  run.recorded.resize(run.screen.size());
  return run;
}

// ---- the figures ---------------------------------------------------------------------------

void AddFloorRows(const std::string& section, const Floor& floor, RowSink& sink) {
  sink.Add(ErrorRow(section,
                    "Sensor floor, trivial window: change seen less the mark after XSync (" +
                        std::to_string(floor.changeErrorNs.size()) + " fills)",
                    InMs(floor.changeErrorNs)));
  sink.Add(MillisecondsRow(section, "  half the interval each change was known to lie in",
                           Summarize(InMs(floor.spreadNs))));
  sink.Add(ErrorRow(section, "Sensor floor: a click's server time less its sending (20 clicks)",
                    InMs(floor.clickErrorNs)));
  Row clock;
  clock.section = section;
  clock.figure = floor.serverTimeMonotonic
                     ? "Input event times: the X server's, on the monotonic clock (checked)"
                     : "Input event times: the X server's are NOT on the monotonic clock; "
                       "the program takes a rating's time when its handler runs";
  sink.Add(clock);
}

void AddRatingRows(const std::string& section, const Options& options, const ProgramRun& run,
                   JpegFiles& files, RowSink& sink) {
  std::vector<double> pressNs;
  std::vector<double> errorMs;
  std::vector<double> blankNs;
  std::vector<double> djpegNs;
  for (size_t i = 0; i < run.screen.size(); ++i) {
    const ScreenTrial& seen = run.screen[i];
    pressNs.push_back(static_cast<double>(seen.onNs - seen.pressNs));
    blankNs.push_back(static_cast<double>(seen.offNs - seen.clickNs));
    const double trueMs = static_cast<double>(seen.clickNs - seen.onNs) / kNsPerMs;
    errorMs.push_back(run.recorded[i].latencyMs - trueMs);
  }
  const bool withDjpeg = ProgramExists(options.djpeg);
  if (withDjpeg) {
    for (const RecordedTrial& trial : run.recorded) {
      const ChildRun djpeg = RunChild(
          {options.djpeg, "-outfile", "/dev/null", files.FileOf(trial.resourceName)}, false);
      if (!djpeg.started || djpeg.exitCode != 0) throw std::runtime_error("djpeg failed");
      djpegNs.push_back(static_cast<double>(djpeg.endNs - djpeg.startNs));
    }
  }

  const std::string trials = std::to_string(run.screen.size());
  const Summary press = Summarize(InMs(pressNs));
  sink.Add(MillisecondsRow(section, "Press of Next to picture on screen (" + trials + " trials)",
                           press));
  if (withDjpeg) {
    const Summary djpeg = Summarize(InMs(djpegNs));
    sink.Add(MillisecondsRow(section, "  djpeg, same files, full size to /dev/null, as a process",
                             djpeg));
    Row ratio;
    ratio.section = section;
    ratio.figure = "  ratio of the medians, on screen / djpeg";
    ratio.median = Number(press.median / djpeg.median, 2);
    ratio.target = "<= 0.6";
    ratio.verdict = Verdict(press.median / djpeg.median <= 0.6);
    sink.Add(ratio);
  }
  Row error = ErrorRow(section,
                       "Recorded latency less true latency (picture on screen to click; median "
                       "signed, p99/max of |error|)",
                       errorMs);
  const Summary magnitude = Summarize(Magnitudes(errorMs));
  error.target = "median within +-1 ms, p99 within +-3 ms";
  error.verdict = Verdict(std::fabs(Median(errorMs)) <= 1.0 && magnitude.p99 <= 3.0);
  sink.Add(error);
  sink.Add(MillisecondsRow(section, "  rating click to blank picture on screen",
                           Summarize(InMs(blankNs))));
}

void AddExposureRows(const std::string& section, int exposureMs, const ProgramRun& run,
                     const Floor& floor, RowSink& sink) {
  std::vector<double> errorMs;
  for (const ScreenTrial& seen : run.screen) {
    errorMs.push_back(static_cast<double>(seen.offNs - seen.onNs) / kNsPerMs - exposureMs);
  }
  // Outliers up to the sensor's own widest error are the sensor's, not the program's.
  const double floorMs = Summarize(Magnitudes(InMs(floor.changeErrorNs))).max;
  const double allowed = std::max(3.0, floorMs);
  Row row = ErrorRow(section,
                     "Exposure on screen less " + std::to_string(exposureMs) + " ms (" +
                         std::to_string(run.screen.size()) +
                         " trials; median signed, p99/max of |error|)",
                     errorMs);
  row.target = "median within +-1 ms, all within +-" + Number(allowed, 1) + " ms";
  row.verdict =
      Verdict(std::fabs(Median(errorMs)) <= 1.0 && Summarize(Magnitudes(errorMs)).max <= allowed);
  sink.Add(row);
}

int Usage() {
  std::fprintf(stderr,
               "usage: talvex_sensor_bench --program PATH [--program-arg ARG]... [--pack FILE]\n"
               "       [--set NAME] [--trials N] [--exposure MS] [--delay MS] [--floor N]\n"
               "       [--rows FILE] [--djpeg PATH] [--smoke]\n");
  return 2;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--smoke") {
      options.trials = 2;
      options.exposureMs = 50;
      options.delayMs = 100;
      options.floorSamples = 10;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (option == "--program") {
      options.program = value;
    } else if (option == "--program-arg") {
      options.programArgs.push_back(value);
    } else if (option == "--pack") {
      options.packPath = value;
    } else if (option == "--set") {
      options.setName = value;
    } else if (option == "--rows") {
      options.rowsPath = value;
    } else if (option == "--djpeg") {
      options.djpeg = value;
    } else if (option == "--trials" || option == "--exposure" || option == "--delay" ||
               option == "--floor") {
      const int number = std::atoi(value.c_str());
      if (number <= 0) return false;
      (option == "--trials"     ? options.trials
       : option == "--exposure" ? options.exposureMs
       : option == "--delay"    ? options.delayMs
                                : options.floorSamples) = number;
    } else {
      return false;
    }
  }
  return !options.program.empty();
}

}  // namespace

int main(int argc, char* argv[]) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return Usage();
  if (options.trials == 0 || options.trials > 100) options.trials = 100;
  XInitThreads();
  try {
    std::unique_ptr<talvex::platform::MappedFile> pack;
    talvex::imagestore::ImageSource images = talvex::EmbeddedImageSource();
    if (!options.packPath.empty()) {
      pack = std::make_unique<talvex::platform::MappedFile>(options.packPath);
      if (pack->Failed()) throw std::runtime_error("cannot map " + options.packPath);
      images = talvex::imagestore::ImageSource::InMemory(
          talvex::imagestore::ByteSpan{pack->Data(), pack->Size()});
    }
    XLightSensor sensor;
    RowSink sink(options.rowsPath);
    const std::string section = options.setName + " set, xcb, on screen (light sensor)";

    std::fprintf(stderr, "sensor: floor on a trivial window\n");
    const Floor floor = MeasureFloor(sensor, options.floorSamples);
    AddFloorRows(section, floor, sink);

    std::fprintf(stderr, "sensor: ratings %d ms after the picture appears\n", options.delayMs);
    WorkFolder jpegFolder;
    JpegFiles files(images, jpegFolder.path.string());
    const ProgramRun rated = RunProgram(options, sensor, Mode::Rating, 100000);
    AddRatingRows(section, options, rated, files, sink);

    std::fprintf(stderr, "sensor: exposures of %d ms left to run out\n", options.exposureMs);
    const ProgramRun exposed = RunProgram(options, sensor, Mode::Exposure, options.exposureMs);
    AddExposureRows(section, options.exposureMs, exposed, floor, sink);

    if (!sink.Write()) throw std::runtime_error("cannot write " + options.rowsPath);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "talvex_sensor_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
