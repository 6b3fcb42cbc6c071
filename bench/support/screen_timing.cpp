#include "screen_timing.h"

#include <cctype>
#include <stdexcept>
#include <string_view>

#include "talvex/results/results_format.h"
#include "talvex/results_lines.h"

namespace talvex::bench {
namespace {

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

}  // namespace

ChangeMoment ChangeBetween(const PatchPoll& unchanged, const PatchPoll& changed) {
  const int64_t before = unchanged.sentNs + (unchanged.receivedNs - unchanged.sentNs) / 2;
  const int64_t after = changed.sentNs + (changed.receivedNs - changed.sentNs) / 2;
  ChangeMoment moment;
  moment.atNs = before + (after - before) / 2;
  moment.spreadNs = (changed.receivedNs - unchanged.sentNs) / 2;
  return moment;
}

std::vector<RecordedTrial> ReadResultsRows(const std::string& text) {
  const std::vector<std::string> lines = testing::ResultsLines(text);
  std::vector<RecordedTrial> trials;
  results::ResultsRow row;
  std::vector<std::string_view> columns;
  // Line 1 is the parameter line, line 2 the header line.
  for (size_t i = 2; i < lines.size(); ++i) {
    RecordedTrial trial;
    if (results::ParseRow(lines[i], row, columns) == results::RowFault::kNone) {
      trial.n = row.trial;
      trial.response = row.response;
      trial.latencyMs = row.latency;
      trial.resourceName = ResourceNameOf(std::string(row.status), std::string(row.image));
    }
    if (trial.resourceName.empty()) {
      throw std::runtime_error("results line " + std::to_string(i + 1) + " is not a trial row");
    }
    trials.push_back(trial);
  }
  return trials;
}

std::string ResourceNameOf(const std::string& status, const std::string& imageName) {
  std::string kind;
  std::string letter;
  if (status == results::kPositiveStatus) {
    kind = "POS";
    letter = "g";
  } else if (status == results::kNegativeStatus) {
    kind = "NEG";
    letter = "c";
  } else {
    return {};
  }
  const std::string prefix = letter + " (";
  const std::string suffix = ").ccc";
  if (imageName.size() <= prefix.size() + suffix.size() ||
      imageName.compare(0, prefix.size(), prefix) != 0 ||
      imageName.compare(imageName.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return {};
  }
  const std::string number =
      imageName.substr(prefix.size(), imageName.size() - prefix.size() - suffix.size());
  if (!AllDigits(number)) return {};
  const std::string upper = letter == "g" ? "G" : "C";
  return "RESOURCES_" + kind + "_" + upper + "__" + number + "__BMP";
}

}  // namespace talvex::bench
