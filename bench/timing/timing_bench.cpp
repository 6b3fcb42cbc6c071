// talvex_timing_bench: drives the real main window (TForm1 with the experiment controller)
// in-process and times what the rater sees.
//   --mode press     onset bias (ShownAt and the latency mark against the end of the paint
//                    that shows the image) and press of Next to picture, broken down into its
//                    parts, against djpeg decoding the same file at full size as a process
//   --mode exposure  time from the paint of the image to the paint of the blank picture,
//                    against the exposure (--exposure MS)
// The image set is the embedded one, or an image pack mapped at run time (--pack FILE).
// Rows of the results table go to --rows FILE (appended) or to standard output.

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_stats.h"
#include "bench_table.h"
#include "child_process.h"
#include "form1.h"
#include "jpeg_files.h"
#include "picture_area.h"
#include "talvex/embedded_images.h"
#include "talvex/experiment/controller.h"
#include "talvex/experiment/experiment_record.h"
#include "talvex/experiment/picture_pixels.h"
#include "talvex/folder_system.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/imagestore/resource_catalogue.h"
#include "talvex/imagestore/resource_manager.h"
#include "talvex/platform/mapped_file.h"
#include "talvex/platform/posix_system.h"
#include "talvex/results/results_path.h"
#include "talvex/results/trial_row.h"
#include "window_factories.h"
#include "work_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace talvex;
using bench::MonotonicNanoseconds;
using bench::Number;
using bench::Row;
using bench::Summarize;
using bench::Summary;

constexpr double kNsPerMs = 1e6;

struct Options {
  std::string mode = "press";
  std::string setName = "sample";
  std::string packPath;
  std::string rowsPath;
  std::string djpeg = "djpeg";
  int exposureMs = 200;
  int trials = 0;  // 0: every trial of the run
  bool smoke = false;
};

// The moments of one press of Next that the benchmark sees from outside the controller, in
// monotonic ns; zero when not seen.
struct PressMoments {
  int64_t handler = 0;      // the controller's handler of Next entered
  int64_t aheadAsked = 0;   // the window's preparer asked for: the worker is being started
  int64_t workerStart = 0;  // the worker began preparing
  int64_t workerEnd = 0;    // ...and ended
  int64_t rowStart = 0;     // the results row's time taken: the append begins
  void Reset() { *this = PressMoments(); }
};
PressMoments press;

// The folder-bound system, noting when the results row takes its time: the first wall-clock
// reading of a press is the row's.
class BenchSystem : public testing::FolderSystem {
 public:
  using FolderSystem::FolderSystem;
  LocalTime LocalNow() override {
    if (press.rowStart == 0) press.rowStart = MonotonicNanoseconds();
    return FolderSystem::LocalNow();
  }
};

// The window's preparer, noting when the worker runs it.
class TimedPreparer : public experiment::IPicturePreparer {
 public:
  explicit TimedPreparer(std::shared_ptr<const experiment::IPicturePreparer> preparer)
      : preparer_(std::move(preparer)) {}
  std::shared_ptr<const experiment::IPreparedPixels> Prepare(
      const imagestore::TJPEGImage& picture) const override {
    press.workerStart = MonotonicNanoseconds();
    auto made = preparer_->Prepare(picture);
    press.workerEnd = MonotonicNanoseconds();
    return made;
  }

 private:
  std::shared_ptr<const experiment::IPicturePreparer> preparer_;
};

// The image set the benchmark runs on: the embedded one, or a pack given with --pack.
imagestore::ImageSource benchImages = EmbeddedImageSource();

// The program's image loader, remembering the name it loaded last.
class NamingLoader : public imagestore::TResourceManager {
 public:
  NamingLoader() : TResourceManager(benchImages) {}
  std::unique_ptr<imagestore::TJPEGImage> LoadImage(const std::string& name) const override {
    lastName = name;
    return TResourceManager::LoadImage(name);
  }
  mutable std::string lastName;
};

// The start and the end of the first paint of the picture area since its picture was last set;
// zero until it has been painted.
struct PaintStamp {
  int64_t startNs = 0;
  int64_t endNs = 0;
};

// The application, timing the paints of one widget as they are delivered.
// What happened during one trial, in order: a name and a monotonic time.
std::vector<std::pair<std::string, int64_t>> trialEvents;
void Note(const char* what) {
  trialEvents.emplace_back(what, MonotonicNanoseconds());
}

class BenchApplication : public QApplication {
 public:
  using QApplication::QApplication;
  QObject* watched = nullptr;
  PaintStamp firstPaint;

  bool notify(QObject* receiver, QEvent* event) override {
    if (receiver != watched || event->type() != QEvent::Paint) {
      return QApplication::notify(receiver, event);
    }
    const int64_t start = MonotonicNanoseconds();
    const bool handled = QApplication::notify(receiver, event);
    const int64_t end = MonotonicNanoseconds();
    trialEvents.emplace_back("paint began", start);
    trialEvents.emplace_back("paint ended", end);
    if (firstPaint.endNs == 0) firstPaint = PaintStamp{start, end};
    return handled;
  }
};

BenchApplication* benchApplication = nullptr;

const PaintStamp& FirstPaint() {
  return benchApplication->firstPaint;
}

struct RecordOfTheRun {
  experiment::ExperimentRecord record;
};

// The experiment controller, the receiver of the window's events, with its record and its
// loader in reach.
class BenchEvents : private RecordOfTheRun, public experiment::TExperimentController {
 public:
  BenchEvents(experiment::IMainWindow& window, System& system,
              const std::shared_ptr<const NamingLoader>& loader)
      : TExperimentController(window, system, RecordOfTheRun::record, loader), loader_(loader) {}
  const NamingLoader& Loader() const { return *loader_; }
  const experiment::ExperimentRecord& Record() const { return record; }
  void Button2Click() override {
    press.handler = MonotonicNanoseconds();
    TExperimentController::Button2Click();
  }
  void Timer1Timer() override {
    Note("timer's event");
    TExperimentController::Timer1Timer();
  }

 private:
  std::shared_ptr<const NamingLoader> loader_;
};

// The main window, noting when each picture is handed to it and whether it is the blank one.
class BenchForm : public app::TForm1 {
 public:
  using TForm1::TForm1;
  void SetPicture(const imagestore::TJPEGImage& picture) override {
    setAt = MonotonicNanoseconds();
    benchApplication->firstPaint = PaintStamp();
    TForm1::SetPicture(picture);
    Set(picture);
  }
  // A trial's picture prepared on the worker while the row was written.
  void SetPreparedPicture(const imagestore::TJPEGImage& picture,
                          const experiment::IPreparedPixels& prepared) override {
    setAt = MonotonicNanoseconds();
    benchApplication->firstPaint = PaintStamp();
    TForm1::SetPreparedPicture(picture, prepared);
    Set(picture);
  }
  void Set(const imagestore::TJPEGImage& picture) {
    setDoneAt = MonotonicNanoseconds();
    blankSet = events != nullptr &&
               &picture.CompressedBytes() == &events->Record().BlankPicture.CompressedBytes();
    trialEvents.emplace_back(blankSet ? "blank handed to the window" : "image handed to the window",
                             setAt);
    if (blankSet && onBlank) onBlank();
  }
  void WaitUntilDisplayed() override {
    const int64_t start = MonotonicNanoseconds();
    TForm1::WaitUntilDisplayed();
    displayedAt = MonotonicNanoseconds();
    displayWaitNs = displayedAt - start;
  }
  std::shared_ptr<const experiment::IPicturePreparer> PicturePreparer() const override {
    press.aheadAsked = MonotonicNanoseconds();
    return std::make_shared<TimedPreparer>(TForm1::PicturePreparer());
  }
  BenchEvents* events = nullptr;
  int64_t setAt = 0;
  int64_t setDoneAt = 0;
  int64_t displayWaitNs = 0;  // the last wait until the display had what was drawn
  int64_t displayedAt = 0;
  bool blankSet = false;
  std::function<void()> onBlank;
};

// Delivers events without sleeping until the condition holds; false after the deadline.
bool SpinUntil(const std::function<bool()>& done, int timeoutMs) {
  const int64_t deadline = MonotonicNanoseconds() + static_cast<int64_t>(timeoutMs) * 1'000'000;
  while (!done()) {
    if (MonotonicNanoseconds() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  return true;
}

// One window with its run, shown and waiting for the first press.
struct Session {
  bench::WorkFolder work;
  BenchSystem system;
  std::unique_ptr<BenchForm> form;
  BenchEvents* events = nullptr;
  app::TPictureArea* area = nullptr;
  QPushButton* button = nullptr;
  QRadioButton* rating = nullptr;

  explicit Session(std::vector<std::string> values) : system(work.path, std::move(values)) {
    const app::LoaderFactory loaders = [] { return std::make_unique<NamingLoader>(); };
    const app::EventsFactory makeEvents = [this](experiment::IMainWindow& window) {
      auto made =
          std::make_unique<BenchEvents>(window, system, std::make_shared<const NamingLoader>());
      events = made.get();
      return std::unique_ptr<experiment::IMainWindowEvents>(std::move(made));
    };
    form = std::make_unique<BenchForm>(system, loaders, makeEvents);
    form->events = events;
    form->FormCreate();
    if (!form->SetUpComplete()) throw std::runtime_error("the set-up did not complete");
    area = form->findChild<app::TPictureArea*>(QStringLiteral("Image1"));
    button = form->findChild<QPushButton*>(QStringLiteral("Button2"));
    rating = form->findChild<QRadioButton*>(QStringLiteral("RadioButton3"));
    if (area == nullptr || button == nullptr || rating == nullptr) {
      throw std::runtime_error("the main window lacks a control");
    }
    benchApplication->watched = area;
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) throw std::runtime_error("window not shown");
    form->SetText(experiment::TextControl::Edit1, "bench");
  }

  int TotalTrials() const { return events->Record().TotalTrials; }

  // Presses Start/Next and waits until the drawn image has been painted.
  void PressForNextImage(int64_t& pressedAt) {
    press.Reset();
    pressedAt = MonotonicNanoseconds();
    QTest::mouseClick(button, Qt::LeftButton);
    if (form->blankSet) throw std::runtime_error("the press did not show an image");
    if (!SpinUntil([] { return FirstPaint().endNs != 0; }, 5000)) {
      throw std::runtime_error("the image was never painted");
    }
  }

  // Picks a rating, which blanks the image, and waits until the blank has been painted.
  void Rate() {
    QTest::mouseClick(rating, Qt::LeftButton);
    if (!SpinUntil([] { return FirstPaint().endNs != 0; }, 5000)) {
      throw std::runtime_error("the blank picture was never painted");
    }
  }
};

// The parts of press to picture for one image, timed again one by one, in ns.
struct Parts {
  double copy = 0;
  double decipher = 0;
  double header = 0;
  double decode = 0;
  double scaling = 0;
  double entropy = 0;  // a decode at 1/8: little more than reading the entropy-coded data
  double fullDecode = 0;
};

Parts TimeParts(const std::string& name, const QSize& deviceSize) {
  Parts parts;
  int64_t t = MonotonicNanoseconds();
  const std::unique_ptr<imagestore::TExeImage> image = benchImages.Open();
  imagestore::ByteSpan resource;
  if (!imagestore::FindResourceData(*image, "BINARY", name, resource)) {
    throw std::runtime_error("no resource " + name);
  }
  std::vector<uint8_t> stream(resource.data, resource.data + resource.size);
  int64_t next = MonotonicNanoseconds();
  parts.copy = static_cast<double>(next - t);
  t = next;
  imagestore::TCrypto().DecipherStream(stream);
  next = MonotonicNanoseconds();
  parts.decipher = static_cast<double>(next - t);
  t = next;
  imagestore::TJPEGImage picture;
  picture.LoadFromBytes(std::move(stream));
  next = MonotonicNanoseconds();
  parts.header = static_cast<double>(next - t);
  t = next;
  const imagestore::Bitmap bitmap = picture.DecodeScaled(
      experiment::DecodeScaleFor(picture, deviceSize.width(), deviceSize.height()));
  next = MonotonicNanoseconds();
  parts.decode = static_cast<double>(next - t);
  t = next;
  const QImage stretched = app::TPictureArea::Stretch(bitmap, deviceSize);
  next = MonotonicNanoseconds();
  parts.scaling = static_cast<double>(next - t);
  if (stretched.isNull()) throw std::runtime_error("no pixels for " + name);
  t = MonotonicNanoseconds();
  const imagestore::Bitmap smallest = picture.DecodeScaled(8);
  parts.entropy = static_cast<double>(MonotonicNanoseconds() - t);
  if (smallest.pixels.empty()) throw std::runtime_error("no pixels for " + name);
  t = MonotonicNanoseconds();
  const imagestore::Bitmap whole = picture.DecodeScaled(1);
  parts.fullDecode = static_cast<double>(MonotonicNanoseconds() - t);
  if (whole.pixels.empty()) throw std::runtime_error("no pixels for " + name);
  return parts;
}

std::vector<double> InMs(const std::vector<double>& ns) {
  std::vector<double> ms;
  ms.reserve(ns.size());
  for (double value : ns) ms.push_back(value / kNsPerMs);
  return ms;
}

std::string Section(const Options& options) {
  std::string section = options.setName + " set, " + QGuiApplication::platformName().toStdString();
  if (options.mode == "exposure")
    section += ", exposure " + std::to_string(options.exposureMs) + " ms";
  return section;
}

void RunPress(const Options& options, bench::RowSink& sink) {
  // Default run parameters with an exposure the presses always beat.
  Session session({"100000", "0.1", "0.3", "0"});
  int trials = session.TotalTrials();
  if (options.trials > 0 && options.trials < trials) trials = options.trials;
  const bool withDjpeg = bench::ProgramExists(options.djpeg);
  const QSize deviceSize = session.area->Prepared().isNull()
                               ? session.area->size() * session.area->devicePixelRatioF()
                               : session.area->Prepared().size();
  bench::JpegFiles jpegFiles(benchImages, session.work.path.string());

  std::vector<double> monoBias, wallBias, total, paint, djpeg, handed, shown, markCost;
  std::vector<double> copy, decipher, header, decode, scaling, entropy, fullDecode, appends;
  std::vector<double> toHandler, toAhead, handOut, prepare, rowToSet, workerToSet;
  int scale = 0;
  // A results file of the bench's own beside the run's, for the row's append timed apart.
  results::ResultsFile rowFile = results::MakeResultsPath(
      session.system, results::ResultsPlace{session.system.ExecutablePath() + "-rows/", false},
      "bench", "bench");
  for (int trial = 1; trial <= trials; ++trial) {
    int64_t pressedAt = 0;
    session.PressForNextImage(pressedAt);
    const auto& record = session.events->Record();
    const PaintStamp painted = FirstPaint();
    const int64_t offset = bench::RealtimeOffsetNs();
    monoBias.push_back(static_cast<double>(painted.endNs - record.ShownAtNs));
    wallBias.push_back(bench::NsAfterTimeStamp(record.ShownAt, painted.endNs + offset));
    total.push_back(static_cast<double>(painted.endNs - pressedAt));
    paint.push_back(static_cast<double>(painted.endNs - painted.startNs));
    handed.push_back(static_cast<double>(session.form->setAt - pressedAt));
    shown.push_back(static_cast<double>(painted.endNs - session.form->setAt));
    markCost.push_back(static_cast<double>(session.form->displayWaitNs));
    if (press.aheadAsked != 0 && press.workerEnd != 0 && press.rowStart != 0) {
      toHandler.push_back(static_cast<double>(press.handler - pressedAt));
      toAhead.push_back(static_cast<double>(press.aheadAsked - press.handler));
      handOut.push_back(static_cast<double>(press.workerStart - press.aheadAsked));
      prepare.push_back(static_cast<double>(press.workerEnd - press.workerStart));
      rowToSet.push_back(static_cast<double>(session.form->setAt - press.rowStart));
      workerToSet.push_back(static_cast<double>(session.form->setAt - press.workerEnd));
    }
    const std::string name = session.events->Loader().lastName;
    session.Rate();

    const Parts parts = TimeParts(name, deviceSize);
    copy.push_back(parts.copy);
    decipher.push_back(parts.decipher);
    header.push_back(parts.header);
    decode.push_back(parts.decode);
    scaling.push_back(parts.scaling);
    entropy.push_back(parts.entropy);
    fullDecode.push_back(parts.fullDecode);
    const int64_t rowAt = MonotonicNanoseconds();
    results::AppendTrialRow(session.system, rowFile,
                            results::TrialRow{"bench", trial, "neg\tc (1).ccc", 3, 512});
    appends.push_back(static_cast<double>(MonotonicNanoseconds() - rowAt));
    if (scale == 0) {
      scale = experiment::DecodeScaleFor(*imagestore::TResourceManager(benchImages).LoadImage(name),
                                         deviceSize.width(), deviceSize.height());
    }
    if (withDjpeg) {
      const std::string& file = jpegFiles.FileOf(name);
      const bench::ChildRun run =
          bench::RunChild({options.djpeg, "-outfile", "/dev/null", file}, false);
      if (!run.started || run.exitCode != 0) throw std::runtime_error("djpeg failed on " + file);
      djpeg.push_back(static_cast<double>(run.endNs - run.startNs));
    }
  }

  const std::string section = Section(options);
  const auto biasRow = [&](const std::string& figure, const std::vector<double>& ns) {
    const Summary ms = Summarize(InMs(ns));
    Row row = bench::MillisecondsRow(section, figure, ms);
    row.target = "median <= 2 ms, p99 <= 5 ms";
    row.verdict = bench::Verdict(ms.median <= 2.0 && ms.p99 <= 5.0);
    sink.Add(row);
  };
  biasRow("Onset bias: latency mark ShownAtNs to end of image paint (" + std::to_string(trials) +
              " trials)",
          monoBias);
  biasRow("Onset bias: ShownAt (wall clock, whole ms) to end of image paint", wallBias);
  sink.Add(bench::MillisecondsRow(
      section, "  onset mark's cost: wait until the display server has the picture (round trip)",
      Summarize(InMs(markCost))));
  // The program's own check of the server's input times, made when its window was first shown.
  Row inputTimes;
  inputTimes.section = section;
  switch (session.form->DisplayServer().Check()) {
    case app::TDisplayServer::ClockCheck::Monotonic:
      inputTimes.figure = "Rating times: the input events' own (X server stamps checked monotonic)";
      break;
    case app::TDisplayServer::ClockCheck::OtherClock:
      inputTimes.figure =
          "Rating times: the handler's (X server stamps NOT on the monotonic clock)";
      break;
    case app::TDisplayServer::ClockCheck::Pending:
      inputTimes.figure = "Rating times: the handler's (the X server's clock check never answered)";
      break;
    case app::TDisplayServer::ClockCheck::NoServer:
      inputTimes.figure = "Rating times: the handler's (no X server)";
      break;
  }
  sink.Add(inputTimes);

  const Summary totalMs = Summarize(InMs(total));
  sink.Add(bench::MillisecondsRow(section, "Press of Next to end of image paint", totalMs));
  sink.Add(bench::MillisecondsRow(
      section,
      "  in line: press to picture handed to the window (row written, picture made beside it)",
      Summarize(InMs(handed))));
  sink.Add(bench::MillisecondsRow(section,
                                  "  in line: picture handed to the window to end of its paint",
                                  Summarize(InMs(shown))));
  const Summary copyMs = Summarize(InMs(copy));
  const Summary decipherMs = Summarize(InMs(decipher));
  const Summary headerMs = Summarize(InMs(header));
  const Summary decodeMs = Summarize(InMs(decode));
  const Summary scalingMs = Summarize(InMs(scaling));
  const Summary paintMs = Summarize(InMs(paint));
  sink.Add(bench::MillisecondsRow(section, "  part, timed apart: resource copy", copyMs));
  sink.Add(bench::MillisecondsRow(section, "  part, timed apart: decipher (RC4)", decipherMs));
  sink.Add(bench::MillisecondsRow(section, "  part, timed apart: JPEG header", headerMs));
  sink.Add(bench::MillisecondsRow(
      section, "  part, timed apart: decode at scale 1/" + std::to_string(scale), decodeMs));
  sink.Add(bench::MillisecondsRow(section, "  part, timed apart: smooth scaling to the area",
                                  scalingMs));
  sink.Add(bench::MillisecondsRow(section, "  part, timed apart: paint of the area", paintMs));
  sink.Add(bench::MillisecondsRow(section,
                                  "  part, timed apart: the results row appended and flushed to "
                                  "disk (beside the run's file)",
                                  Summarize(InMs(appends))));
  sink.Add(bench::MillisecondsRow(section,
                                  "  for comparison: decode at full size, as without the reduced "
                                  "scale",
                                  Summarize(InMs(fullDecode))));
  sink.Add(bench::MillisecondsRow(section,
                                  "  press, in line: click to the controller's handler (the "
                                  "button's own paints)",
                                  Summarize(InMs(toHandler))));
  sink.Add(bench::MillisecondsRow(section, "  press, in line: handler to the worker being started",
                                  Summarize(InMs(toAhead))));
  sink.Add(bench::MillisecondsRow(section,
                                  "  press, in line: worker started to its first step (hand-off)",
                                  Summarize(InMs(handOut))));
  sink.Add(bench::MillisecondsRow(section, "  press, in line: worker's decode and scaling",
                                  Summarize(InMs(prepare))));
  sink.Add(bench::MillisecondsRow(section,
                                  "  press, in line: row's append begun to picture handed to "
                                  "the window",
                                  Summarize(InMs(rowToSet))));
  sink.Add(bench::MillisecondsRow(section,
                                  "  press, in line: worker's end to picture handed to the "
                                  "window (waiting for the row, or the hand-back)",
                                  Summarize(InMs(workerToSet))));
  Row rest;
  rest.section = section;
  rest.figure = "  rest: press to picture less the parts (below 0: parts made beside the row)";
  rest.median = Number(totalMs.median - copyMs.median - decipherMs.median - headerMs.median -
                           decodeMs.median - scalingMs.median - paintMs.median,
                       2, "ms");
  sink.Add(rest);
  sink.Add(bench::MillisecondsRow(
      section, "  bound: decode at 1/8, nearly all of it reading the entropy-coded data",
      Summarize(InMs(entropy))));

  if (withDjpeg) {
    const Summary djpegMs = Summarize(InMs(djpeg));
    sink.Add(bench::MillisecondsRow(
        section, "djpeg, same files, full size to /dev/null, as a process", djpegMs));
    Row ratio;
    ratio.section = section;
    ratio.figure = "Ratio press-to-picture / djpeg (medians)";
    const double value = totalMs.median / djpegMs.median;
    ratio.median = Number(value, 2);
    ratio.target = "<= 0.6";
    ratio.verdict = bench::Verdict(value <= 0.6);
    sink.Add(ratio);
    // What no faster decoding could beat: loading (copy, decipher, header), reading the
    // entropy-coded data and the scaling, with no IDCT, colour conversion, paint or handler.
    Row floor;
    floor.section = section;
    floor.figure = "  floor of that ratio: load, entropy decoding and scaling alone / djpeg";
    floor.median = Number((copyMs.median + decipherMs.median + headerMs.median +
                           Summarize(InMs(entropy)).median + scalingMs.median) /
                              djpegMs.median,
                          2);
    sink.Add(floor);
  } else {
    Row missing;
    missing.section = section;
    missing.figure = "djpeg not found: no ratio";
    sink.Add(missing);
  }
}

void RunExposure(const Options& options, bench::RowSink& sink) {
  Session session({std::to_string(options.exposureMs), "0", "0", "0"});
  int trials = session.TotalTrials();
  if (options.trials > 0 && options.trials < trials) trials = options.trials;
  const double exposureNs = options.exposureMs * kNsPerMs;

  std::vector<double> error, imagePaint, blankPaint, lateness, toPaint;
  // The trial with the largest error and what happened in it.
  double worstError = -1;
  int worstTrial = 0;
  std::string worstEvents;
  QEventLoop loop;
  for (int trial = 1; trial <= trials; ++trial) {
    int64_t pressedAt = 0;
    trialEvents.clear();
    session.PressForNextImage(pressedAt);
    const PaintStamp image = FirstPaint();
    const int64_t shownAtNs = session.events->Record().ShownAtNs;
    trialEvents.emplace_back("onset marked", shownAtNs);
    trialEvents.emplace_back("timer due", session.form->Timer1().DueNanoseconds());

    // The exposure runs in an ordinary event loop, left once the blank picture has been set.
    session.form->onBlank = [&loop] { loop.quit(); };
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(options.exposureMs + 5000);
    loop.exec();
    session.form->onBlank = nullptr;
    if (!session.form->blankSet) throw std::runtime_error("the exposure did not end");
    const int64_t blankSetAt = session.form->setAt;
    if (!SpinUntil([] { return FirstPaint().endNs != 0; }, 5000)) {
      throw std::runtime_error("the blank picture was never painted");
    }
    const PaintStamp blank = FirstPaint();
    error.push_back(static_cast<double>(blank.endNs - image.endNs) - exposureNs);
    toPaint.push_back(static_cast<double>(blank.endNs - blankSetAt));
    imagePaint.push_back(static_cast<double>(image.endNs - image.startNs));
    blankPaint.push_back(static_cast<double>(blank.endNs - blank.startNs));
    lateness.push_back(static_cast<double>(blankSetAt - shownAtNs) - exposureNs);
    if (std::fabs(error.back()) > worstError) {
      worstError = std::fabs(error.back());
      worstTrial = trial;
      std::stable_sort(trialEvents.begin(), trialEvents.end(),
                       [](const auto& a, const auto& b) { return a.second < b.second; });
      worstEvents.clear();
      for (const auto& [what, at] : trialEvents) {
        // Near the end of the exposure: what the blank's paint waited for.
        if (at < image.endNs + static_cast<int64_t>(exposureNs) - 30'000'000) continue;
        worstEvents += (worstEvents.empty() ? "" : ", ") + what + " " +
                       Number(static_cast<double>(at - image.endNs) / kNsPerMs, 2);
      }
    }
    session.Rate();
  }

  const std::string section = Section(options);
  const std::vector<double> errorMs = InMs(error);
  const Summary magnitude = Summarize(bench::Magnitudes(errorMs));
  const double median = bench::Median(errorMs);
  Row row;
  row.section = section;
  row.figure = "Exposure error: image paint to blank paint less " +
               std::to_string(options.exposureMs) + " ms (" + std::to_string(trials) +
               " trials; median signed, p99/max of |error|)";
  row.median = Number(median, 2, "ms");
  row.p99 = Number(magnitude.p99, 2, "ms");
  row.max = Number(magnitude.max, 2, "ms");
  row.target = "median within +-1 ms, all within +-3 ms";
  row.verdict = bench::Verdict(std::fabs(median) <= 1.0 && magnitude.max <= 3.0);
  sink.Add(row);
  sink.Add(bench::MillisecondsRow(section, "  timer expiry after ShownAtNs + exposure",
                                  Summarize(InMs(lateness))));
  const Summary imageMs = Summarize(InMs(imagePaint));
  const Summary blankMs = Summarize(InMs(blankPaint));
  sink.Add(bench::MillisecondsRow(section, "  paint of the image", imageMs));
  Row blankRow = bench::MillisecondsRow(section, "  paint of the blank picture", blankMs);
  blankRow.target = "about the image's paint";
  blankRow.verdict = bench::Verdict(std::fabs(blankMs.median - imageMs.median) <= 0.5);
  sink.Add(blankRow);
  sink.Add(bench::MillisecondsRow(section, "  blank picture: timer event to end of its paint",
                                  Summarize(InMs(toPaint))));
  Row worst;
  worst.section = section;
  worst.figure = "  largest error: trial " + std::to_string(worstTrial) + ", " +
                 Number(error.empty() ? 0 : worstError / kNsPerMs, 2, "ms") +
                 "; its last 30 ms, in ms after the image's paint ended: " + worstEvents;
  sink.Add(worst);
}

int Usage() {
  std::fprintf(stderr,
               "usage: talvex_timing_bench [--mode press|exposure] [--exposure MS] [--set NAME]\n"
               "       [--pack FILE] [--trials N] [--rows FILE] [--djpeg PATH] [--smoke]\n");
  return 2;
}

bool ParseOptions(const QStringList& arguments, Options& options) {
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    const auto value = [&](std::string& out) {
      if (i + 1 >= arguments.size()) return false;
      out = arguments[++i].toStdString();
      return true;
    };
    std::string text;
    if (argument == "--smoke") {
      options.smoke = true;
    } else if (argument == "--mode") {
      if (!value(options.mode) || (options.mode != "press" && options.mode != "exposure")) {
        return false;
      }
    } else if (argument == "--set") {
      if (!value(options.setName)) return false;
    } else if (argument == "--pack") {
      if (!value(options.packPath)) return false;
    } else if (argument == "--rows") {
      if (!value(options.rowsPath)) return false;
    } else if (argument == "--djpeg") {
      if (!value(options.djpeg)) return false;
    } else if (argument == "--exposure" || argument == "--trials") {
      if (!value(text)) return false;
      const int number = std::atoi(text.c_str());
      if (number <= 0) return false;
      (argument == "--exposure" ? options.exposureMs : options.trials) = number;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  BenchApplication application(argc, argv);
  benchApplication = &application;
  Options options;
  if (!ParseOptions(QCoreApplication::arguments(), options)) return Usage();
  if (options.smoke) {
    options.trials = 2;
    if (options.mode == "exposure") options.exposureMs = 50;
  }
  try {
    std::unique_ptr<platform::MappedFile> pack;
    if (!options.packPath.empty()) {
      pack = std::make_unique<platform::MappedFile>(options.packPath);
      if (pack->Failed()) throw std::runtime_error("cannot map " + options.packPath);
      benchImages =
          imagestore::ImageSource::InMemory(imagestore::ByteSpan{pack->Data(), pack->Size()});
    }
    bench::RowSink sink(options.rowsPath);
    if (options.mode == "press") {
      RunPress(options, sink);
    } else {
      RunExposure(options, sink);
    }
    if (!sink.Write()) throw std::runtime_error("cannot write " + options.rowsPath);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "talvex_timing_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
