#pragma once
// The lines of a results file, as the tests and the benchmarks read the files a run wrote.

#include <string>
#include <vector>

namespace talvex::testing {

// The text split at each CR LF. Text after the last CR LF is a line of its own unless it is
// empty, so that a row without its line end shows rather than vanishes. The columns of a line
// are results::SplitColumns'.
std::vector<std::string> ResultsLines(const std::string& text);

}  // namespace talvex::testing
