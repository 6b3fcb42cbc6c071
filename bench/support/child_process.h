#pragma once
// Child processes timed from just before they are started to just after they have ended.

#include <cstdint>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace talvex::bench {

struct ChildRun {
  bool started = false;
  int exitCode = -1;    // -1 when it did not exit normally
  int64_t startNs = 0;  // MonotonicNanoseconds() just before the process was created
  int64_t endNs = 0;    // MonotonicNanoseconds() just after it was reaped
  std::string output;   // its standard output, when captured
};

// Runs argv[0] (looked up on PATH) with the given arguments; standard output is captured or
// sent to /dev/null, standard error is inherited.
ChildRun RunChild(const std::vector<std::string>& argv, bool captureOutput);

// True when the program can be found on PATH (or is an executable path).
bool ProgramExists(const std::string& program);

}  // namespace talvex::bench
