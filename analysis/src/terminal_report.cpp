#include <algorithm>

#include "talvex/analysis/outputs.h"
#include "talvex/analysis/text_format.h"

namespace talvex::analysis {
namespace {

struct ColumnLayout {
  const char* title;
  size_t width;
  bool left;
};

// The raters' table: 98 characters with the single blanks between columns.
const ColumnLayout kColumns[] = {{"Rater", 15, true}, {"Cases", 5, false},  {"Pos", 4, false},
                                 {"Neg", 4, false},   {"Area", 5, false},   {"95% CI", 11, false},
                                 {">=", 3, false},    {"Se", 4, false},     {"Sp", 4, false},
                                 {"Pairs", 5, false}, {"Same", 4, false},   {"wK(q)", 5, false},
                                 {"wK(l)", 5, false}, {"Median", 6, false}, {"Late", 4, false}};
constexpr size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];

std::string Row(const std::vector<std::string>& cells) {
  std::string line;
  for (size_t k = 0; k < kColumnCount; ++k) {
    if (k > 0) line += ' ';
    line += Column(k < cells.size() ? cells[k] : "", kColumns[k].width, kColumns[k].left);
  }
  line.erase(line.find_last_not_of(' ') + 1);
  return line + "\n";
}

// Words joined into lines of at most kTerminalWidth characters, each after the indent.
std::string Wrapped(const std::string& text, const std::string& indent) {
  std::string out;
  std::string line = indent;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (line.size() > indent.size() &&
        DisplayWidth(line) + 1 + DisplayWidth(word) > kTerminalWidth) {
      out += line + "\n";
      line = indent + "  ";
    }
    if (line.size() > indent.size() && line.back() != ' ') line += ' ';
    line += word;
    start = end + 1;
  }
  return out + line + "\n";
}

// A name or parameter line from the inputs, cut so that a line holding it still fits.
std::string Short(const std::string& bytes) {
  constexpr size_t kLongest = 40;
  const std::string text = DisplayText(bytes);
  return DisplayWidth(text) <= kLongest ? text : Column(text, kLongest, true);
}

std::string RaterLabel(const RaterFigures& rater) {
  return DisplayText(rater.run->label) + (rater.run->complete ? "" : "*");
}

std::vector<std::string> RaterCells(const RaterFigures& rater) {
  std::vector<std::string> cells{RaterLabel(rater), std::to_string(rater.cases),
                                 std::to_string(rater.positives), std::to_string(rater.negatives)};
  if (rater.roc) {
    cells.push_back(Fixed(rater.roc->area, 3));
    // An area that does not vary has no interval; the notes say why.
    cells.push_back(rater.roc->variance && *rater.roc->variance > 0.0
                        ? Fixed(rater.roc->lower, 3) + "-" + Fixed(rater.roc->upper, 3)
                        : "-");
  } else {
    cells.insert(cells.end(), {"-", "-"});
  }
  const CutPoint* best = nullptr;
  for (const CutPoint& point : rater.cutPoints) {
    if (rater.youdenThreshold && point.threshold == *rater.youdenThreshold) best = &point;
  }
  if (best) {
    cells.push_back(std::to_string(best->threshold));
    cells.push_back(Fixed(best->sensitivity->value, 2));
    cells.push_back(Fixed(best->specificity->value, 2));
  } else {
    cells.insert(cells.end(), {"-", "-", "-"});
  }
  const Retest& retest = rater.retest;
  cells.push_back(std::to_string(retest.repeated));
  cells.push_back(
      retest.repeated > 0 ? Fixed(static_cast<double>(retest.exact) / retest.repeated, 2) : "-");
  cells.push_back(retest.quadratic ? Fixed(retest.quadratic->kappa, 2) : "-");
  cells.push_back(retest.linear ? Fixed(retest.linear->kappa, 2) : "-");
  cells.push_back(rater.latency.all ? Fixed(rater.latency.all->median, 0) : "-");
  cells.push_back(rater.latency.afterExposure ? std::to_string(*rater.latency.afterExposure) : "-");
  return cells;
}

std::string IntervalText(const TInterval& interval) {
  return "95% interval " + Fixed(interval.lower, 3) + " to " + Fixed(interval.upper, 3) + ", SE " +
         Fixed(interval.standardError, 4) + ", df " +
         (interval.degreesOfFreedom ? Fixed(*interval.degreesOfFreedom, 1) : "inf");
}

// Whether an interval's df is infinite, for the one note that explains "inf".
bool InfiniteDf(const TInterval& interval) {
  return HasSpread(interval) && !interval.degreesOfFreedom;
}

std::string AcrossText(const TestReport& test) {
  const AcrossFigures& across = test.across;
  std::string out;
  bool infinite = false;
  if (across.raters.size() < 2) return Wrapped("Across raters: " + across.message, "");
  out += "Across " + Counted(across.raters.size(), "rater", "raters") + " on " +
         Counted(static_cast<size_t>(across.cases), "case", "cases") + " (" +
         std::to_string(across.positives) + " positive, " + std::to_string(across.negatives) +
         " negative)";
  out += across.casesLeftOut > 0 ? "; " + std::to_string(across.casesLeftOut) +
                                       " cases not seen by every rater are left out:\n"
                                 : ":\n";
  if (across.jackknife) {
    out += "  Mean ROC area " + Fixed(across.jackknife->meanArea.estimate, 3) + "\n";
    for (const auto& [result, name] :
         {std::pair{&across.jackknife, "jackknife"}, std::pair{&across.delong, "DeLong"}}) {
      if (*result && HasSpread((*result)->meanArea)) {
        out += "    " + IntervalText((*result)->meanArea) + " (" + name + " covariances)\n";
        infinite = infinite || InfiniteDf((*result)->meanArea);
      }
    }
  }
  if (!across.message.empty()) out += Wrapped(across.message, "  ");
  std::string agreement = "Agreement on first presentations: Krippendorff's alpha " +
                          Fixed(across.alphaOrdinal, 3) + " ordinal, " +
                          Fixed(across.alphaInterval, 3) + " interval; ICC(2,1) " +
                          Fixed(across.icc, 3) + "; Fleiss' kappa " +
                          (across.fleiss ? Fixed(across.fleiss->kappa, 3) : "-");
  out += Wrapped(agreement, "  ");
  for (const std::string& reason : across.reasons) out += Wrapped(reason, "  ");
  if (infinite) out += Wrapped(kInfiniteDf, "  ");
  return out;
}

std::string ComparisonText(const Comparison& comparison) {
  std::string names;
  for (size_t k = 0; k < comparison.tests.size(); ++k) {
    names += (k == 0                             ? ""
              : k + 1 == comparison.tests.size() ? " and "
                                                 : ", ") +
             Short(comparison.tests[k]);
  }
  std::string out = "Tests " + names;
  if (!comparison.jackknife) return Wrapped(out + ": " + comparison.message, "");
  out += ", read by " + Counted(comparison.raters.size(), "rater", "raters") + " on " +
         Counted(static_cast<size_t>(comparison.cases), "case", "cases") + ":\n";
  bool infinite = false;
  bool flat = false;
  // An estimate with its interval, or with the word that there is none.
  const auto estimate = [&](const std::string& name, const TInterval& interval) {
    const bool spread = HasSpread(interval);
    flat = flat || !spread;
    infinite = infinite || InfiniteDf(interval);
    return Wrapped(name + ": " + Fixed(interval.estimate, 3) + ", " +
                       (spread ? IntervalText(interval) : "no interval"),
                   "    ");
  };
  for (const auto& [result, name] :
       {std::pair{&comparison.jackknife, "jackknife"}, std::pair{&comparison.delong, "DeLong"}}) {
    if (!*result) continue;
    const MultiTestResult& test = **result;
    std::string line = "Equal mean areas: ";
    if (test.f) {
      line += "F " + Fixed(*test.f, 3) + " on " + Fixed(test.numeratorDf, 0) + " and " +
              (test.denominatorDf ? Fixed(*test.denominatorDf, 1) : "inf") + " df, p " +
              Fixed(test.p, 4);
    } else {
      line += "no F (no test-by-rater variation)";
    }
    out += Wrapped(line + " (" + name + " covariances)", "  ");
    for (size_t i = 0; i < test.singleTests.size(); ++i) {
      out += estimate("Mean area of " + Short(comparison.tests[i]), test.singleTests[i].meanArea);
    }
    for (const Difference& difference : test.differences) {
      out += estimate(Short(comparison.tests[difference.first]) + " - " +
                          Short(comparison.tests[difference.second]),
                      difference.difference);
    }
  }
  if (flat) out += Wrapped(std::string("no interval: ") + kNoSpread, "  ");
  if (infinite) out += Wrapped(kInfiniteDf, "  ");
  return out;
}

}  // namespace

std::string WrappedLines(const std::string& text, const std::string& indent) {
  return Wrapped(text, indent);
}

std::string TerminalReport(const Report& report) {
  std::string out;
  out += Wrapped("talvex-report: " + Counted(report.filesRead, "file", "files") + " read, " +
                     Counted(report.RunCount(), "run", "runs") + " in " +
                     Counted(report.tests.size(), "test", "tests") + ", " +
                     Counted(report.problems.size(), "problem", "problems") +
                     (report.problems.empty() ? "" : " (listed on standard error)"),
                 "");
  bool anyIncomplete = false;
  for (const TestReport& test : report.tests) {
    size_t positives = 0;
    for (const CaseInfo& info : test.test->cases) positives += info.positive ? 1 : 0;
    out += "\n" + Wrapped("Test " + Short(test.test->name) + ": " +
                              Counted(test.raters.size(), "run", "runs") + ", " +
                              Counted(test.test->cases.size(), "case", "cases") + " (" +
                              std::to_string(positives) + " positive, " +
                              std::to_string(test.test->cases.size() - positives) + " negative)",
                          "");
    const auto& sets = test.test->parameterSets;
    for (const ParameterSet& set : sets) {
      std::string line = "Run parameters " + Short(set.parameterLine) + ": " +
                         Counted(set.runs.size(), "run", "runs");
      if (sets.size() > 1) {
        line += " (";
        for (size_t k = 0; k < set.runs.size() && k < 5; ++k) {
          line += (k == 0 ? "" : ", ") + DisplayText(set.runs[k]);
        }
        line += set.runs.size() > 5 ? ", ...)" : ")";
      }
      out += Wrapped(line, "");
    }
    if (sets.size() > 1) out += "The runs differ in their run parameters.\n";
    out += "\n";
    std::vector<std::string> titles;
    for (const ColumnLayout& column : kColumns) titles.push_back(column.title);
    out += Row(titles);
    std::string notes;
    for (const RaterFigures& rater : test.raters) {
      out += Row(RaterCells(rater));
      anyIncomplete = anyIncomplete || !rater.run->complete;
      if (!rater.message.empty()) {
        notes += Wrapped(RaterLabel(rater) + ": " + rater.message, "  ");
      }
      for (const std::string& reason : rater.reasons) {
        notes += Wrapped(RaterLabel(rater) + ": " + reason, "  ");
      }
    }
    for (const std::string& note : test.test->notes) notes += Wrapped(DisplayText(note), "  ");
    out += notes + "\n" + AcrossText(test);
    out += TestFiguresText(test, report);
  }
  if (report.comparison) out += "\n" + ComparisonText(*report.comparison);
  out += StudyFiguresText(report);
  out += "\n";
  if (anyIncomplete) {
    out += Wrapped(std::string("* incomplete run: ") +
                       (report.options.includeIncomplete ? "taken into" : "left out of") +
                       " the across-rater figures.",
                   "");
  }
  out += Wrapped(
      "Area: empirical ROC area with DeLong's 95% confidence interval (CI). >=, Se, Sp: the "
      "cut-point with "
      "the highest Youden index and its sensitivity and specificity. Pairs: cases shown twice; "
      "Same: share rated the same both times; wK(q), wK(l): weighted kappa, quadratic and "
      "linear. Median: latency in ms; Late: trials, repeats included, rated after the exposure "
      "ended. Area, cut-points and Median use each case's first presentation.",
      "");
  return out;
}

std::string ProblemLines(const Report& report) {
  std::string out;
  for (const Problem& problem : report.problems) {
    out += DisplayText(problem.file) + ": ";
    if (problem.line > 0) out += "line " + std::to_string(problem.line) + ": ";
    out += DisplayText(problem.message) + "\n";
  }
  return out;
}

}  // namespace talvex::analysis
