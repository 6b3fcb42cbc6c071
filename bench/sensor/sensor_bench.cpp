// talvex_sensor_bench: times the program from outside, as a light sensor on the monitor and a
// button box would, on the X server of $DISPLAY (Xvfb in `make bench`). It starts a real run of
// the program and, beside it, a trivial Qt window (talvex_floor_window) with the same picture
// area and Next button, whose Next only repaints a picture prepared at its start: the floor of
// what any Qt program on this display can do. It clicks both through XTest in turn, trial by
// trial, and watches every pixel of each picture area:
//   - press of Next to picture: from the click as the server delivered it to the first changed
//     pixel of the picture area as the server holds it, the program's beside the floor's, and
//     the difference against djpeg decoding the same files (run between the trials);
//   - each recorded latency against the true time from the picture's appearance to the click;
//   - the exposure on screen against the exposure asked for, beside the floor window's, and the
//     trial with the largest error with its events.
//
//   --program PATH [--program-arg ARG]...  the program and the arguments put before the four
//                                          run values (an image pack for a bench-only build)
//   --floor-window PATH  the trivial window
//   --pack FILE     the image set the program shows, for djpeg and the floor window
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
#include <optional>
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
constexpr int64_t kMsNs = 1'000'000;
constexpr int64_t kSecondNs = 1'000'000'000;

struct Options {
  std::string program;
  std::vector<std::string> programArgs;
  std::string floorWindow;
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

void SleepUntil(int64_t monotonicNs) {
  timespec until{static_cast<time_t>(monotonicNs / kSecondNs),
                 static_cast<long>(monotonicNs % kSecondNs)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

void SleepMs(int ms) {
  SleepUntil(MonotonicNanoseconds() + static_cast<int64_t>(ms) * kMsNs);
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

Row TextRow(const std::string& section, const std::string& figure) {
  Row row;
  row.section = section;
  row.figure = figure;
  return row;
}

// ---- the sensor's own floor ----------------------------------------------------------------

struct SensorFloor {
  std::vector<double> changeErrorNs;  // change moment less the mark taken after XSync
  std::vector<double> spreadNs;       // half the interval each change was known to lie in
  std::vector<double> clickSpreadNs;  // half the interval each click was known to be taken in
  std::vector<double> clickStampNs;   // the click's server time stamp less its delivery
  bool serverTimeMonotonic = false;
};

// A window of the sensor's own, without any toolkit: filled black and white in turn, each fill
// followed by XSync and a mark, and clicked.
SensorFloor MeasureSensorFloor(XLightSensor& sensor, int samples) {
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
  SensorFloor floor;

  sensor.MoveTo(32, 32);
  for (int i = 0; i < 20; ++i) {
    const ClickMoment click = sensor.Click();
    const int64_t deadline = click.syncedNs + 2 * kSecondNs;
    bool pressed = false;
    while (!pressed && MonotonicNanoseconds() < deadline) {
      while (XPending(painter) > 0) {
        XEvent event;
        XNextEvent(painter, &event);
        if (event.type != ButtonPress) continue;
        const int64_t serverNs = talvex::MillisecondStampToNanoseconds(
            static_cast<uint32_t>(event.xbutton.time), MonotonicNanoseconds());
        floor.clickStampNs.push_back(static_cast<double>(serverNs - click.DeliveredNs()));
        floor.clickSpreadNs.push_back(static_cast<double>(click.syncedNs - click.sentNs) / 2);
        pressed = true;
      }
      if (!pressed) SleepUntil(MonotonicNanoseconds() + 100'000);
    }
    if (!pressed) throw std::runtime_error("the sensor's click never reached its window");
    SleepMs(10);
  }
  // On the monotonic clock the stamps lie within milliseconds of the delivery; on any other
  // clock they lie anywhere.
  floor.serverTimeMonotonic = Median(Magnitudes(InMs(floor.clickStampNs))) <= 20.0;

  // Fills, watched from another thread as the program's paints are.
  sensor.Watch(ScreenRect{16, 16, 16, 16});
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
    SleepUntil(MonotonicNanoseconds() + 2 * kMsNs + jitter.Draw(13 * kMsNs));
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

// ---- the programs --------------------------------------------------------------------------

// A program started in a work folder, its standard output and error going to a log.
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
  // Waits up to timeoutMs for the program to end; then ends it.
  void Finish(int timeoutMs) {
    const int64_t deadline = MonotonicNanoseconds() + static_cast<int64_t>(timeoutMs) * kMsNs;
    pid_t ended = 0;
    while ((ended = waitpid(pid_, nullptr, WNOHANG)) == 0 && MonotonicNanoseconds() < deadline) {
      SleepMs(20);
    }
    if (ended == 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = 0;
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

// A window on screen: where its designed client-area points lie on the root window.
struct WindowPlace {
  int originX = 0;
  int originY = 0;
  double scale = 1.0;
  Point At(Point designed) const {
    return Point{originX + static_cast<int>(std::lround(designed.x * scale)),
                 originY + static_cast<int>(std::lround(designed.y * scale))};
  }
};

WindowPlace FindWindow(XLightSensor& sensor, const ProgramProcess& program,
                       const std::string& title) {
  const talvex::experiment::WindowLayout& layout = talvex::experiment::Form1Layout();
  const int64_t deadline = MonotonicNanoseconds() + 60 * kSecondNs;
  std::optional<ScreenRect> window;
  while (!(window = sensor.FindWindow(title))) {
    if (!program.Running()) throw std::runtime_error(title + " ended: " + program.Log());
    if (MonotonicNanoseconds() > deadline) throw std::runtime_error("no window " + title);
    SleepMs(100);
  }
  SleepMs(500);  // the first paints settle
  window = sensor.FindWindow(title);
  if (!window) throw std::runtime_error(title + " went away");
  WindowPlace place;
  place.scale = static_cast<double>(window->width) / layout.clientWidth;
  // A menu bar, where there is one, lies above the client area.
  const int menu =
      window->height - static_cast<int>(std::lround(layout.clientHeight * place.scale));
  place.originX = window->x;
  place.originY = window->y + menu;
  return place;
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

enum class Mode { Rating, Exposure };

// What the sensor saw of one trial, in monotonic ns.
struct ScreenTrial {
  ClickMoment press;  // Start or Next
  int64_t onNs = 0;   // the picture appeared
  int64_t onSpreadNs = 0;
  ClickMoment rating;  // rating runs
  int64_t offNs = 0;   // the blank picture appeared
  int64_t offSpreadNs = 0;
};

// One of the two windows under the sensor: the program, or the floor window.
struct Subject {
  std::string title;
  bool program = false;  // the program, with a results file
  WorkFolder work;
  std::unique_ptr<ProgramProcess> process;
  WindowPlace place;
  ScreenRect area;
  std::vector<ScreenTrial> trials;

  void Start(XLightSensor& sensor, std::vector<std::string> argv) {
    // The program's folder is the work folder, so that its results folder is made there.
    const fs::path copy = work.path / fs::path(argv[0]).filename();
    fs::copy_file(argv[0], copy);
    argv[0] = copy.string();
    process = std::make_unique<ProgramProcess>(argv, work.path);
    place = FindWindow(sensor, *process, title);
    const talvex::experiment::ControlLayout& image =
        talvex::experiment::Form1Layout().Control("Image1");
    const Point corner = place.At(Point{image.left, image.top});
    area = ScreenRect{corner.x, corner.y, static_cast<int>(std::lround(image.width * place.scale)),
                      static_cast<int>(std::lround(image.height * place.scale))};
  }

  void ClickAt(XLightSensor& sensor, Point designed) const {
    const Point at = place.At(designed);
    sensor.MoveTo(at.x, at.y);
    sensor.Click();
  }

  // One trial: Next, the picture, then a rating delayMs after it appeared (rating runs) or the
  // exposure left to run out.
  void Trial(XLightSensor& sensor, Mode mode, int number, int64_t delayNs, int exposureMs) {
    sensor.Watch(area);
    const Point next = place.At(Centre("Button2"));
    sensor.MoveTo(next.x, next.y);
    SleepMs(20);  // the button's hover paint is over before the press
    PatchPoll poll;
    const std::vector<uint8_t> blank = sensor.Read(poll);
    ScreenTrial seen;
    seen.press = sensor.Click();
    ChangeMoment on;
    std::vector<uint8_t> image;
    if (!sensor.WaitForChange(blank, seen.press.syncedNs + 10 * kSecondNs, on, image)) {
      throw std::runtime_error(title + ", trial " + std::to_string(number) +
                               ": no picture appeared");
    }
    seen.onNs = on.atNs;
    seen.onSpreadNs = on.spreadNs;
    const Point rating = place.At(RatingButton(number % 5 + 1));
    sensor.MoveTo(rating.x, rating.y);
    int64_t offDeadline = seen.onNs + 10 * kSecondNs;
    if (mode == Mode::Rating) {
      SleepUntil(seen.onNs + delayNs);
      seen.rating = sensor.Click();
    } else {
      offDeadline += static_cast<int64_t>(exposureMs) * kMsNs;
    }
    ChangeMoment off;
    std::vector<uint8_t> after;
    if (!sensor.WaitForChange(image, offDeadline, off, after)) {
      throw std::runtime_error(title + ", trial " + std::to_string(number) +
                               ": the picture never went");
    }
    seen.offNs = off.atNs;
    seen.offSpreadNs = off.spreadNs;
    if (mode == Mode::Exposure) sensor.Click();  // the rating, once the exposure has run out
    trials.push_back(seen);
  }

  std::vector<RecordedTrial> Recorded() const {
    return ReadResultsRows(ResultsFileText(work.path));
  }
};

// The program and the floor window, run side by side: each trial on one, then on the other.
struct SideBySide {
  Subject program;
  Subject floor;
  std::vector<double> djpegNs;  // djpeg on each file the program showed, run between the trials
  std::vector<RecordedTrial> recorded;
};

void RunSideBySide(const Options& options, XLightSensor& sensor, Mode mode, JpegFiles& files,
                   SideBySide& run) {
  const int exposureMs = mode == Mode::Rating ? 100000 : options.exposureMs;
  run.program.title = talvex::experiment::Form1Layout().caption;
  run.program.program = true;
  run.floor.title = "Talvex floor";
  std::vector<std::string> argv = {options.program};
  argv.insert(argv.end(), options.programArgs.begin(), options.programArgs.end());
  argv.insert(argv.end(), {std::to_string(exposureMs), "0", "0", "0"});
  run.program.Start(sensor, argv);
  std::vector<std::string> floorArgv = {options.floorWindow};
  if (!options.packPath.empty()) floorArgv.insert(floorArgv.end(), {"--pack", options.packPath});
  if (mode == Mode::Exposure) {
    floorArgv.insert(floorArgv.end(), {"--exposure", std::to_string(exposureMs)});
  }
  run.floor.Start(sensor, floorArgv);

  run.program.ClickAt(sensor, Centre("Edit1"));
  sensor.Type("sensor");
  SleepMs(50);

  const bool withDjpeg = mode == Mode::Rating && ProgramExists(options.djpeg);
  Jitter jitter;
  const int64_t delayNs = static_cast<int64_t>(options.delayMs) * kMsNs;
  for (int trial = 1; trial <= options.trials; ++trial) {
    // The delay varies by a fraction of a millisecond too, so that the clicks fall on every
    // part of the clocks' milliseconds.
    const int64_t delay = delayNs + jitter.Draw(50 * kMsNs);
    run.program.Trial(sensor, mode, trial, delay, exposureMs);
    SleepMs(30 + static_cast<int>(jitter.Draw(20)));
    run.floor.Trial(sensor, mode, trial, delay, exposureMs);
    SleepMs(30 + static_cast<int>(jitter.Draw(20)));
    if (withDjpeg && trial > 1) {
      // The previous trial's row is written by this trial's Next.
      const std::vector<RecordedTrial> rows = run.program.Recorded();
      if (rows.size() + 1 < static_cast<size_t>(trial)) {
        throw std::runtime_error("no row for trial " + std::to_string(trial - 1));
      }
      const ChildRun djpeg = RunChild(
          {options.djpeg, "-outfile", "/dev/null", files.FileOf(rows.back().resourceName)}, false);
      if (!djpeg.started || djpeg.exitCode != 0) throw std::runtime_error("djpeg failed");
      run.djpegNs.push_back(static_cast<double>(djpeg.endNs - djpeg.startNs));
    }
  }
  // Next writes the last trial's row; after the run's last trial it also ends the program.
  run.program.ClickAt(sensor, Centre("Button2"));
  SleepMs(300);
  run.program.process->Finish(2000);
  run.floor.process->Finish(0);
  run.recorded = run.program.Recorded();
  if (run.recorded.size() < run.program.trials.size()) {
    throw std::runtime_error("the results file holds " + std::to_string(run.recorded.size()) +
                             " rows for " + std::to_string(run.program.trials.size()) + " trials");
  }
  run.recorded.resize(run.program.trials.size());
}

// ---- the figures ---------------------------------------------------------------------------

void AddSensorFloorRows(const std::string& section, const SensorFloor& floor, RowSink& sink) {
  sink.Add(ErrorRow(section,
                    "Sensor floor, window of its own: change seen less the mark after XSync (" +
                        std::to_string(floor.changeErrorNs.size()) + " fills)",
                    InMs(floor.changeErrorNs)));
  sink.Add(MillisecondsRow(section, "  half the interval each change was known to lie in",
                           Summarize(InMs(floor.spreadNs))));
  sink.Add(MillisecondsRow(section, "  half the interval each click was known to be taken in",
                           Summarize(InMs(floor.clickSpreadNs))));
  sink.Add(
      TextRow(section, floor.serverTimeMonotonic
                           ? "Input event times: the X server's, on the monotonic clock (checked)"
                           : "Input event times: the X server's are NOT on the monotonic clock; "
                             "the program takes a rating's time when its handler runs"));
}

std::vector<double> PressToPictureNs(const Subject& subject) {
  std::vector<double> ns;
  for (const ScreenTrial& seen : subject.trials) {
    ns.push_back(static_cast<double>(seen.onNs - seen.press.DeliveredNs()));
  }
  return ns;
}

void AddPressRows(const std::string& section, const SideBySide& run, RowSink& sink) {
  const std::string trials = std::to_string(run.program.trials.size());
  const Summary program = Summarize(InMs(PressToPictureNs(run.program)));
  const Summary floor = Summarize(InMs(PressToPictureNs(run.floor)));
  sink.Add(MillisecondsRow(section,
                           "Press of Next (as the server delivered it) to the first changed "
                           "pixel of the picture area (" +
                               trials + " trials)",
                           program));
  sink.Add(MillisecondsRow(section,
                           "  floor: trivial Qt window repainting a prepared picture, same "
                           "clicks, trial by trial",
                           floor));
  Row less;
  less.section = section;
  less.figure = "  program less the floor (medians)";
  less.median = Number(program.median - floor.median, 2, "ms");
  sink.Add(less);
  if (run.djpegNs.empty()) {
    sink.Add(TextRow(section, "djpeg not found: no ratio"));
    return;
  }
  const Summary djpeg = Summarize(InMs(run.djpegNs));
  sink.Add(MillisecondsRow(
      section, "djpeg, same files, full size to /dev/null, as a process, between the trials",
      djpeg));
  const double ratio = (program.median - floor.median) / djpeg.median;
  Row row;
  row.section = section;
  row.figure = "(program - floor) / djpeg (medians)";
  row.median = Number(ratio, 2);
  row.target = "<= 0.6";
  row.verdict = Verdict(ratio <= 0.6);
  sink.Add(row);
  if (ratio > 0.6) {
    sink.Add(
        TextRow(section, "  missed by " +
                             Number(program.median - floor.median - 0.6 * djpeg.median, 2, "ms") +
                             " of press to picture; see the timing benchmark's parts for "
                             "what bounds it"));
  }
}

void AddLatencyRows(const std::string& section, const SideBySide& run, RowSink& sink) {
  std::vector<double> errorMs;
  for (size_t i = 0; i < run.program.trials.size(); ++i) {
    const ScreenTrial& seen = run.program.trials[i];
    const double trueMs = static_cast<double>(seen.rating.DeliveredNs() - seen.onNs) / kNsPerMs;
    errorMs.push_back(run.recorded[i].latencyMs - trueMs);
  }
  Row error = ErrorRow(section,
                       "Recorded latency less true latency (picture on screen to the click as "
                       "delivered; median signed, p99/max of |error|)",
                       errorMs);
  const Summary magnitude = Summarize(Magnitudes(errorMs));
  error.target = "median within +-1 ms, p99 within +-3 ms";
  error.verdict = Verdict(std::fabs(Median(errorMs)) <= 1.0 && magnitude.p99 <= 3.0);
  sink.Add(error);
  std::vector<double> blankNs;
  for (const ScreenTrial& seen : run.program.trials) {
    blankNs.push_back(static_cast<double>(seen.offNs - seen.rating.DeliveredNs()));
  }
  sink.Add(MillisecondsRow(section, "  rating click to blank picture on screen",
                           Summarize(InMs(blankNs))));
}

std::vector<double> ExposureErrorsMs(const Subject& subject, int exposureMs) {
  std::vector<double> errorMs;
  for (const ScreenTrial& seen : subject.trials) {
    errorMs.push_back(static_cast<double>(seen.offNs - seen.onNs) / kNsPerMs - exposureMs);
  }
  return errorMs;
}

void AddExposureRows(const std::string& section, int exposureMs, const SideBySide& run,
                     RowSink& sink) {
  const std::vector<double> program = ExposureErrorsMs(run.program, exposureMs);
  const std::vector<double> floor = ExposureErrorsMs(run.floor, exposureMs);
  const Summary programMagnitude = Summarize(Magnitudes(program));
  const Summary floorMagnitude = Summarize(Magnitudes(floor));
  const auto errorRow = [&](const std::string& figure, const std::vector<double>& errors,
                            const Summary& magnitude) {
    Row row = ErrorRow(section, figure, errors);
    row.p99 = Number(magnitude.p95, 2, "ms");  // this row's middle column is the p95
    return row;
  };
  Row row = errorRow("Exposure on screen less " + std::to_string(exposureMs) + " ms (" +
                         std::to_string(program.size()) +
                         " trials; median signed; P99 column: p95 of |error|; max)",
                     program, programMagnitude);
  const double allowed = floorMagnitude.p95 + 1.0;
  row.target = "p95 <= floor's p95 + 1 ms = " + Number(allowed, 2, "ms");
  row.verdict = Verdict(programMagnitude.p95 <= allowed);
  sink.Add(row);
  sink.Add(errorRow("  floor: trivial Qt window, a precise timer, trial by trial", floor,
                    floorMagnitude));
  if (programMagnitude.p95 > allowed) {
    sink.Add(TextRow(section, "  missed by " + Number(programMagnitude.p95 - allowed, 2, "ms")));
  }

  // The trial with the largest error, with its neighbours: what happened around it.
  size_t worst = 0;
  for (size_t i = 1; i < program.size(); ++i) {
    if (std::fabs(program[i]) > std::fabs(program[worst])) worst = i;
  }
  const size_t first = worst > 0 ? worst - 1 : worst;
  const size_t last = std::min(worst + 1, program.size() - 1);
  for (size_t i = first; i <= last; ++i) {
    const ScreenTrial& seen = run.program.trials[i];
    const auto ms = [&seen](int64_t at) {
      return Number(static_cast<double>(at - seen.press.DeliveredNs()) / kNsPerMs, 2);
    };
    std::string text = std::string(i == worst ? "  largest error" : "  beside it") + ": trial " +
                       std::to_string(i + 1) + ", error " + Number(program[i], 2, "ms") +
                       "; from its press: picture at " + ms(seen.onNs) + " (+-" +
                       Number(static_cast<double>(seen.onSpreadNs) / kNsPerMs, 2) + "), blank at " +
                       ms(seen.offNs) + " (+-" +
                       Number(static_cast<double>(seen.offSpreadNs) / kNsPerMs, 2) +
                       ") ms; floor's trial " + Number(floor[i], 2, "ms");
    sink.Add(TextRow(section, text));
  }
}

int Usage() {
  std::fprintf(stderr,
               "usage: talvex_sensor_bench --program PATH [--program-arg ARG]...\n"
               "       --floor-window PATH [--pack FILE] [--set NAME] [--trials N]\n"
               "       [--exposure MS] [--delay MS] [--floor N] [--rows FILE] [--djpeg PATH]\n"
               "       [--smoke]\n");
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
    } else if (option == "--floor-window") {
      options.floorWindow = value;
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
  return !options.program.empty() && !options.floorWindow.empty();
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

    std::fprintf(stderr, "sensor: its own floor\n");
    AddSensorFloorRows(section, MeasureSensorFloor(sensor, options.floorSamples), sink);

    std::fprintf(stderr, "sensor: ratings %d ms after the picture appears\n", options.delayMs);
    WorkFolder jpegFolder;
    JpegFiles files(images, jpegFolder.path.string());
    {
      SideBySide rated;
      RunSideBySide(options, sensor, Mode::Rating, files, rated);
      AddPressRows(section, rated, sink);
      AddLatencyRows(section, rated, sink);
    }
    std::fprintf(stderr, "sensor: exposures of %d ms left to run out\n", options.exposureMs);
    {
      SideBySide exposed;
      RunSideBySide(options, sensor, Mode::Exposure, files, exposed);
      AddExposureRows(section, options.exposureMs, exposed, sink);
    }
    if (!sink.Write()) throw std::runtime_error("cannot write " + options.rowsPath);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "talvex_sensor_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
