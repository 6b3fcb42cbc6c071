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

// A whole number with an optional minus sign.
bool ToInt(std::string_view text, int& value) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (!AllDigits(digits) || digits.size() > 9) return false;
  value = std::stoi(std::string(text));
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
  std::vector<std::string_view> fields;
  // Line 1 is the parameter line, line 2 the header line.
  for (size_t i = 2; i < lines.size(); ++i) {
    results::SplitColumns(lines[i], fields);
    RecordedTrial trial;
    const bool read = fields.size() == 8 && ToInt(fields[3], trial.n) &&
                      ToInt(fields[6], trial.response) && ToInt(fields[7], trial.latencyMs);
    trial.resourceName = read ? ResourceNameOf(std::string(fields[4]), std::string(fields[5])) : "";
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
  if (status == "pos") {
    kind = "POS";
    letter = "g";
  } else if (status == "neg") {
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
