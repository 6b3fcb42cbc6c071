#include "talvex/analysis/study.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>
#include <unordered_map>

#include "talvex/results/file_names.h"
#include "talvex/results/sealing.h"
#include "talvex/rounding.h"

namespace talvex::analysis {
namespace {

namespace fs = std::filesystem;

bool IsRunFileName(const std::string& name) {
  return results::EndsWithNoCase(name, results::kResultsExtension) ||
         results::EndsWithNoCase(name, results::kSealedExtension);
}

void ReadFile(const std::string& test, const std::string& path, std::vector<InputFile>& files,
              std::vector<Problem>& problems) {
  std::error_code error;
  const uintmax_t size = fs::file_size(path, error);
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
  std::FILE* file = std::fopen(path.c_str(), "rb");
  const bool read =
      file != nullptr && std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file != nullptr) std::fclose(file);
  if (!read) {
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

void CheckCompleteness(TestRuns& test, bool includeIncomplete, std::vector<Problem>& problems) {
  size_t positives = 0;
  for (const CaseInfo& info : test.cases) positives += info.positive ? 1 : 0;
  const size_t negatives = test.cases.size() - positives;
  for (Run& run : test.runs) {
    if (!run.file.parameters) continue;
    run.expectedRows = ExpectedRows(*run.file.parameters, positives, negatives);
    const size_t rows = run.file.trials.size();
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

void LabelRuns(TestRuns& test, std::vector<Problem>& problems) {
  std::map<std::string, std::vector<Run*>> byId;
  for (Run& run : test.runs) byId[run.file.raterId].push_back(&run);
  for (auto& [id, runs] : byId) {
    if (runs.size() == 1) {
      runs.front()->label = id;
      continue;
    }
    std::string all;
    for (size_t k = 0; k < runs.size(); ++k) {
      runs[k]->label = id + " #" + std::to_string(k + 1);
      all += (k == 0 ? "" : ", ") + runs[k]->path;
    }
    for (const Run* run : runs) {
      problems.push_back({run->path, 0,
                          "rater ID \"" + id + "\" has " + std::to_string(runs.size()) +
                              " runs in test " + test.name + " (" + all +
                              "); each run is listed on its own as " + run->label});
    }
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

std::vector<InputFile> ReadInputs(const std::vector<InputPath>& paths,
                                  std::vector<Problem>& problems) {
  std::set<std::pair<std::string, std::string>> found;  // test, path
  for (const InputPath& input : paths) {
    std::error_code error;
    const fs::file_status status = fs::status(input.path, error);
    if (fs::is_directory(status)) {
      fs::recursive_directory_iterator it(input.path, fs::directory_options::skip_permission_denied,
                                          error);
      const fs::recursive_directory_iterator end;
      for (; !error && it != end; it.increment(error)) {
        std::error_code entryError;
        if (it->is_regular_file(entryError) && IsRunFileName(it->path().filename().string())) {
          found.insert({input.test, it->path().lexically_normal().string()});
        }
      }
      if (error) problems.push_back({input.path, 0, "folder cannot be read: " + error.message()});
    } else if (fs::exists(status)) {
      found.insert({input.test, fs::path(input.path).lexically_normal().string()});
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
    // One order of the runs whatever the order of the inputs: rater ID, then content.
    std::vector<size_t> canonical;
    for (size_t k = 0; k < test.runs.size(); ++k) {
      if (!earlier[k]) canonical.push_back(k);
    }
    std::sort(canonical.begin(), canonical.end(), [&](size_t a, size_t b) {
      return std::tie(test.runs[a].file.raterId, texts[a]) <
             std::tie(test.runs[b].file.raterId, texts[b]);
    });
    std::vector<Run> runs;
    for (const size_t k : canonical) runs.push_back(std::move(test.runs[k]));
    test.runs = std::move(runs);

    LabelRuns(test, problems);
    GatherCases(test, problems);
    CheckCompleteness(test, includeIncomplete, problems);
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
