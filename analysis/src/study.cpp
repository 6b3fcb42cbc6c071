#include "talvex/analysis/study.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>
#include <unordered_map>

#include "talvex/ascii.h"
#include "talvex/results/file_names.h"
#include "talvex/results/results_format.h"
#include "talvex/results/sealing.h"
#include "talvex/rounding.h"

namespace talvex::analysis {
namespace {

namespace fs = std::filesystem;

bool IsRunFileName(const std::string& name) {
  return results::EndsWithNoCase(name, results::kResultsExtension) ||
         results::EndsWithNoCase(name, results::kSealedExtension);
}

// Paths are UTF-8 text; a narrow std::filesystem path would be read in the ANSI code page on
// Windows, so every path is made with fs::u8path and given back with u8string().
void ReadFile(const std::string& test, const std::string& path, std::vector<InputFile>& files,
              std::vector<Problem>& problems) {
  std::error_code error;
  const uintmax_t size = fs::file_size(fs::u8path(path), error);
  if (error) {
    problems.push_back({path, 0, "cannot be read: " + error.message()});
    return;
  }
  if (size > kMaxResultsFileBytes) {
    problems.push_back(
        {path, 0, "larger than any results file (" + std::to_string(size) + " bytes); left out"});
    return;
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  std::ifstream file(fs::u8path(path), std::ios::binary);
  if (!file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    problems.push_back({path, 0, "cannot be read"});
    return;
  }
  files.push_back({test, path, std::move(bytes)});
}

// The rows a complete run has: every case once, and the repeats the fractions give.
size_t ExpectedRows(const RunParameters& parameters, size_t positives, size_t negatives) {
  const auto repeats = [](double fraction, size_t count) {
    const int64_t n = RoundProduct(fraction, static_cast<int64_t>(count));
    return static_cast<size_t>(std::clamp<int64_t>(n, 0, static_cast<int64_t>(count)));
  };
  return positives + negatives + repeats(parameters.positiveFraction, positives) +
         repeats(parameters.negativeFraction, negatives);
}

struct Decoded {
  InputFile input;
  std::string text;
  std::optional<results::SealKey> key;
};

// When a run started, from the date and time texts of its first row in the rater's locale
// forms: the date's three numbers, their order found for the whole test, and the time of day.
struct StartTime {
  bool valid = false;
  std::array<long, 3> date{};
  long seconds = 0;
};

std::vector<long> NumbersIn(std::string_view text) {
  constexpr long kLargest = 100000;  // no date or time field is larger; guards the sums below
  std::vector<long> numbers;
  for (size_t at = 0; at < text.size();) {
    if (text[at] < '0' || text[at] > '9') {
      ++at;
      continue;
    }
    long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      value = std::min(kLargest, value * 10 + (text[at] - '0'));
    }
    numbers.push_back(value);
  }
  return numbers;
}

StartTime StartOf(std::string_view date, std::string_view time) {
  StartTime start;
  const std::vector<long> day = NumbersIn(date);
  const std::vector<long> clock = NumbersIn(time);
  if (day.size() != 3 || clock.size() < 2 || clock.size() > 3) return start;
  const std::string upper = AsciiUpper(std::string(time));
  const auto has = [&](const char* marker) { return upper.find(marker) != std::string::npos; };
  long hour = clock[0];
  if ((has("PM") || has("P.M.")) && hour < 12) hour += 12;
  if ((has("AM") || has("A.M.")) && hour == 12) hour = 0;
  start.valid = true;
  start.date = {day[0], day[1], day[2]};
  start.seconds = (hour * 60 + clock[1]) * 60 + (clock.size() == 3 ? clock[2] : 0);
  return start;
}

// Where the year, the month and the day stand in the date's numbers.
using DateOrder = std::array<size_t, 3>;
constexpr DateOrder kYearMonthDay{0, 1, 2};
constexpr DateOrder kMonthDayYear{2, 0, 1};
constexpr DateOrder kDayMonthYear{2, 1, 0};

bool Fits(const StartTime& start, const DateOrder& order) {
  const long month = start.date[order[1]];
  const long day = start.date[order[2]];
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// A number that orders start times: seconds from a fixed day, two-digit years in 2000-2099.
long long StartKey(const StartTime& start, const DateOrder& order) {
  long long year = start.date[order[0]];
  if (year < 100) year += 2000;
  return ((year * 13 + start.date[order[1]]) * 32 + start.date[order[2]]) * 86400LL + start.seconds;
}

// The date orders that every valid start time fits: year first when a first number is
// larger than any day, else month first (the C and US forms) and then day first.
std::vector<DateOrder> DateOrders(const std::vector<StartTime>& starts) {
  bool yearFirst = false;
  for (const StartTime& start : starts)
    yearFirst = yearFirst || (start.valid && start.date[0] > 31);
  std::vector<DateOrder> orders;
  for (const DateOrder& order : yearFirst ? std::vector<DateOrder>{kYearMonthDay}
                                          : std::vector<DateOrder>{kMonthDayYear, kDayMonthYear}) {
    if (std::all_of(starts.begin(), starts.end(),
                    [&](const StartTime& start) { return !start.valid || Fits(start, order); })) {
      orders.push_back(order);
    }
  }
  return orders;
}

// The line of the text with the given number (from 1), without its line end.
std::string_view LineOf(std::string_view text, size_t number) {
  size_t at = 0;
  for (size_t line = 1; line < number && at != std::string_view::npos; ++line) {
    at = text.find('\n', at);
    if (at != std::string_view::npos) ++at;
  }
  if (at == std::string_view::npos || at >= text.size()) return {};
  size_t end = text.find('\n', at);
  if (end == std::string_view::npos) end = text.size();
  if (end > at && text[end - 1] == '\r') --end;
  return text.substr(at, end - at);
}

// Names up to kListed images, quoted: "a", "b", ...
constexpr size_t kListed = 3;
std::string QuotedNames(const std::vector<std::string_view>& names) {
  std::string text;
  for (size_t k = 0; k < names.size() && k < kListed; ++k) {
    text += (k == 0 ? "\"" : ", \"") + std::string(names[k]) + "\"";
  }
  return names.size() > kListed ? text + ", ..." : text;
}

void CheckCompleteness(TestRuns& test, bool includeIncomplete, std::vector<Problem>& problems) {
  // The images each run showed, by class, and how many runs showed each.
  using Image = std::pair<bool, std::string_view>;  // positive, name (viewing the trials)
  std::vector<std::set<Image>> shown(test.runs.size());
  std::map<Image, size_t> runsShowing;
  for (size_t k = 0; k < test.runs.size(); ++k) {
    for (const Trial& trial : test.runs[k].file.trials) {
      shown[k].insert({trial.positive, trial.caseName});
    }
    for (const Image& image : shown[k]) ++runsShowing[image];
  }
  const size_t count = test.runs.size();
  for (size_t k = 0; k < count; ++k) {
    Run& run = test.runs[k];
    std::map<std::string_view, int> times;
    std::vector<std::string_view> overShown;
    for (const Trial& trial : run.file.trials) {
      if (++times[trial.caseName] == 3) overShown.push_back(trial.caseName);
    }
    if (!overShown.empty()) {
      problems.push_back({run.path, 0,
                          (overShown.size() == 1 ? "image " : "images ") + QuotedNames(overShown) +
                              (overShown.size() == 1 ? " is" : " are") +
                              " shown more than twice, which no run plans; only the first two "
                              "showings count"});
    }
    if (!run.file.parameters) continue;
    // The plan's images of each class: those the run showed or, when more, those every other
    // run showed (a run stopped early showed fewer).
    std::array<size_t, 2> own{};
    std::array<size_t, 2> shared{};
    for (const auto& [image, runs] : runsShowing) {
      const size_t here = shown[k].count(image);
      own[image.first] += here;
      if (count > 1 && runs - here == count - 1) ++shared[image.first];
    }
    run.expectedRows = ExpectedRows(*run.file.parameters, std::max(own[1], shared[1]),
                                    std::max(own[0], shared[0]));
    const size_t rows = run.file.trials.size();
    if (rows > *run.expectedRows) {
      problems.push_back({run.path, 0,
                          "more rows than planned: " + std::to_string(rows) +
                              " where its run parameters and images give " +
                              std::to_string(*run.expectedRows) + "; its figures are still given"});
    }
    if (rows >= *run.expectedRows) continue;
    run.complete = false;
    run.acrossRaters = includeIncomplete;
    problems.push_back(
        {run.path, 0,
         "incomplete run: " + std::to_string(rows) + " of " + std::to_string(*run.expectedRows) +
             " rows; " +
             (includeIncomplete ? "taken into the across-rater figures (--include-incomplete)"
                                : "left out of the across-rater figures")});
  }
}

// Images that some complete runs of the test showed and others did not (another image set, or
// a foreign image): each is named, up to kUnevenNamed images a test.
constexpr size_t kUnevenNamed = 10;
void NameUnevenImages(const TestRuns& test, std::vector<Problem>& problems) {
  std::vector<const Run*> complete;
  for (const Run& run : test.runs) {
    if (run.complete) complete.push_back(&run);
  }
  if (complete.size() < 2) return;
  std::map<std::string_view, std::vector<const Run*>> showing;  // keys view the trials
  for (const Run* run : complete) {
    std::set<std::string_view> names;
    for (const Trial& trial : run->file.trials) names.insert(trial.caseName);
    for (const std::string_view name : names) showing[name].push_back(run);
  }
  std::vector<std::string_view> uneven;
  for (const auto& [name, runs] : showing) {
    if (runs.size() < complete.size()) uneven.push_back(name);
  }
  std::sort(uneven.begin(), uneven.end(), [](std::string_view a, std::string_view b) {
    return CaseNameLess(std::string(a), std::string(b));
  });
  for (size_t k = 0; k < uneven.size() && k < kUnevenNamed; ++k) {
    const std::vector<const Run*>& runs = showing[uneven[k]];
    // The runs showing it are in the order of the complete runs: one walk finds the others.
    std::string missing;
    size_t listed = 0;
    size_t next = 0;
    for (const Run* run : complete) {
      if (next < runs.size() && runs[next] == run) {
        ++next;
        continue;
      }
      missing += listed == 0 ? "" : ", ";
      missing += listed < kListed ? run->path : "...";
      if (++listed > kListed) break;
    }
    problems.push_back({runs.front()->path, 0,
                        "image \"" + std::string(uneven[k]) + "\" is shown in " +
                            std::to_string(runs.size()) + " of " + std::to_string(complete.size()) +
                            " complete runs of test " + test.name + " (not in " + missing +
                            "); cases not seen by every rater are left out of the across-rater "
                            "figures"});
  }
  if (uneven.size() > kUnevenNamed) {
    problems.push_back({complete.front()->path, 0,
                        std::to_string(uneven.size() - kUnevenNamed) +
                            " more images are shown in only some complete runs of test " +
                            test.name});
  }
}

// Cases of the test and the truth of each; a case given both classes is left out.
void GatherCases(TestRuns& test, std::vector<Problem>& problems) {
  struct Truth {
    bool positive;
    const Run* run;
  };
  // Keys view the case names of the runs' trials.
  std::unordered_map<std::string_view, Truth> truth;
  std::set<std::string> conflicting;
  for (const Run& run : test.runs) {
    std::set<std::string> reported;
    for (const Trial& trial : run.file.trials) {
      const auto [it, added] = truth.try_emplace(trial.caseName, Truth{trial.positive, &run});
      if (added || it->second.positive == trial.positive) continue;
      conflicting.insert(trial.caseName);
      if (!reported.insert(trial.caseName).second) continue;
      problems.push_back({run.path, trial.line,
                          "image \"" + trial.caseName + "\" is " +
                              (trial.positive ? "pos" : "neg") + " here but " +
                              (trial.positive ? "neg" : "pos") + " in " + it->second.run->path +
                              "; the image is left out of test " + test.name});
    }
  }
  for (const auto& [name, info] : truth) {
    if (conflicting.count(std::string(name)) == 0) {
      test.cases.push_back({std::string(name), info.positive});
    }
  }
  std::sort(test.cases.begin(), test.cases.end(),
            [](const CaseInfo& a, const CaseInfo& b) { return CaseNameLess(a.name, b.name); });
  test.conflicting.assign(conflicting.begin(), conflicting.end());
  std::sort(test.conflicting.begin(), test.conflicting.end(), CaseNameLess);
}

// Numbers the runs of a rater ID with several (in start order, as the runs are ordered) and
// takes only the first complete one into the across-rater figures, or with
// --include-incomplete the first one when none is complete.
void LabelRuns(TestRuns& test, bool includeIncomplete, const std::set<std::string>& ambiguous,
               std::vector<Problem>& problems) {
  std::map<std::string, std::vector<Run*>> byId;
  for (Run& run : test.runs) byId[run.file.raterId].push_back(&run);
  for (auto& [id, runs] : byId) {
    if (runs.size() == 1) {
      runs.front()->label = id;
      continue;
    }
    Run* used = nullptr;
    for (size_t k = 0; k < runs.size(); ++k) {
      runs[k]->label = id + " #" + std::to_string(k + 1);
      if (used == nullptr && runs[k]->complete) used = runs[k];
    }
    if (used == nullptr && includeIncomplete) used = runs.front();
    for (Run* run : runs) run->acrossRaters = run == used;
    const std::string usedText =
        used == nullptr  ? "none is complete, so none is used in the across-rater figures"
        : used->complete ? used->label +
                               ", the first complete one, is used in the across-rater "
                               "figures"
                         : used->label +
                               ", the first one, is used in the across-rater figures "
                               "(--include-incomplete)";
    const std::string head =
        "rater ID \"" + id + "\" has " + std::to_string(runs.size()) + " runs in test " +
        test.name + ", numbered by their start" +
        (ambiguous.count(id) != 0
             ? " (the dates could be read day first or month first: month first taken)"
             : "");
    for (const Run* run : runs) {
      problems.push_back(
          {run->path, 0,
           head + "; this one is " + run->label +
               (run->started.empty() ? "" : ", started " + run->started) + "; " +
               (used != nullptr && used != run ? usedText + " (" + used->path + ")" : usedText)});
    }
    test.notes.push_back(id + ": " + std::to_string(runs.size()) + " runs; " + usedText);
  }
}

void GatherParameterSets(TestRuns& test) {
  std::vector<const Run*> firstRuns;
  for (const Run& run : test.runs) {
    size_t k = 0;
    for (; k < firstRuns.size(); ++k) {
      const RunFile& first = firstRuns[k]->file;
      const bool same = first.parameters && run.file.parameters
                            ? *first.parameters == *run.file.parameters
                            : first.parameterLine == run.file.parameterLine;
      if (same) break;
    }
    if (k == firstRuns.size()) {
      firstRuns.push_back(&run);
      test.parameterSets.push_back({run.file.parameterLine, {}});
    }
    test.parameterSets[k].runs.push_back(run.label);
  }
}

}  // namespace

bool CaseNameLess(const std::string& a, const std::string& b) {
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      size_t endA = i;
      size_t endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      // Compare the runs' values without converting them: leading zeros dropped, then length,
      // then digits.
      size_t startA = i;
      size_t startB = j;
      while (startA + 1 < endA && a[startA] == '0') ++startA;
      while (startB + 1 < endB && b[startB] == '0') ++startB;
      const std::string_view digitsA(a.data() + startA, endA - startA);
      const std::string_view digitsB(b.data() + startB, endB - startB);
      if (digitsA.size() != digitsB.size()) return digitsA.size() < digitsB.size();
      if (digitsA != digitsB) return digitsA < digitsB;
      i = endA;
      j = endB;
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;  // equal by value ("c (01)" and "c (1)"): any fixed order
}

namespace {

// Adds the run files in a folder and its subfolders to found; a folder that cannot be read
// (or only in part) is a problem. Links to folders are not followed, so the walk ends.
void SearchFolder(const std::string& test, const fs::path& folder,
                  std::set<std::pair<std::string, std::string>>& found,
                  std::vector<Problem>& problems) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
    std::error_code entryError;
    if (it->is_directory(entryError) && !it->is_symlink(entryError)) {
      SearchFolder(test, it->path(), found, problems);
    } else if (it->is_regular_file(entryError) && IsRunFileName(it->path().filename().u8string())) {
      found.insert({test, it->path().lexically_normal().u8string()});
    }
  }
  if (error) {
    problems.push_back({folder.lexically_normal().u8string(), 0,
                        "folder cannot be read: " + error.message() + "; its files are left out"});
  }
}

}  // namespace

std::vector<InputFile> ReadInputs(const std::vector<InputPath>& paths,
                                  std::vector<Problem>& problems) {
  std::set<std::pair<std::string, std::string>> found;  // test, path
  for (const InputPath& input : paths) {
    std::error_code error;
    const fs::path path = fs::u8path(input.path);
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
      SearchFolder(input.test, path, found, problems);
    } else if (fs::exists(status)) {
      found.insert({input.test, path.lexically_normal().u8string()});
    } else {
      problems.push_back({input.path, 0, "no such file or folder"});
    }
  }
  std::vector<InputFile> files;
  for (const auto& [test, path] : found) ReadFile(test, path, files, problems);
  return files;
}

Study AssembleStudy(std::vector<InputFile> files, bool includeIncomplete,
                    std::vector<Problem>& problems) {
  std::sort(files.begin(), files.end(), [](const InputFile& a, const InputFile& b) {
    return std::tie(a.test, a.path) < std::tie(b.test, b.path);
  });
  Study study;
  study.filesRead = files.size();

  // Open each file; a run given more than once (sealed and plain, or a copy) counts once.
  std::map<std::string, std::vector<Decoded>> byTest;
  for (InputFile& input : files) {
    Decoded decoded;
    decoded.text = std::move(input.bytes);
    decoded.input = std::move(input);
    if (!IsPlainResultsText(decoded.text)) {
      decoded.key = results::UnsealBytes(decoded.text, results::kResultsPassPhrase);
      if (!decoded.key && results::EndsWithNoCase(decoded.input.path, results::kSealedExtension)) {
        problems.push_back({decoded.input.path, 0,
                            "not a sealed results file: neither the 128-bit nor the 40-bit key "
                            "yields a parameter line and the header line; left out"});
        continue;
      }
    }
    byTest[decoded.input.test].push_back(std::move(decoded));
  }

  for (auto& [name, decodedFiles] : byTest) {
    TestRuns test;
    test.name = name;
    std::unordered_multimap<size_t, size_t> runsOfHash;  // hash of the text: run
    std::vector<std::string> texts;
    for (Decoded& decoded : decodedFiles) {
      const size_t hash = std::hash<std::string>()(decoded.text);
      std::optional<size_t> same;
      for (auto [it, end] = runsOfHash.equal_range(hash); it != end && !same; ++it) {
        if (texts[it->second] == decoded.text) same = it->second;
      }
      if (same) {
        Run& run = test.runs[*same];
        run.copies.push_back(decoded.input.path);
        problems.push_back(
            {decoded.input.path, 0, "the same run as " + run.path + "; counted once"});
        continue;
      }
      std::optional<RunFile> file = ReadResultsText(decoded.text, decoded.input.path, problems);
      if (!file) continue;
      Run run;
      run.test = name;
      run.path = decoded.input.path;
      run.sealKey = decoded.key;
      run.file = std::move(*file);
      runsOfHash.emplace(hash, test.runs.size());
      test.runs.push_back(std::move(run));
      texts.push_back(std::move(decoded.text));
    }

    // A copy taken while the run was still going is a prefix of the finished file.
    std::vector<size_t> order(test.runs.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return texts[a] < texts[b]; });
    std::vector<bool> earlier(test.runs.size(), false);
    for (size_t k = 0; k + 1 < order.size(); ++k) {
      const std::string& shorter = texts[order[k]];
      const std::string& longer = texts[order[k + 1]];
      if (longer.compare(0, shorter.size(), shorter) != 0) continue;
      const Run& kept = test.runs[order[k + 1]];
      const Run& dropped = test.runs[order[k]];
      if (kept.file.raterId != dropped.file.raterId) continue;
      earlier[order[k]] = true;
      problems.push_back({dropped.path, 0,
                          "an earlier copy of the run in " + kept.path + " (" +
                              std::to_string(dropped.file.trials.size()) + " of " +
                              std::to_string(kept.file.trials.size()) + " rows); counted once"});
    }
    // When each run started, by its first row; the date order is the one all the test's
    // dates fit.
    std::vector<StartTime> starts(test.runs.size());
    std::vector<std::string_view> columns;
    for (size_t k = 0; k < test.runs.size(); ++k) {
      results::SplitColumns(LineOf(texts[k], test.runs[k].file.trials.front().line), columns);
      if (columns.size() < 3) continue;
      test.runs[k].started = std::string(columns[1]) + " " + std::string(columns[2]);
      starts[k] = StartOf(columns[1], columns[2]);
    }
    const std::vector<DateOrder> orders = DateOrders(starts);
    const auto keyOf = [&](size_t k, size_t reading) {
      return orders.size() > reading && starts[k].valid
                 ? std::pair{0, StartKey(starts[k], orders[reading])}
                 : std::pair{1, 0LL};
    };
    // One order of the runs whatever the order of the inputs: rater ID, start, content.
    const auto canonicalOrder = [&](size_t reading) {
      std::vector<size_t> canonical;
      for (size_t k = 0; k < test.runs.size(); ++k) {
        if (!earlier[k]) canonical.push_back(k);
      }
      std::sort(canonical.begin(), canonical.end(), [&](size_t a, size_t b) {
        const auto keyA = keyOf(a, reading);
        const auto keyB = keyOf(b, reading);
        return std::tie(test.runs[a].file.raterId, keyA, texts[a]) <
               std::tie(test.runs[b].file.raterId, keyB, texts[b]);
      });
      return canonical;
    };
    const std::vector<size_t> canonical = canonicalOrder(0);
    // Rater IDs whose runs the other reading of the dates would number otherwise.
    std::set<std::string> ambiguous;
    if (orders.size() > 1) {
      const std::vector<size_t> other = canonicalOrder(1);
      for (size_t k = 0; k < canonical.size(); ++k) {
        if (canonical[k] != other[k]) ambiguous.insert(test.runs[canonical[k]].file.raterId);
      }
    }
    std::vector<Run> runs;
    for (const size_t k : canonical) runs.push_back(std::move(test.runs[k]));
    test.runs = std::move(runs);

    GatherCases(test, problems);
    CheckCompleteness(test, includeIncomplete, problems);
    NameUnevenImages(test, problems);
    LabelRuns(test, includeIncomplete, ambiguous, problems);
    GatherParameterSets(test);
    study.tests.push_back(std::move(test));
  }
  return study;
}

void SortProblems(std::vector<Problem>& problems) {
  std::sort(problems.begin(), problems.end(), [](const Problem& a, const Problem& b) {
    return std::tie(a.file, a.line, a.message) < std::tie(b.file, b.line, b.message);
  });
  problems.erase(std::unique(problems.begin(), problems.end(),
                             [](const Problem& a, const Problem& b) {
                               return a.file == b.file && a.line == b.line &&
                                      a.message == b.message;
                             }),
                 problems.end());
}

}  // namespace talvex::analysis
