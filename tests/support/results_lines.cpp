#include "talvex/results_lines.h"

#include <stdexcept>

namespace talvex::testing {

std::vector<std::string> ResultsLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

results::ResultsRow ResultsRowOf(std::string_view line) {
  results::ResultsRow row;
  std::vector<std::string_view> columns;
  if (results::ParseRow(line, row, columns) != results::RowFault::kNone) {
    throw std::runtime_error("not a results row: \"" + std::string(line) + "\"");
  }
  return row;
}

}  // namespace talvex::testing
