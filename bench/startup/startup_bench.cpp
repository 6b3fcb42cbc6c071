// talvex_startup_bench: start-up time and memory of the program against minimal Qt Widgets
// programs with one window of the same size: one showing a line of text in the main window's
// font (the floor: any window with text pays for its font), and one empty. The probes run in
// turn, each timed from just before its process is created to the end of its window's first
// paint.
//   --runs N       runs of each probe (after one warm-up run of each that is not counted)
//   --pack FILE    the program's image set from an image pack mapped at run time
//   --section S    the section name of the rows;  --rows FILE  where the rows go
//   --smoke        one counted run of each

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench_stats.h"
#include "bench_table.h"
#include "child_process.h"

namespace {

using namespace talvex::bench;

struct ProbeRun {
  double startupMs = 0;
  double rssKb = 0;
  double hwmKb = 0;
  int width = 0;
  int height = 0;
  // The steps the probe marked, each with its time from the end of the one before (the first
  // from the process's start), and the first paint from the last mark.
  std::vector<std::pair<std::string, double>> stepsMs;
};

ProbeRun RunProbe(const std::vector<std::string>& argv) {
  const ChildRun run = RunChild(argv, true);
  if (!run.started) throw std::runtime_error("cannot start " + argv[0]);
  std::istringstream line(run.output);
  std::string key;
  long long paintedAt = 0;
  ProbeRun probe;
  long rss = 0;
  long hwm = 0;
  line >> key >> paintedAt;
  if (key != "first-paint-ns") {
    throw std::runtime_error(argv[0] + " ended (" + std::to_string(run.exitCode) +
                             ") without reporting its first paint");
  }
  line >> key >> rss >> key >> hwm >> key >> probe.width >> key >> probe.height;
  if (run.exitCode != 0) throw std::runtime_error(argv[0] + " failed");
  probe.startupMs = static_cast<double>(paintedAt - run.startNs) / 1e6;
  long long previous = run.startNs;
  long long at = 0;
  while (line >> key >> at) {
    for (char& c : key) c = c == '_' ? ' ' : c;
    probe.stepsMs.emplace_back(key, static_cast<double>(at - previous) / 1e6);
    previous = at;
  }
  probe.stepsMs.emplace_back("shown and first painted",
                             static_cast<double>(paintedAt - previous) / 1e6);
  probe.rssKb = static_cast<double>(rss);
  probe.hwmKb = static_cast<double>(hwm);
  return probe;
}

std::vector<double> Field(const std::vector<ProbeRun>& runs, double ProbeRun::*field) {
  std::vector<double> values;
  for (const ProbeRun& run : runs) values.push_back(run.*field);
  return values;
}

Row MegabytesRow(const std::string& section, const std::string& figure,
                 const std::vector<double>& kilobytes) {
  const Summary summary = Summarize(kilobytes);
  Row row;
  row.section = section;
  row.figure = figure;
  row.median = Number(summary.median / 1024.0, 1, "MB");
  row.p99 = Number(summary.p99 / 1024.0, 1, "MB");
  row.max = Number(summary.max / 1024.0, 1, "MB");
  return row;
}

int Usage() {
  std::fprintf(stderr,
               "usage: talvex_startup_bench [--runs N] [--pack FILE] [--section S] [--rows FILE]\n"
               "       [--real PROBE] [--empty PROBE] [--text PROBE] [--smoke]\n");
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  int runs = 15;
  std::string pack;
  std::string section = "start-up";
  std::string rowsPath;
  std::string real = TALVEX_STARTUP_PROBE;
  std::string empty = TALVEX_EMPTY_WINDOW_PROBE;
  std::string text = TALVEX_TEXT_WINDOW_PROBE;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--smoke") {
      runs = 1;
    } else if (option == "--runs" && hasValue) {
      runs = std::atoi(argv[++i]);
      if (runs <= 0) return Usage();
    } else if (option == "--pack" && hasValue) {
      pack = argv[++i];
    } else if (option == "--section" && hasValue) {
      section = argv[++i];
    } else if (option == "--rows" && hasValue) {
      rowsPath = argv[++i];
    } else if (option == "--real" && hasValue) {
      real = argv[++i];
    } else if (option == "--empty" && hasValue) {
      empty = argv[++i];
    } else if (option == "--text" && hasValue) {
      text = argv[++i];
    } else {
      return Usage();
    }
  }

  try {
    std::vector<std::string> realArgs = {real};
    if (!pack.empty()) realArgs.insert(realArgs.end(), {"--pack", pack});
    // The warm-up runs fill the page cache and give the main window's size.
    const ProbeRun warm = RunProbe(realArgs);
    const std::string size = std::to_string(warm.width) + "x" + std::to_string(warm.height);
    const std::vector<std::string> emptyArgs = {empty, "--size", size};
    const std::vector<std::string> textArgs = {text, "--size", size};
    RunProbe(emptyArgs);
    RunProbe(textArgs);

    std::vector<ProbeRun> realRuns;
    std::vector<ProbeRun> emptyRuns;
    std::vector<ProbeRun> textRuns;
    for (int i = 0; i < runs; ++i) {
      realRuns.push_back(RunProbe(realArgs));
      textRuns.push_back(RunProbe(textArgs));
      emptyRuns.push_back(RunProbe(emptyArgs));
    }

    RowSink sink(rowsPath);
    const Summary realMs = Summarize(Field(realRuns, &ProbeRun::startupMs));
    const Summary textMs = Summarize(Field(textRuns, &ProbeRun::startupMs));
    const Summary emptyMs = Summarize(Field(emptyRuns, &ProbeRun::startupMs));
    sink.Add(MillisecondsRow(
        section,
        "Process start to first paint of the main window (" + std::to_string(runs) + " runs)",
        realMs));
    sink.Add(MillisecondsRow(
        section, "  minimal Qt program, one line of text in the window font, run in turn", textMs));
    sink.Add(
        MillisecondsRow(section, "  minimal Qt program, one empty " + size + " window", emptyMs));
    // Where the program's start-up time goes: the median of each step it marked.
    for (size_t step = 0; step < realRuns.front().stepsMs.size(); ++step) {
      std::vector<double> times;
      for (const ProbeRun& run : realRuns) {
        if (step < run.stepsMs.size()) times.push_back(run.stepsMs[step].second);
      }
      sink.Add(MillisecondsRow(section, "    step: " + realRuns.front().stepsMs[step].first,
                               Summarize(times)));
    }
    Row ratio;
    ratio.section = section;
    ratio.figure = "  ratio of the medians, to the program with text";
    ratio.median = Number(realMs.median / textMs.median, 2);
    ratio.target = "<= 1.25";
    ratio.verdict = Verdict(realMs.median / textMs.median <= 1.25);
    sink.Add(ratio);
    Row emptyRatio;
    emptyRatio.section = section;
    emptyRatio.figure = "  ratio of the medians, to the empty window";
    emptyRatio.median = Number(realMs.median / emptyMs.median, 2);
    sink.Add(emptyRatio);

    const std::vector<double> realRss = Field(realRuns, &ProbeRun::rssKb);
    const std::vector<double> textRss = Field(textRuns, &ProbeRun::rssKb);
    sink.Add(MegabytesRow(section, "Resident memory at first paint (VmRSS)", realRss));
    sink.Add(MegabytesRow(section, "  minimal Qt program with text", textRss));
    sink.Add(MegabytesRow(section, "  minimal Qt program, empty window",
                          Field(emptyRuns, &ProbeRun::rssKb)));
    const double extraMb = (Median(realRss) - Median(textRss)) / 1024.0;
    Row extra;
    extra.section = section;
    extra.figure = "  more than the minimal program with text (medians)";
    extra.median = Number(extraMb, 1, "MB");
    extra.target = "<= 15 MB";
    extra.verdict = Verdict(extraMb <= 15.0);
    sink.Add(extra);
    Row peak;
    peak.section = section;
    peak.figure = "  peak (VmHWM), more than the minimal program with text (medians)";
    peak.median = Number(
        (Median(Field(realRuns, &ProbeRun::hwmKb)) - Median(Field(textRuns, &ProbeRun::hwmKb))) /
            1024.0,
        1, "MB");
    sink.Add(peak);
    if (!sink.Write()) throw std::runtime_error("cannot write " + rowsPath);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "talvex_startup_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
