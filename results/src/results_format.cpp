#include "talvex/results/results_format.h"

#include <charconv>

#include "talvex/utf8_text.h"

namespace talvex::results {
namespace {

// A plain decimal integer within 32 bits: an optional minus sign and digits, nothing else.
bool ParseInteger(std::string_view text, int32_t& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && stop == end;
}

}  // namespace

std::string FormatRow(const ResultsRow& row) {
  std::string line;
  const auto add = [&line](std::string_view text) {
    line += text;
    line += kColumnSeparator;
  };
  add(row.name);
  add(row.date);
  add(row.time);
  add(std::to_string(row.trial));
  add(row.status);
  add(row.image);
  add(std::to_string(row.response));
  line += std::to_string(row.latency);
  line += kLineEnd;
  return line;
}

RowFault ParseRow(std::string_view line, ResultsRow& row, std::vector<std::string_view>& columns) {
  SplitColumns(line, columns);
  if (columns.size() != kColumnCount) return RowFault::kColumnCount;
  row.name = columns[kNameColumn];
  row.date = columns[kDateColumn];
  row.time = columns[kTimeColumn];
  row.status = columns[kStatusColumn];
  row.image = columns[kImageColumn];
  if (!ParseInteger(columns[kTrialColumn], row.trial)) return RowFault::kTrial;
  if (row.status != kPositiveStatus && row.status != kNegativeStatus) return RowFault::kStatus;
  if (row.image.empty()) return RowFault::kImage;
  if (!ParseInteger(columns[kResponseColumn], row.response)) return RowFault::kResponse;
  if (row.response < kLowestRating || row.response > kHighestRating) {
    return RowFault::kResponseRange;
  }
  if (!ParseInteger(columns[kLatencyColumn], row.latency)) return RowFault::kLatency;
  return RowFault::kNone;
}

void SplitColumns(std::string_view line, std::vector<std::string_view>& columns) {
  columns.clear();
  size_t start = 0;
  for (size_t tab = line.find(kColumnSeparator); tab != std::string_view::npos;
       tab = line.find(kColumnSeparator, start)) {
    columns.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  columns.push_back(line.substr(start));
}

std::string FirstLines(std::string_view paramLine) {
  std::string text(paramLine);
  text += kLineEnd;
  text += kHeaderLine;
  text += kLineEnd;
  return text;
}

bool HasResultsShape(std::string_view text) {
  const size_t lineEnd = text.find(kLineEnd);
  if (lineEnd == std::string_view::npos) return false;
  // The parameter line holds no line break of its own.
  if (text.substr(0, lineEnd).find_first_of("\r\n") != std::string_view::npos) return false;
  const std::string firstLines = FirstLines(text.substr(0, lineEnd));
  return text.substr(0, firstLines.size()) == firstLines;
}

std::string_view ResultsTextAsUtf8(std::string_view text, std::string& converted) {
  if (IsValidUtf8(text)) return text;
  converted = Windows1252ToUtf8(text);
  return converted;
}

}  // namespace talvex::results
