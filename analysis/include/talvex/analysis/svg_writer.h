#pragma once
// A small writer of SVG pictures as deterministic text: coordinates with two decimals, every
// attribute quoted, text escaped, so that the same figures always give the same bytes.

#include <string>
#include <string_view>
#include <vector>

namespace talvex::analysis {

struct SvgPoint {
  double x = 0.0;
  double y = 0.0;
};

enum class Anchor { kStart, kMiddle, kEnd };

class SvgWriter {
 public:
  // A picture of width x height user units; the title is its accessible name.
  SvgWriter(double width, double height, std::string_view title);

  // stroke and fill are colours such as "#1f77b4" or "none"; width in user units.
  void Line(SvgPoint from, SvgPoint to, std::string_view stroke, double width, bool dashed = false);
  void Polyline(const std::vector<SvgPoint>& points, std::string_view stroke, double width);
  void Rect(SvgPoint corner, double width, double height, std::string_view fill,
            std::string_view stroke);
  void Circle(SvgPoint centre, double radius, std::string_view fill);
  // UTF-8 text; size in user units.
  void Text(SvgPoint at, std::string_view text, Anchor anchor, double size, bool bold = false);
  // Text turned a quarter turn anticlockwise about its anchor point (for a y-axis title).
  void VerticalText(SvgPoint at, std::string_view text, double size);

  // The whole picture, from <svg> to </svg>.
  std::string Finish();

 private:
  std::string body_;
  std::string head_;
};

// A coordinate as written: two decimals, no negative zero.
std::string SvgNumber(double value);

}  // namespace talvex::analysis
