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

// The colour of the rater at index k of a test's plots.
const char* RaterColour(size_t k);

// Each rater's fitted binormal curve as a smooth line with the rater's operating points.
std::string FittedRocPlot(const TestReport& test);

// Each case read by every rater: mean rating against the change in the mean ROC area when the
// case is left out, positives and negatives apart, the positive cut marked.
std::string CaseDifficultyPlot(const TestReport& test, int positiveFrom);

}  // namespace talvex::analysis
