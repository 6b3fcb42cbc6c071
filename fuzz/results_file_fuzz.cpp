// Fuzz target of the results-file reader: any bytes as up to three returned files (split at
// form feeds), each read as a results file or opened as a sealed one, and gathered into the
// runs of two tests: copies, earlier copies, labels, cases and completeness. (The figures
// and the outputs over them are left to the unit tests: Boost.Math's inverse functions take
// most of a second per input in the unoptimised sanitizer build.)

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "talvex/analysis/study.h"

namespace {

constexpr size_t kMaxFiles = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace talvex::analysis;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<InputFile> files;
  const char* const names[kMaxFiles] = {"a.xls", "b.enc", "c.xls"};
  size_t start = 0;
  while (files.size() < kMaxFiles) {
    size_t end = bytes.find('\f', start);
    if (end == std::string::npos || files.size() + 1 == kMaxFiles) end = bytes.size();
    files.push_back({files.size() == 2 ? "other" : "all", names[files.size()],
                     bytes.substr(start, end - start)});
    if (end == bytes.size()) break;
    start = end + 1;
  }
  std::vector<Problem> problems;
  const Study study = AssembleStudy(files, false, problems);
  SortProblems(problems);
  return 0;
}
