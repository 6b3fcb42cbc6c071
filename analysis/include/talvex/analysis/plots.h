#pragma once
// The report's plots as SVG text.

#include <map>
#include <string>

#include "talvex/analysis/report.h"

namespace talvex::analysis {

// One colour for each rater ID across every test of a report.
class RaterColours {
 public:
  explicit RaterColours(const Report& report);
  const char* Of(const Run& run) const;

 private:
  std::map<std::string, size_t> index_;  // rater ID: palette entry
};

// Each rater's empirical ROC points and curve, with the raters' vertically averaged curve. In
// every plot an incomplete run is marked "*" after its label.
std::string RocPlot(const TestReport& test, const RaterColours& colours);

// Each rater's ROC area with its 95 % interval, and the mean area with its intervals.
std::string AreaIntervalPlot(const TestReport& test, const RaterColours& colours);

// Each rater's latencies as box plots, positive and negative cases apart, on an axis that
// covers every whisker (negative latencies included).
std::string LatencyBoxPlot(const TestReport& test);

// Each rater's fitted binormal curve as a smooth line with the rater's operating points.
std::string FittedRocPlot(const TestReport& test, const RaterColours& colours);

// Each case read by every rater: mean rating against the change in the mean ROC area when the
// case is left out, positives and negatives apart, the positive cut marked.
std::string CaseDifficultyPlot(const TestReport& test, int positiveFrom);

}  // namespace talvex::analysis
