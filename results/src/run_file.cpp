#include "talvex/results/run_file.h"

#include <cerrno>
#include <cstdio>

#include "file_transform.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/platform/file.h"
#include "talvex/results/file_names.h"

namespace talvex::results {
namespace {

constexpr const char* kFirstLine = "Talvex run 1";
constexpr const char* kLineEnd = "\r\n";
// A pool holds a few hundred names; this bound only keeps a forged count from asking for more
// lines than any file could hold.
constexpr size_t kMaxPoolEntries = 1000000;

std::string Field(const char* key, const std::string& value) {
  return std::string(key) + "\t" + value + kLineEnd;
}

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value % 100);
  return text;
}

std::string StartedText(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-", t.year);
  return text + TwoDigits(t.month) + "-" + TwoDigits(t.day) + " " + TwoDigits(t.hour) + ":" +
         TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

// Reads the run file line by line, each line ended by CR LF.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    const size_t end = text_.find(kLineEnd, at_);
    if (end == std::string_view::npos) return false;
    line = text_.substr(at_, end - at_);
    at_ = end + 2;
    return true;
  }
  // The value of a line "key TAB value".
  bool Value(const char* key, std::string& value) {
    std::string_view line;
    const std::string prefix = std::string(key) + "\t";
    if (!Next(line) || line.substr(0, prefix.size()) != prefix) return false;
    value = std::string(line.substr(prefix.size()));
    return true;
  }
  size_t Offset() const { return at_; }
  bool AtEnd() const { return at_ == text_.size(); }

 private:
  std::string_view text_;
  size_t at_ = 0;
};

// A decimal number of at most digits digits, nothing else.
bool ParseNumber(std::string_view text, size_t digits, size_t& value) {
  if (text.empty() || text.size() > digits) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<size_t>(c - '0');
  }
  return true;
}

bool ParseStarted(const std::string& text, LocalTime& time) {
  // yyyy-mm-dd hh:mm:ss
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return false;
  }
  size_t part[6];
  const std::string_view view(text);
  if (!ParseNumber(view.substr(0, 4), 4, part[0]) || !ParseNumber(view.substr(5, 2), 2, part[1]) ||
      !ParseNumber(view.substr(8, 2), 2, part[2]) || !ParseNumber(view.substr(11, 2), 2, part[3]) ||
      !ParseNumber(view.substr(14, 2), 2, part[4]) ||
      !ParseNumber(view.substr(17, 2), 2, part[5])) {
    return false;
  }
  if (part[1] < 1 || part[1] > 12 || part[2] < 1 || part[2] > 31 || part[3] > 23 || part[4] > 59 ||
      part[5] > 59) {
    return false;
  }
  time = LocalTime{static_cast<int>(part[0]),
                   static_cast<int>(part[1]),
                   static_cast<int>(part[2]),
                   static_cast<int>(part[3]),
                   static_cast<int>(part[4]),
                   static_cast<int>(part[5]),
                   0};
  return true;
}

bool ReadPool(LineReader& lines, const char* key, std::vector<std::string>& pool) {
  std::string countText;
  size_t count = 0;
  if (!lines.Value(key, countText) || !ParseNumber(countText, 7, count) ||
      count > kMaxPoolEntries) {
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    std::string_view name;
    if (!lines.Next(name) || name.empty()) return false;
    pool.emplace_back(name);
  }
  return true;
}

}  // namespace

std::string MakeRunFilePath(const std::string& resultsPath) {
  return SwapExtension(resultsPath, kResultsExtension, kRunFileExtension);
}

std::string ResultsPathOfRunFile(const std::string& runFilePath) {
  return SwapExtension(runFilePath, kRunFileExtension, kResultsExtension);
}

bool IsRunFileName(const std::string& name) {
  return name.size() > kRunFileExtension.size() && EndsWithNoCase(name, kRunFileExtension);
}

std::string ImageSetFingerprint(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += name + "\n";
  return imagestore::Md5Hex(joined);
}

std::string FormatRunFile(const RunPlan& plan) {
  std::string text = std::string(kFirstLine) + kLineEnd;
  text += Field("rater", plan.raterId);
  text += Field("parameters", plan.paramLine);
  text += Field("image set", plan.imageSet);
  text += Field("started", StartedText(plan.started));
  bool writable =
      !HasLineBreak(plan.raterId) && !HasLineBreak(plan.paramLine) && !HasLineBreak(plan.imageSet);
  const std::pair<const char*, const std::vector<std::string>*> pools[] = {
      {"positive", &plan.posPool}, {"negative", &plan.negPool}};
  for (const auto& [key, pool] : pools) {
    text += Field(key, std::to_string(pool->size()));
    for (const std::string& name : *pool) {
      writable = writable && !name.empty() && !HasLineBreak(name);
      text += name + kLineEnd;
    }
  }
  if (!writable) return "";
  text += Field("check", imagestore::Md5Hex(text));
  return text;
}

std::optional<RunPlan> ParseRunFile(std::string_view text) {
  LineReader lines(text);
  std::string_view first;
  if (!lines.Next(first) || first != kFirstLine) return std::nullopt;
  RunPlan plan;
  std::string started;
  if (!lines.Value("rater", plan.raterId) || !lines.Value("parameters", plan.paramLine) ||
      !lines.Value("image set", plan.imageSet) || !lines.Value("started", started) ||
      !ParseStarted(started, plan.started) || !ReadPool(lines, "positive", plan.posPool) ||
      !ReadPool(lines, "negative", plan.negPool)) {
    return std::nullopt;
  }
  const size_t checked = lines.Offset();
  std::string check;
  if (!lines.Value("check", check) || !lines.AtEnd() ||
      check != imagestore::Md5Hex(text.substr(0, checked))) {
    return std::nullopt;
  }
  return plan;
}

void WriteRunFile(const std::string& path, const RunPlan& plan) {
  const std::string text = FormatRunFile(plan);
  if (text.empty()) RaiseIoError(platform::StatusFromErrno(EINVAL), path);
  platform::File out;
  std::string temporary;
  platform::FileStatus status = out.CreateBeside(path, temporary);
  if (!status.Ok()) RaiseIoError(status, path);
  status = out.WriteAll(text.data(), text.size());
  if (status.Ok()) status = out.Sync();
  if (status.Ok()) status = out.Close();
  if (status.Ok()) status = platform::RenameFile(temporary, path, platform::Existing::kKeep);
  if (!status.Ok()) {
    out.Close();
    platform::RemoveFile(temporary);
    RaiseIoError(status, path);
  }
}

std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes) {
  platform::File in;
  if (!in.OpenForReading(path).Ok()) return std::nullopt;
  return ReadSmallFile(in, maxBytes);
}

std::optional<std::string> ReadSmallFile(platform::File& in, size_t maxBytes) {
  uint64_t size = 0;
  if (!in.Size(size).Ok() || size > maxBytes) return std::nullopt;
  std::string text;
  char block[4096];
  for (;;) {
    size_t count = 0;
    if (!in.Read(block, sizeof block, count).Ok()) return std::nullopt;
    if (count == 0) break;
    // A file that grew since its size was taken is read no further than the bound.
    if (text.size() + count > maxBytes) return std::nullopt;
    text.append(block, count);
  }
  return text;
}

}  // namespace talvex::results
