// talvex-report [options] PATH...: the study team's analysis of many raters' results files.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "talvex/analysis/outputs.h"
#include "talvex/analysis/report.h"
#include "talvex/analysis/study.h"
#include "talvex/platform/file.h"
#include "talvex/platform/tool_io.h"

namespace {

namespace analysis = talvex::analysis;
namespace fs = std::filesystem;

constexpr int kExitNothing = 1;  // nothing analysed, or the files of --out not written
constexpr int kExitUsage = 2;
constexpr const char* kDefaultTest = "all";
constexpr unsigned long long kMaxResamples = 1000000;

void PrintUsage(std::FILE* to) {
  std::fputs(
      "Usage: talvex-report [options] PATH...\n"
      "Analyses results files, sealed .enc files and folders of them (searched recursively).\n"
      "  --out DIR              write report.html, CSV tables and study.imrmc into DIR\n"
      "  --include-incomplete   take incomplete runs into the across-rater figures\n"
      "  --positive-from N      a rating of N or more calls a case positive (2..5, default 4)\n"
      "  --test NAME=PATH       PATH and the paths after it belong to test NAME\n"
      "  --partial-area A-B     partial ROC area over specificity A to B (default 0.8-1)\n"
      "  --at-specificity X     sensitivity at specificity X (default 0.9)\n"
      "  --at-sensitivity X     specificity at sensitivity X (default 0.9)\n"
      "  --resamples N          bootstrap resamples for their intervals (default 2000, 0: none)\n"
      "  --seed N               the bootstrap's seed (default 20240229)\n"
      "  --effect-size D        difference in mean ROC area the planned study should find\n"
      "                         (default 0.05)\n",
      to);
}

// Text for the terminal: UTF-8, which a Windows console gets as UTF-16 (tool_io.h); flushed,
// so that what goes to stdout and to stderr keeps its order.
void Print(std::FILE* to, const std::string& text) {
  talvex::platform::WriteText(to, text);
  std::fflush(to);
}

int UsageError(const std::string& message) {
  Print(stderr, "talvex-report: " + message + "\n");
  PrintUsage(stderr);
  return kExitUsage;
}

// A decimal number from lo to hi filling the whole text.
bool ParseNumber(const char* text, double lo, double hi, double& value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  value = std::strtod(text, &end);
  return *end == '\0' && value >= lo && value <= hi;
}

bool ParseCount(const char* text, unsigned long long hi, unsigned long long& value) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text, &end, 10);
  return *end == '\0' && errno == 0 && value <= hi;
}

// Writes a file whole under a new temporary name of its own beside it (made exclusively, so a
// link or file planted there is never written through) and renames it into place; on failure
// the temporary file is removed and the reason returned.
talvex::platform::FileStatus WriteFile(const std::string& path, const std::string& content) {
  namespace platform = talvex::platform;
  std::string temporary;
  platform::File file;
  platform::FileStatus status = file.CreateBeside(path, temporary);
  if (!status.Ok()) return status;
  status = file.WriteAll(content.data(), content.size());
  if (status.Ok()) status = file.Close();
  if (status.Ok()) status = platform::RenameFile(temporary, path, platform::Existing::kReplace);
  if (!status.Ok()) {
    file.Close();
    platform::RemoveFile(temporary);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Names beyond ASCII: on Windows from the UTF-16 command line, not the ANSI code page.
  const std::vector<std::string> args = talvex::platform::ToolArguments(argc, argv);
  analysis::Options options;
  std::string outputFolder;
  std::vector<analysis::InputPath> inputs;
  std::string test = kDefaultTest;
  bool named = false;
  bool flags = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& argument = args[i];
    // The value after an option; null when there is none.
    const auto value = [&]() -> const char* {
      return i + 1 < args.size() && !args[i + 1].empty() ? args[++i].c_str() : nullptr;
    };
    if (flags && argument == "--") {
      flags = false;
    } else if (flags && (argument == "-h" || argument == "--help")) {
      PrintUsage(stdout);
      return 0;
    } else if (flags && argument == "--out") {
      const char* folder = value();
      if (folder == nullptr) return UsageError("--out needs a folder");
      outputFolder = folder;
    } else if (flags && argument == "--include-incomplete") {
      options.includeIncomplete = true;
    } else if (flags && argument == "--positive-from") {
      const char* text = value();
      if (text == nullptr || std::strlen(text) != 1 || text[0] < '2' || text[0] > '5') {
        return UsageError("--positive-from needs a rating from 2 to 5");
      }
      options.positiveFrom = text[0] - '0';
    } else if (flags && argument == "--test") {
      const char* text = value();
      const char* equals = text ? std::strchr(text, '=') : nullptr;
      if (equals == nullptr || equals == text || equals[1] == '\0') {
        return UsageError("--test needs NAME=PATH");
      }
      if (!named && !inputs.empty()) {
        return UsageError("paths before the first --test belong to no test");
      }
      named = true;
      test.assign(text, equals);
      inputs.push_back({test, equals + 1});
    } else if (flags && argument == "--partial-area") {
      const char* text = value();
      const char* dash = text ? std::strchr(text, '-') : nullptr;
      double from = 0.0;
      double to = 0.0;
      if (dash == nullptr || !ParseNumber(std::string(text, dash).c_str(), 0.0, 1.0, from) ||
          !ParseNumber(dash + 1, 0.0, 1.0, to) || !(from < to)) {
        return UsageError("--partial-area needs two specificities A-B, 0 <= A < B <= 1");
      }
      options.operating.specificityFrom = from;
      options.operating.specificityTo = to;
    } else if (flags && (argument == "--at-specificity" || argument == "--at-sensitivity")) {
      double x = 0.0;
      if (!ParseNumber(value(), 0.0, 1.0, x)) {
        return UsageError(argument + " needs a fraction from 0 to 1");
      }
      (argument == "--at-specificity" ? options.operating.atSpecificity
                                      : options.operating.atSensitivity) = x;
    } else if (flags && argument == "--resamples") {
      unsigned long long count = 0;
      if (!ParseCount(value(), kMaxResamples, count)) {
        return UsageError("--resamples needs a count from 0 to " + std::to_string(kMaxResamples));
      }
      options.operating.resamples = static_cast<int>(count);
    } else if (flags && argument == "--seed") {
      unsigned long long seed = 0;
      if (!ParseCount(value(), ~0ull, seed)) return UsageError("--seed needs a whole number");
      options.operating.seed = seed;
    } else if (flags && argument == "--effect-size") {
      double effect = 0.0;
      if (!ParseNumber(value(), 0.0, 1.0, effect) || !(effect > 0.0)) {
        return UsageError("--effect-size needs a difference in area above 0 and up to 1");
      }
      options.effectSize = effect;
    } else if (flags && argument.size() > 1 && argument[0] == '-') {
      return UsageError("unknown option " + argument);
    } else {
      inputs.push_back({test, argument});
    }
  }
  if (inputs.empty()) return UsageError("no results files or folders given");

  std::vector<analysis::Problem> problems;
  std::vector<analysis::InputFile> files = analysis::ReadInputs(inputs, problems);
  const analysis::Study study =
      analysis::AssembleStudy(std::move(files), options.includeIncomplete, problems);
  const analysis::Report report = analysis::Analyse(study, options, std::move(problems));

  const std::string problemLines = analysis::ProblemLines(report);
  if (report.RunCount() == 0) {
    Print(stderr, problemLines + "talvex-report: no run could be analysed\n");
    return kExitNothing;
  }
  Print(stdout, analysis::TerminalReport(report));
  Print(stderr, problemLines);

  if (!outputFolder.empty()) {
    // The folder's UTF-8 name as a path: a narrow std::filesystem path would be read in the
    // ANSI code page on Windows.
    const fs::path folder = fs::u8path(outputFolder);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
      Print(stderr, "talvex-report: cannot create the folder " + outputFolder + ": " +
                        error.message() + "\n");
      return kExitNothing;
    }
    for (const analysis::OutputFile& file : analysis::ReportFiles(report)) {
      const std::string path = (folder / file.name).u8string();
      const talvex::platform::FileStatus status = WriteFile(path, file.content);
      if (!status.Ok()) {
        Print(stderr, "talvex-report: cannot write " + path + ": " + status.text + "\n");
        return kExitNothing;
      }
    }
    Print(stdout, "Report written to " + (folder / "report.html").u8string() + "\n");
  }
  return 0;
}
