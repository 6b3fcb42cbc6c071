#include "talvex/analysis/results_file.h"

#include <algorithm>
#include <unordered_map>

#include "talvex/results/results_format.h"

namespace talvex::analysis {
namespace {

using results::RowFault;

constexpr size_t kQuotedBytes = 40;  // a value quoted in a message is cut to this length

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

std::string Quoted(std::string_view value) {
  std::string text = "\"";
  text += value.substr(0, kQuotedBytes);
  if (value.size() > kQuotedBytes) text += "...";
  return text + "\"";
}

// What is wrong with a line that is no row, quoting the column at fault.
std::string RowFaultText(RowFault fault, const results::ResultsRow& row,
                         const std::vector<std::string_view>& columns) {
  switch (fault) {
    case RowFault::kColumnCount:
      return std::to_string(columns.size()) + (columns.size() == 1 ? " column" : " columns") +
             ", not " + std::to_string(results::kColumnCount);
    case RowFault::kTrial:
      return "trial number " + Quoted(columns[results::kTrialColumn]) + " is not an integer";
    case RowFault::kStatus:
      return "status " + Quoted(row.status) + " is neither " +
             std::string(results::kPositiveStatus) + " nor " +
             std::string(results::kNegativeStatus);
    case RowFault::kImage:
      return "no image name";
    case RowFault::kResponse:
      return "rating " + Quoted(columns[results::kResponseColumn]) + " is not an integer";
    case RowFault::kResponseRange:
      return "rating " + std::to_string(row.response) + " is not " +
             std::to_string(results::kLowestRating) + " to " +
             std::to_string(results::kHighestRating);
    case RowFault::kLatency:
      return "latency " + Quoted(columns[results::kLatencyColumn]) + " is not an integer";
    case RowFault::kNone:
      break;
  }
  return "";
}

}  // namespace

bool IsPlainResultsText(std::string_view text) {
  size_t at = 0;
  std::string_view line;
  return NextLine(text, at, line) && NextLine(text, at, line) && line == results::kHeaderLine;
}

std::optional<RunFile> ReadResultsText(std::string_view bytes, const std::string& fileName,
                                       std::vector<Problem>& problems) {
  const auto report = [&](size_t line, std::string message) {
    problems.push_back({fileName, line, std::move(message)});
  };
  std::string converted;
  const std::string_view text = results::ResultsTextAsUtf8(bytes, converted);
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
  results::ResultsRow row;
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
    std::string fault = RowFaultText(results::ParseRow(line, row, columns), row, columns);
    const bool positive = row.status == results::kPositiveStatus;
    if (fault.empty() && raterLine != 0 && row.name != run.raterId) {
      fault = "rater ID " + Quoted(row.name) + " differs from " + Quoted(run.raterId) +
              " on line " + std::to_string(raterLine);
    } else if (fault.empty() && lastNumber && row.trial <= *lastNumber) {
      fault = "trial number " + std::to_string(row.trial) + " does not follow " +
              std::to_string(*lastNumber);
    } else if (fault.empty()) {
      const auto seen = statusOf.find(row.image);
      if (seen != statusOf.end() && seen->second.positive != positive) {
        fault = "image " + Quoted(row.image) + " is " + std::string(row.status) + " here but " +
                std::string(positive ? results::kNegativeStatus : results::kPositiveStatus) +
                " on line " + std::to_string(seen->second.line);
      }
    }
    if (!fault.empty()) {
      report(lineNumber, fault + "; row left out");
      continue;
    }
    if (raterLine == 0) {
      run.raterId = std::string(row.name);
      raterLine = lineNumber;
    }
    lastNumber = row.trial;
    statusOf.try_emplace(row.image, Seen{positive, lineNumber});
    run.trials.push_back(
        {row.trial, positive, std::string(row.image), row.response, row.latency, lineNumber});
  }
  if (run.trials.empty()) {
    report(0, "no usable trial row; the file is left out");
    return std::nullopt;
  }
  return run;
}

}  // namespace talvex::analysis
