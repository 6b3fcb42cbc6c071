// talvex_report_bench: talvex-report over generated folders of raters' results files, 126 rows
// each as a default run writes them, against cat reading the same files as a floor. Each count
// of files is timed as a process from just before it is started to after it has ended, after
// one warm-up run that brings the files into the page cache.
//   --files N,N...   counts of files (default 1000,10000)
//   --runs R         timed runs of each (default 3)
//   --tool PATH      the talvex-report program (default: the one built with this benchmark)
//   --rows FILE      where the table rows go;  --smoke  200 files, one run, no target, and
//                    a short bootstrap (the sanitizer build resamples slowly)

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_stats.h"
#include "bench_table.h"
#include "child_process.h"

namespace {

namespace fs = std::filesystem;
using namespace talvex::bench;

constexpr const char* kSection = "talvex-report over raters' files of 126 rows";
constexpr double kTargetMs = 10000.0;  // 10,000 files
constexpr double kLinearSlack = 1.25;  // growth within a quarter of linear counts as linear
constexpr const char* kSmokeResamples = "100";

// A small deterministic generator, so that every run reads the same files.
struct Lcg {
  uint64_t state;
  uint32_t Below(uint32_t n) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>((state >> 33) % n);
  }
};

// One rater's results file of a default run: 20 positive and 80 negative images, 2 and 24 of
// them shown twice, in a shuffled order; ratings that lean to the truth.
std::string RaterFile(int rater) {
  Lcg random{static_cast<uint64_t>(rater) * 7919u + 17u};
  std::vector<std::pair<bool, int>> trials;
  for (int k = 0; k < 20; ++k) trials.push_back({true, k});
  for (int k = 0; k < 80; ++k) trials.push_back({false, k});
  // The repeats: distinct images of each class, as a run draws them (a partial shuffle).
  const auto repeat = [&](bool positive, uint32_t count, uint32_t of) {
    std::vector<int> images;
    for (uint32_t k = 0; k < of; ++k) images.push_back(static_cast<int>(k));
    for (uint32_t k = 0; k < count; ++k) {
      std::swap(images[k], images[k + random.Below(of - k)]);
      trials.push_back({positive, images[k]});
    }
  };
  repeat(true, 2, 20);
  repeat(false, 24, 80);
  for (size_t k = trials.size() - 1; k > 0; --k) {
    std::swap(trials[k], trials[random.Below(static_cast<uint32_t>(k + 1))]);
  }
  const std::string id = "r" + std::to_string(100000 + rater).substr(1);
  std::string text =
      "10000 0.1 0.3 1 (by default)\r\nname\tdate\ttime\tn\tstatus\timgname\tresponse\tlatency\r\n";
  int n = 0;
  for (const auto& [positive, image] : trials) {
    ++n;
    const int lean = static_cast<int>(random.Below(5));
    const int rating = positive ? (lean == 0 ? 2 : 3 + lean % 3) : (lean == 0 ? 4 : 1 + lean % 3);
    const std::string time =
        "14:" + std::to_string(10 + n / 60) + ":" + std::to_string(10 + n % 50);
    text += id + "\t07/12/2026\t" + time + "\t" + std::to_string(n) + "\t" +
            (positive ? "pos\tg (" : "neg\tc (") + std::to_string(image) + ").ccc\t" +
            std::to_string(rating) + "\t" + std::to_string(600 + random.Below(3000)) + "\r\n";
  }
  return text;
}

std::vector<std::string> WriteFiles(const fs::path& folder, int count) {
  fs::create_directories(folder);
  std::vector<std::string> paths;
  for (int rater = 0; rater < count; ++rater) {
    const fs::path path = folder / (std::to_string(rater) + ".xls");
    std::ofstream out(path, std::ios::binary);
    const std::string text = RaterFile(rater);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
    paths.push_back(path.string());
  }
  return paths;
}

// Median and spread of a command's run time in ms, after one untimed warm-up run.
Summary TimeCommand(const std::vector<std::string>& argv, int runs) {
  std::vector<double> ms;
  for (int k = 0; k <= runs; ++k) {
    const ChildRun run = RunChild(argv, false);
    if (!run.started || run.exitCode != 0) throw std::runtime_error(argv[0] + " failed");
    if (k > 0) ms.push_back(static_cast<double>(run.endNs - run.startNs) / 1e6);
  }
  return Summarize(ms);
}

std::string Count(int files) {
  std::string digits = std::to_string(files);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<size_t>(at), ",");
  }
  return digits;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> counts = {1000, 10000};
  int runs = 3;
  std::string tool = TALVEX_REPORT_TOOL;
  std::string rowsPath;
  bool smoke = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--files" && hasValue) {
      counts.clear();
      for (const char* at = argv[++i]; *at != '\0';) {
        char* end = nullptr;
        counts.push_back(static_cast<int>(std::strtol(at, &end, 10)));
        at = *end == ',' ? end + 1 : end;
      }
    } else if (argument == "--runs" && hasValue) {
      runs = std::atoi(argv[++i]);
    } else if (argument == "--tool" && hasValue) {
      tool = argv[++i];
    } else if (argument == "--rows" && hasValue) {
      rowsPath = argv[++i];
    } else if (argument == "--smoke") {
      smoke = true;
      counts = {200};
      runs = 1;
    } else {
      std::fprintf(stderr,
                   "usage: talvex_report_bench [--files N,N] [--runs R] [--tool PATH] "
                   "[--rows FILE] [--smoke]\n");
      return 2;
    }
  }

  std::string pattern = (fs::temp_directory_path() / "talvex-report-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path work = pattern;
  RowSink rows(rowsPath);
  int status = 0;
  try {
    std::vector<std::pair<int, double>> medians;
    for (const int count : counts) {
      const fs::path folder = work / ("files-" + std::to_string(count));
      std::vector<std::string> cat{"cat"};
      for (const std::string& path : WriteFiles(folder, count)) cat.push_back(path);
      const Summary floor = TimeCommand(cat, runs);
      std::vector<std::string> terminalCommand{tool, folder.string()};
      std::vector<std::string> outCommand{tool, "--out", (work / "out").string(), folder.string()};
      if (smoke) {
        for (auto* command : {&terminalCommand, &outCommand}) {
          command->insert(command->begin() + 1, {"--resamples", kSmokeResamples});
        }
      }
      const Summary terminal = TimeCommand(terminalCommand, runs);
      const Summary whole = TimeCommand(outCommand, runs);
      const std::string files = Count(count) + " files";
      rows.Add(MillisecondsRow(kSection, files + ": cat (floor)", floor));
      rows.Add(MillisecondsRow(kSection, files + ": report to the terminal", terminal));
      Row row = MillisecondsRow(kSection, files + ": report with --out", whole);
      if (count == 10000 && !smoke) {
        row.target = "< " + Number(kTargetMs, 0, "ms");
        row.verdict = Verdict(whole.median < kTargetMs);
      }
      rows.Add(row);
      medians.emplace_back(count, whole.median);
    }
    // Growth from the smallest count to the largest against the growth of the count.
    if (medians.size() >= 2) {
      const auto& [small, smallMs] = medians.front();
      const auto& [large, largeMs] = medians.back();
      const double factor = static_cast<double>(large) / small;
      Row growth;
      growth.section = kSection;
      growth.figure = "growth " + Count(small) + " to " + Count(large) + " files, with --out";
      growth.median = Number(largeMs / smallMs, 2, "x");
      growth.p99 = "-";
      growth.max = "-";
      growth.target = "<= " + Number(factor * kLinearSlack, 1, "x") + " (linear)";
      growth.verdict = Verdict(largeMs / smallMs <= factor * kLinearSlack);
      rows.Add(growth);
    }
    if (!rows.Write()) throw std::runtime_error("cannot write the rows to " + rowsPath);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "talvex_report_bench: %s\n", error.what());
    status = 1;
  }
  std::error_code ignored;
  fs::remove_all(work, ignored);
  return status;
}
