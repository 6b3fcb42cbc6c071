#include "talvex/analysis/svg_writer.h"

#include "talvex/analysis/text_format.h"

namespace talvex::analysis {
namespace {

const char* AnchorName(Anchor anchor) {
  switch (anchor) {
    case Anchor::kStart:
      return "start";
    case Anchor::kMiddle:
      return "middle";
    case Anchor::kEnd:
      break;
  }
  return "end";
}

}  // namespace

std::string SvgNumber(double value) {
  std::string text = Fixed(value, 2);
  if (text == "-") return "0";
  // Trailing zeros add nothing: 12.50 -> 12.5, 3.00 -> 3.
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

SvgWriter::SvgWriter(double width, double height, std::string_view title) {
  head_ = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + SvgNumber(width) + "\" height=\"" +
          SvgNumber(height) + "\" viewBox=\"0 0 " + SvgNumber(width) + " " + SvgNumber(height) +
          "\" role=\"img\" font-family=\"sans-serif\"><title>" + XmlEscaped(title) + "</title>\n";
}

void SvgWriter::Line(SvgPoint from, SvgPoint to, std::string_view stroke, double width,
                     bool dashed) {
  body_ += "<line x1=\"" + SvgNumber(from.x) + "\" y1=\"" + SvgNumber(from.y) + "\" x2=\"" +
           SvgNumber(to.x) + "\" y2=\"" + SvgNumber(to.y) + "\" stroke=\"" + XmlEscaped(stroke) +
           "\" stroke-width=\"" + SvgNumber(width) + "\"" +
           (dashed ? " stroke-dasharray=\"4 3\"" : "") + "/>\n";
}

void SvgWriter::Polyline(const std::vector<SvgPoint>& points, std::string_view stroke,
                         double width) {
  body_ += "<polyline fill=\"none\" stroke=\"" + XmlEscaped(stroke) + "\" stroke-width=\"" +
           SvgNumber(width) + "\" points=\"";
  for (size_t k = 0; k < points.size(); ++k) {
    if (k > 0) body_ += ' ';
    body_ += SvgNumber(points[k].x) + "," + SvgNumber(points[k].y);
  }
  body_ += "\"/>\n";
}

void SvgWriter::Rect(SvgPoint corner, double width, double height, std::string_view fill,
                     std::string_view stroke) {
  body_ += "<rect x=\"" + SvgNumber(corner.x) + "\" y=\"" + SvgNumber(corner.y) + "\" width=\"" +
           SvgNumber(width) + "\" height=\"" + SvgNumber(height) + "\" fill=\"" + XmlEscaped(fill) +
           "\" stroke=\"" + XmlEscaped(stroke) + "\"/>\n";
}

void SvgWriter::Circle(SvgPoint centre, double radius, std::string_view fill) {
  body_ += "<circle cx=\"" + SvgNumber(centre.x) + "\" cy=\"" + SvgNumber(centre.y) + "\" r=\"" +
           SvgNumber(radius) + "\" fill=\"" + XmlEscaped(fill) + "\"/>\n";
}

void SvgWriter::Text(SvgPoint at, std::string_view text, Anchor anchor, double size, bool bold) {
  body_ += "<text x=\"" + SvgNumber(at.x) + "\" y=\"" + SvgNumber(at.y) + "\" font-size=\"" +
           SvgNumber(size) + "\" text-anchor=\"" + AnchorName(anchor) + "\"" +
           (bold ? " font-weight=\"bold\"" : "") + ">" + XmlEscaped(text) + "</text>\n";
}

void SvgWriter::VerticalText(SvgPoint at, std::string_view text, double size) {
  body_ += "<text x=\"" + SvgNumber(at.x) + "\" y=\"" + SvgNumber(at.y) + "\" font-size=\"" +
           SvgNumber(size) + "\" text-anchor=\"middle\" transform=\"rotate(-90 " + SvgNumber(at.x) +
           " " + SvgNumber(at.y) + ")\">" + XmlEscaped(text) + "</text>\n";
}

std::string SvgWriter::Finish() {
  return head_ + body_ + "</svg>\n";
}

}  // namespace talvex::analysis
