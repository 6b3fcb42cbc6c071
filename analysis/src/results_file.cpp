#include "talvex/analysis/results_file.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

#include "talvex/exception.h"
#include "talvex/experiment/run_parameters.h"
#include "talvex/results/results_log.h"

namespace talvex::analysis {
namespace {

constexpr size_t kColumns = 8;
constexpr size_t kQuotedBytes = 40;  // a value quoted in a message is cut to this length
constexpr std::string_view kDefaultSuffix = " (by default)";

// The next line from position at (LF or CR LF ends, the last line may have none); false at
// the end of the text.
bool NextLine(std::string_view text, size_t& at, std::string_view& line) {
  if (at >= text.size()) return false;
  size_t end = text.find('\n', at);
  const size_t next = end == std::string_view::npos ? text.size() : end + 1;
  if (end == std::string_view::npos) end = text.size();
  line = text.substr(at, end - at);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  at = next;
  return true;
}

// A plain decimal integer within 32 bits: an optional minus sign and digits, nothing else.
std::optional<int> Integer(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::string Quoted(std::string_view value) {
  std::string text = "\"";
  text += value.substr(0, kQuotedBytes);
  if (value.size() > kQuotedBytes) text += "...";
  return text + "\"";
}

std::optional<double> Fraction(const std::string& text) {
  for (const char separator : {'.', ','}) {
    try {
      return experiment::StrToFloat(text, separator);
    } catch (const EConvertError&) {
    }
  }
  return std::nullopt;
}

}  // namespace

bool RunParameters::operator==(const RunParameters& other) const {
  return exposure == other.exposure && positiveFraction == other.positiveFraction &&
         negativeFraction == other.negativeFraction && desktopCopy == other.desktopCopy;
}

std::optional<RunParameters> ParseParameterLine(std::string_view line) {
  if (line == experiment::kDefaultParamLine) line.remove_suffix(kDefaultSuffix.size());
  std::vector<std::string> values;
  size_t start = 0;
  while (values.size() <= 4) {
    const size_t blank = line.find(' ', start);
    values.emplace_back(
        line.substr(start, blank == std::string_view::npos ? blank : blank - start));
    if (blank == std::string_view::npos) break;
    start = blank + 1;
  }
  if (values.size() != 4) return std::nullopt;
  RunParameters parameters;
  try {
    parameters.exposure = experiment::StrToInt(values[0]);
    parameters.desktopCopy = experiment::StrToInt(values[3]);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
  const std::optional<double> positive = Fraction(values[1]);
  const std::optional<double> negative = Fraction(values[2]);
  if (!positive || !negative) return std::nullopt;
  parameters.positiveFraction = *positive;
  parameters.negativeFraction = *negative;
  return parameters;
}

bool IsPlainResultsText(std::string_view text) {
  size_t at = 0;
  std::string_view line;
  return NextLine(text, at, line) && NextLine(text, at, line) && line == results::kHeaderLine;
}

std::optional<RunFile> ReadResultsText(std::string_view text, const std::string& fileName,
                                       std::vector<Problem>& problems) {
  const auto report = [&](size_t line, std::string message) {
    problems.push_back({fileName, line, std::move(message)});
  };
  size_t at = 0;
  std::string_view line;
  RunFile run;
  if (!NextLine(text, at, line)) {
    report(0, "empty file; left out");
    return std::nullopt;
  }
  run.parameterLine = std::string(line);
  std::string_view header;
  if (!NextLine(text, at, header) || header != results::kHeaderLine) {
    report(2,
           "not the header line (name, date, time, n, status, imgname, response, latency); "
           "the file is left out");
    return std::nullopt;
  }
  run.parameters = ParseParameterLine(line);
  if (!run.parameters) {
    report(1, "the parameter line " + Quoted(line) +
                  " does not hold the four run parameters; completeness is not checked");
  }

  struct Seen {
    bool positive;
    size_t line;
  };
  std::unordered_map<std::string_view, Seen> statusOf;  // keys view the text
  size_t raterLine = 0;
  std::optional<int> lastNumber;
  size_t lineNumber = 2;
  // Blank lines at the end of a file are no rows; blank lines within it are bad rows.
  size_t blankRun = 0;
  std::vector<std::string_view> columns;
  run.trials.reserve(static_cast<size_t>(
      std::count(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), '\n')));
  while (NextLine(text, at, line)) {
    ++lineNumber;
    if (line.empty()) {
      ++blankRun;
      continue;
    }
    for (size_t blank = lineNumber - blankRun; blank < lineNumber; ++blank) {
      report(blank, "empty line; left out");
    }
    blankRun = 0;
    results::SplitColumns(line, columns);
    if (columns.size() != kColumns) {
      report(lineNumber, std::to_string(columns.size()) +
                             (columns.size() == 1 ? " column" : " columns") +
                             ", not 8; row left out");
      continue;
    }
    const std::string_view name = columns[0];
    const std::optional<int> number = Integer(columns[3]);
    const std::string_view status = columns[4];
    const std::string_view image = columns[5];
    const std::optional<int> rating = Integer(columns[6]);
    const std::optional<int> latency = Integer(columns[7]);
    std::string fault;
    if (!number) {
      fault = "trial number " + Quoted(columns[3]) + " is not an integer";
    } else if (status != "pos" && status != "neg") {
      fault = "status " + Quoted(status) + " is neither pos nor neg";
    } else if (image.empty()) {
      fault = "no image name";
    } else if (!rating) {
      fault = "rating " + Quoted(columns[6]) + " is not an integer";
    } else if (*rating < 1 || *rating > 5) {
      fault = "rating " + std::to_string(*rating) + " is not 1 to 5";
    } else if (!latency) {
      fault = "latency " + Quoted(columns[7]) + " is not an integer";
    } else if (raterLine != 0 && name != run.raterId) {
      fault = "rater ID " + Quoted(name) + " differs from " + Quoted(run.raterId) + " on line " +
              std::to_string(raterLine);
    } else if (lastNumber && *number <= *lastNumber) {
      fault = "trial number " + std::to_string(*number) + " does not follow " +
              std::to_string(*lastNumber);
    } else {
      const bool positive = status == "pos";
      const auto seen = statusOf.find(image);
      if (seen != statusOf.end() && seen->second.positive != positive) {
        fault = "image " + Quoted(image) + " is " + std::string(status) + " here but " +
                (positive ? "neg" : "pos") + " on line " + std::to_string(seen->second.line);
      }
    }
    if (!fault.empty()) {
      report(lineNumber, fault + "; row left out");
      continue;
    }
    if (raterLine == 0) {
      run.raterId = std::string(name);
      raterLine = lineNumber;
    }
    lastNumber = number;
    const bool positive = status == "pos";
    statusOf.try_emplace(image, Seen{positive, lineNumber});
    run.trials.push_back({*number, positive, std::string(image), *rating, *latency, lineNumber});
  }
  if (run.trials.empty()) {
    report(0, "no usable trial row; the file is left out");
    return std::nullopt;
  }
  return run;
}

}  // namespace talvex::analysis
