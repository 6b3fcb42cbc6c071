#pragma once
// The arithmetic of the light-sensor benchmark, apart from the display: when a watched patch
// of the screen changed, and what the program recorded in its results file.

#include <cstdint>
#include <string>
#include <vector>

namespace talvex::bench {

// One read of the watched patch: when its request left and when its reply came back. The
// server read the pixels at some moment in between.
struct PatchPoll {
  int64_t sentNs = 0;
  int64_t receivedNs = 0;
};

// When the patch changed: between the server's reads of the last unchanged poll and of the
// first changed one. The estimate is the middle of the two polls' middles; the change lies
// within spreadNs of it.
struct ChangeMoment {
  int64_t atNs = 0;
  int64_t spreadNs = 0;
};
ChangeMoment ChangeBetween(const PatchPoll& unchanged, const PatchPoll& changed);

// One row of a results file as the benchmark needs it.
struct RecordedTrial {
  int n = 0;
  std::string resourceName;  // the image's resource name, rebuilt from status and imgname
  int response = 0;
  int latencyMs = 0;
};

// The rows of a results file (parameter line, header line, rows; CR LF line ends). Throws
// std::runtime_error naming the line that does not have the eight columns or its numbers.
std::vector<RecordedTrial> ReadResultsRows(const std::string& text);

// The resource name a row reports: "neg" and "c (12).ccc" give RESOURCES_NEG_C__12__BMP.
// Empty when the texts are not of that form.
std::string ResourceNameOf(const std::string& status, const std::string& imageName);

}  // namespace talvex::bench
