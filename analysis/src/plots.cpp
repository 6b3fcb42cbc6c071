#include "talvex/analysis/plots.h"

#include <algorithm>
#include <cmath>

#include "talvex/analysis/svg_writer.h"
#include "talvex/analysis/text_format.h"

namespace talvex::analysis {
namespace {

const char* const kPalette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                                "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};
constexpr size_t kPaletteSize = sizeof kPalette / sizeof kPalette[0];
constexpr size_t kMaxLegendEntries = 12;
constexpr const char* kPositiveColour = "#d62728";
constexpr const char* kNegativeColour = "#1f77b4";
constexpr const char* kAxisColour = "#333333";
constexpr const char* kGridColour = "#dddddd";
constexpr double kFont = 11.0;

// A linear map from data values to picture coordinates.
struct Scale {
  double from0, from1, to0, to1;
  double operator()(double value) const {
    return to0 + (value - from0) / (from1 - from0) * (to1 - to0);
  }
};

// A step of 1, 2 or 5 times a power of ten giving at most about six ticks up to top.
double TickStep(double top) {
  const double rough = top / 5.0;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= rough) return factor * power;
  }
  return 10.0 * power;
}

std::string Label(const RaterFigures& rater) {
  return DisplayText(rater.run->label) + (rater.run->complete ? "" : " *");
}

// Vertical lines and labels of an x axis from x0 to x1 at the given values, under a plot area.
void XAxis(SvgWriter& svg, const Scale& x, double top, double bottom,
           const std::vector<double>& ticks, int decimals) {
  for (const double tick : ticks) {
    svg.Line({x(tick), top}, {x(tick), bottom}, kGridColour, 1.0);
    svg.Text({x(tick), bottom + 14.0}, Fixed(tick, decimals), Anchor::kMiddle, kFont);
  }
  svg.Line({x.to0, bottom}, {x.to1, bottom}, kAxisColour, 1.0);
}

// Whether a run of the test is incomplete: its plots then say what the "*" after a label means.
bool AnyIncomplete(const TestReport& test) {
  return std::any_of(test.raters.begin(), test.raters.end(),
                     [](const RaterFigures& rater) { return !rater.run->complete; });
}
constexpr const char* kIncompleteNote = "* incomplete run";

}  // namespace

RaterColours::RaterColours(const Report& report) {
  for (const TestReport& test : report.tests) {
    for (const RaterFigures& rater : test.raters) index_.emplace(rater.run->file.raterId, 0);
  }
  size_t next = 0;
  for (auto& [id, index] : index_) index = next++ % kPaletteSize;
}

const char* RaterColours::Of(const Run& run) const {
  const auto it = index_.find(run.file.raterId);
  return kPalette[it == index_.end() ? 0 : it->second];
}

std::string RocPlot(const TestReport& test, const RaterColours& colours) {
  std::vector<const RaterFigures*> raters;
  for (const RaterFigures& rater : test.raters) {
    if (!rater.curve.empty()) raters.push_back(&rater);
  }
  const bool legend = raters.size() <= kMaxLegendEntries;
  const double left = 56.0;
  const double top = 16.0;
  const double side = 340.0;
  const double width = left + side + (legend ? 190.0 : 20.0);
  const double height = top + side + 48.0;
  SvgWriter svg(width, height, "ROC curves of test " + DisplayText(test.test->name));
  const Scale x{0.0, 1.0, left, left + side};
  const Scale y{0.0, 1.0, top + side, top};
  const std::vector<double> ticks{0.0, 0.2, 0.4, 0.6, 0.8, 1.0};
  XAxis(svg, x, top, top + side, ticks, 1);
  for (const double tick : ticks) {
    svg.Line({left, y(tick)}, {left + side, y(tick)}, kGridColour, 1.0);
    svg.Text({left - 6.0, y(tick) + 4.0}, Fixed(tick, 1), Anchor::kEnd, kFont);
  }
  svg.Line({left, top}, {left, top + side}, kAxisColour, 1.0);
  svg.Line({x(0.0), y(0.0)}, {x(1.0), y(1.0)}, "#999999", 1.0, true);
  svg.Text({left + side / 2.0, top + side + 34.0}, "False-positive fraction (1 - specificity)",
           Anchor::kMiddle, kFont);
  svg.VerticalText({16.0, top + side / 2.0}, "True-positive fraction (sensitivity)", kFont);

  for (size_t k = 0; k < raters.size(); ++k) {
    const char* colour = colours.Of(*raters[k]->run);
    std::vector<SvgPoint> points;
    for (const RocPoint& point : raters[k]->curve) {
      points.push_back({x(point.falsePositive), y(point.truePositive)});
    }
    svg.Polyline(points, colour, 1.2);
    for (size_t p = 1; p + 1 < points.size(); ++p) svg.Circle(points[p], 2.6, colour);
    if (legend) {
      const double row = top + 8.0 + 16.0 * static_cast<double>(k);
      svg.Line({left + side + 16.0, row - 4.0}, {left + side + 34.0, row - 4.0}, colour, 2.0);
      svg.Text({left + side + 40.0, row}, Label(*raters[k]), Anchor::kStart, kFont);
    }
  }
  const std::vector<RocPoint>& average = test.across.averageCurve;
  if (!average.empty()) {
    std::vector<SvgPoint> points;
    for (const RocPoint& point : average) {
      points.push_back({x(point.falsePositive), y(point.truePositive)});
    }
    svg.Polyline(points, "#000000", 2.6);
    if (legend) {
      const double row = top + 8.0 + 16.0 * static_cast<double>(raters.size());
      svg.Line({left + side + 16.0, row - 4.0}, {left + side + 34.0, row - 4.0}, "#000000", 2.6);
      svg.Text({left + side + 40.0, row}, "average (vertical)", Anchor::kStart, kFont, true);
    }
  }
  if (legend && AnyIncomplete(test)) {
    const double row = top + 8.0 + 16.0 * static_cast<double>(raters.size() + 1);
    svg.Text({left + side + 16.0, row}, kIncompleteNote, Anchor::kStart, kFont);
  }
  return svg.Finish();
}

std::string AreaIntervalPlot(const TestReport& test, const RaterColours& colours) {
  struct Row {
    std::string label;
    const char* colour;
    double area;
    double lower;
    double upper;
    bool hasInterval;
    bool mean;
  };
  std::vector<Row> rows;
  for (const RaterFigures& rater : test.raters) {
    if (!rater.roc) continue;
    rows.push_back({Label(rater), colours.Of(*rater.run), rater.roc->area, rater.roc->lower,
                    rater.roc->upper, rater.roc->variance && *rater.roc->variance > 0.0, false});
  }
  const auto addMean = [&](const std::optional<SingleTestResult>& result, const char* name) {
    if (!result) return;
    const TInterval& mean = result->meanArea;
    rows.push_back({std::string("Mean (") + name + ")", "#000000", mean.estimate,
                    std::max(0.0, mean.lower), std::min(1.0, mean.upper), HasSpread(mean), true});
  };
  addMean(test.across.jackknife, "jackknife");
  addMean(test.across.delong, "DeLong");

  const double labelWidth = 170.0;
  const double plotWidth = 400.0;
  const double rowHeight = 16.0;
  const double top = 10.0;
  const double bottom = top + rowHeight * static_cast<double>(std::max<size_t>(rows.size(), 1));
  const bool note = AnyIncomplete(test);
  SvgWriter svg(labelWidth + plotWidth + 30.0, bottom + (note ? 56.0 : 40.0),
                "ROC areas with 95 % intervals, test " + DisplayText(test.test->name));
  const Scale x{0.0, 1.0, labelWidth, labelWidth + plotWidth};
  XAxis(svg, x, top, bottom, {0.0, 0.25, 0.5, 0.75, 1.0}, 2);
  svg.Line({x(0.5), top}, {x(0.5), bottom}, "#999999", 1.0, true);
  svg.Text({x(0.5), bottom + 30.0}, "ROC area", Anchor::kMiddle, kFont);
  for (size_t k = 0; k < rows.size(); ++k) {
    const Row& row = rows[k];
    const double centre = top + rowHeight * (static_cast<double>(k) + 0.5);
    svg.Text({labelWidth - 8.0, centre + 4.0}, row.label, Anchor::kEnd, kFont, row.mean);
    if (row.hasInterval) {
      svg.Line({x(row.lower), centre}, {x(row.upper), centre}, row.colour, row.mean ? 2.6 : 1.6);
    }
    svg.Circle({x(row.area), centre}, row.mean ? 4.0 : 3.0, row.colour);
  }
  if (note) svg.Text({labelWidth - 8.0, bottom + 48.0}, kIncompleteNote, Anchor::kEnd, kFont);
  return svg.Finish();
}

std::string LatencyBoxPlot(const TestReport& test) {
  // The axis runs from 0, or the lowest whisker when a latency is negative, to the highest.
  double lowest = 0.0;
  double longest = 0.0;
  for (const RaterFigures& rater : test.raters) {
    for (const auto* spread : {&rater.latency.positives, &rater.latency.negatives}) {
      if (!*spread) continue;
      lowest = std::min(lowest, (*spread)->lowerWhisker);
      longest = std::max(longest, (*spread)->upperWhisker);
    }
  }
  const double step = TickStep(std::max(longest - lowest, 1.0));
  const double start = std::floor(lowest / step) * step;
  const double end = std::max(std::ceil(longest / step) * step, start + step);
  std::vector<double> ticks;
  for (int k = 0; start + static_cast<double>(k) * step <= end + step / 2.0; ++k) {
    ticks.push_back(start + static_cast<double>(k) * step);
  }

  const double labelWidth = 170.0;
  const double plotWidth = 400.0;
  const double rowHeight = 26.0;
  const double top = 24.0;
  const double bottom =
      top + rowHeight * static_cast<double>(std::max<size_t>(test.raters.size(), 1));
  SvgWriter svg(labelWidth + plotWidth + 40.0, bottom + 40.0,
                "Latencies by class, test " + DisplayText(test.test->name));
  const Scale x{start, end, labelWidth, labelWidth + plotWidth};
  XAxis(svg, x, top, bottom, ticks, 0);
  svg.Text({x((start + end) / 2.0), bottom + 30.0}, "Latency (ms)", Anchor::kMiddle, kFont);
  svg.Rect({labelWidth, 6.0}, 10.0, 8.0, kPositiveColour, "none");
  svg.Text({labelWidth + 14.0, 14.0}, "positive cases", Anchor::kStart, kFont);
  svg.Rect({labelWidth + 120.0, 6.0}, 10.0, 8.0, kNegativeColour, "none");
  svg.Text({labelWidth + 134.0, 14.0}, "negative cases", Anchor::kStart, kFont);
  if (AnyIncomplete(test)) {
    svg.Text({labelWidth + 250.0, 14.0}, kIncompleteNote, Anchor::kStart, kFont);
  }
  for (size_t k = 0; k < test.raters.size(); ++k) {
    const RaterFigures& rater = test.raters[k];
    const double rowTop = top + rowHeight * static_cast<double>(k);
    svg.Text({labelWidth - 8.0, rowTop + rowHeight / 2.0 + 4.0}, Label(rater), Anchor::kEnd, kFont);
    const auto box = [&](const std::optional<Spread>& spread, double boxTop, const char* colour) {
      if (!spread) return;
      const double middle = boxTop + 4.5;
      svg.Line({x(spread->lowerWhisker), middle}, {x(spread->upperWhisker), middle}, colour, 1.0);
      svg.Rect({x(spread->lowerQuartile), boxTop},
               std::max(1.0, x(spread->upperQuartile) - x(spread->lowerQuartile)), 9.0, "#ffffff",
               colour);
      svg.Line({x(spread->median), boxTop}, {x(spread->median), boxTop + 9.0}, colour, 2.0);
    };
    box(rater.latency.positives, rowTop + 3.0, kPositiveColour);
    box(rater.latency.negatives, rowTop + 14.0, kNegativeColour);
  }
  return svg.Finish();
}

}  // namespace talvex::analysis
