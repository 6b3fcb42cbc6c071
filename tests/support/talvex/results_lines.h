#pragma once
// The lines and rows of a results file, as the tests and the benchmarks read the files a run
// wrote.

#include <string>
#include <string_view>
#include <vector>

#include "talvex/results/results_format.h"

namespace talvex::testing {

// The text split at each CR LF. Text after the last CR LF is a line of its own unless it is
// empty, so that a row without its line end shows rather than vanishes.
std::vector<std::string> ResultsLines(const std::string& text);

// The row of a line, read by the results format's own parser; its texts view the line.
// Raises std::runtime_error quoting the line when it is no row.
results::ResultsRow ResultsRowOf(std::string_view line);

}  // namespace talvex::testing
