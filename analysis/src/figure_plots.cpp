// The plots of the fitted curves and of the cases' difficulty.

#include <algorithm>
#include <boost/math/special_functions/erf.hpp>
#include <cmath>

#include "talvex/analysis/plots.h"
#include "talvex/analysis/svg_writer.h"
#include "talvex/analysis/text_format.h"

namespace talvex::analysis {
namespace {

constexpr double kFont = 11.0;
constexpr const char* kAxisColour = "#333333";
constexpr const char* kGridColour = "#dddddd";
constexpr const char* kPositiveColour = "#d62728";
constexpr const char* kNegativeColour = "#1f77b4";
constexpr size_t kMaxLegendEntries = 12;
// The fitted curve is drawn through Phi(z) for z in [-kCurveReach, kCurveReach], ends added.
constexpr double kCurveReach = 4.0;
constexpr int kCurvePoints = 80;

double Between(double from, double to, double share) {
  return from + share * (to - from);
}

struct Frame {
  double left;
  double top;
  double width;
  double height;
  SvgPoint At(double x, double y, double x0, double x1, double y0, double y1) const {
    return {Between(left, left + width, (x - x0) / (x1 - x0)),
            Between(top + height, top, (y - y0) / (y1 - y0))};
  }
};

void Grid(SvgWriter& svg, const Frame& f, const std::vector<double>& xs, double x0, double x1,
          const std::vector<double>& ys, double y0, double y1, int xDecimals, int yDecimals) {
  for (const double x : xs) {
    const SvgPoint p = f.At(x, y0, x0, x1, y0, y1);
    svg.Line({p.x, f.top}, {p.x, f.top + f.height}, kGridColour, 1.0);
    svg.Text({p.x, f.top + f.height + 14.0}, Fixed(x, xDecimals), Anchor::kMiddle, kFont);
  }
  for (const double y : ys) {
    const SvgPoint p = f.At(x0, y, x0, x1, y0, y1);
    svg.Line({f.left, p.y}, {f.left + f.width, p.y}, kGridColour, 1.0);
    svg.Text({f.left - 6.0, p.y + 4.0}, Fixed(y, yDecimals), Anchor::kEnd, kFont);
  }
  svg.Line({f.left, f.top + f.height}, {f.left + f.width, f.top + f.height}, kAxisColour, 1.0);
  svg.Line({f.left, f.top}, {f.left, f.top + f.height}, kAxisColour, 1.0);
}

}  // namespace

std::string FittedRocPlot(const TestReport& test, const RaterColours& colours) {
  std::vector<size_t> shown;  // raters with an ROC curve, coloured as in the empirical plot
  for (size_t k = 0; k < test.raters.size(); ++k) {
    if (!test.raters[k].curve.empty()) shown.push_back(k);
  }
  const bool legend = shown.size() <= kMaxLegendEntries;
  const Frame f{56.0, 16.0, 340.0, 340.0};
  SvgWriter svg(f.left + f.width + (legend ? 190.0 : 20.0), f.top + f.height + 48.0,
                "Fitted ROC curves of test " + DisplayText(test.test->name));
  const std::vector<double> ticks{0.0, 0.2, 0.4, 0.6, 0.8, 1.0};
  Grid(svg, f, ticks, 0, 1, ticks, 0, 1, 1, 1);
  svg.Line(f.At(0, 0, 0, 1, 0, 1), f.At(1, 1, 0, 1, 0, 1), "#999999", 1.0, true);
  svg.Text({f.left + f.width / 2.0, f.top + f.height + 34.0},
           "False-positive fraction (1 - specificity)", Anchor::kMiddle, kFont);
  svg.VerticalText({16.0, f.top + f.height / 2.0}, "True-positive fraction (sensitivity)", kFont);
  for (size_t s = 0; s < shown.size(); ++s) {
    const RaterFigures& rater = test.raters[shown[s]];
    const char* colour = colours.Of(*rater.run);
    const std::optional<BinormalFit>& fit = test.figures.raters.size() > shown[s]
                                                ? test.figures.raters[shown[s]].binormal.fit
                                                : std::nullopt;
    if (fit) {
      std::vector<SvgPoint> points{f.At(0, 0, 0, 1, 0, 1)};
      for (int k = 0; k <= kCurvePoints; ++k) {
        const double z = Between(-kCurveReach, kCurveReach, double(k) / kCurvePoints);
        const double falsePositive = 0.5 * boost::math::erfc(-z / std::sqrt(2.0));
        points.push_back(
            f.At(falsePositive, BinormalTruePositive(fit->a, fit->b, falsePositive), 0, 1, 0, 1));
      }
      points.push_back(f.At(1, 1, 0, 1, 0, 1));
      svg.Polyline(points, colour, 1.6);
    }
    for (size_t p = 1; p + 1 < rater.curve.size(); ++p) {
      svg.Circle(f.At(rater.curve[p].falsePositive, rater.curve[p].truePositive, 0, 1, 0, 1), 2.6,
                 colour);
    }
    if (legend) {
      const double row = f.top + 8.0 + 16.0 * static_cast<double>(s);
      svg.Line({f.left + f.width + 16.0, row - 4.0}, {f.left + f.width + 34.0, row - 4.0}, colour,
               2.0);
      svg.Text({f.left + f.width + 40.0, row},
               DisplayText(rater.run->label) + (rater.run->complete ? "" : " *") +
                   (fit ? "" : " (no fit)"), Anchor::kStart, kFont);
    }
  }
  return svg.Finish();
}

std::string CaseDifficultyPlot(const TestReport& test, int positiveFrom) {
  const std::vector<CaseRowDifficulty>& cases = test.figures.cases;
  double reach = 0.001;
  for (const CaseRowDifficulty& row : cases) {
    if (row.difficulty.leaveOutChange) {
      reach = std::max(reach, std::abs(*row.difficulty.leaveOutChange));
    }
  }
  // A symmetric axis of round steps around 0.
  const double step = std::pow(10.0, std::floor(std::log10(reach)));
  const double top = std::ceil(reach / step) * step;
  const Frame f{70.0, 24.0, 400.0, 260.0};
  SvgWriter svg(f.left + f.width + 30.0, f.top + f.height + 48.0,
                "Cases by mean rating and influence, test " + DisplayText(test.test->name));
  Grid(svg, f, {1, 2, 3, 4, 5}, 0.5, 5.5, {-top, 0.0, top}, -top, top, 0, top >= 0.01 ? 3 : 4);
  const SvgPoint cutTop = f.At(positiveFrom - 0.5, top, 0.5, 5.5, -top, top);
  svg.Line(cutTop, {cutTop.x, f.top + f.height}, "#999999", 1.0, true);
  svg.Text({f.left + f.width / 2.0, f.top + f.height + 34.0}, "Mean rating over the raters",
           Anchor::kMiddle, kFont);
  svg.VerticalText({16.0, f.top + f.height / 2.0}, "Mean area without the case - with it", kFont);
  svg.Circle({f.left + 6.0, 10.0}, 3.0, kPositiveColour);
  svg.Text({f.left + 14.0, 14.0}, "positive cases", Anchor::kStart, kFont);
  svg.Circle({f.left + 126.0, 10.0}, 3.0, kNegativeColour);
  svg.Text({f.left + 134.0, 14.0}, "negative cases", Anchor::kStart, kFont);
  for (const CaseRowDifficulty& row : cases) {
    if (!row.difficulty.leaveOutChange) continue;
    svg.Circle(f.At(row.difficulty.meanRating, *row.difficulty.leaveOutChange, 0.5, 5.5, -top, top),
               2.6, row.difficulty.positive ? kPositiveColour : kNegativeColour);
  }
  return svg.Finish();
}

}  // namespace talvex::analysis
