#pragma once
// The report's plots as SVG text.

#include <string>

#include "talvex/analysis/report.h"

namespace talvex::analysis {

// Each rater's empirical ROC points and curve, with the raters' vertically averaged curve.
std::string RocPlot(const TestReport& test);

// Each rater's ROC area with its 95 % interval, and the mean area with its intervals.
std::string AreaIntervalPlot(const TestReport& test);

// Each rater's latencies as box plots, positive and negative cases apart.
std::string LatencyBoxPlot(const TestReport& test);

}  // namespace talvex::analysis
