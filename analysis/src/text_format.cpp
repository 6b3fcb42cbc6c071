#include "talvex/analysis/text_format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "talvex/utf8_text.h"

namespace talvex::analysis {
namespace {

// The code point of a valid sequence of the given length at text[at].
uint32_t CodePoint(std::string_view text, size_t at, size_t length) {
  static constexpr unsigned kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  uint32_t code = static_cast<unsigned char>(text[at]) & kLeadMask[length];
  for (size_t k = 1; k < length; ++k) {
    code = (code << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3Fu);
  }
  return code;
}

bool IsControl(uint32_t code) {
  return code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0);
}

}  // namespace

std::string Fixed(double value, int decimals) {
  if (!std::isfinite(value)) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string result = text;
  if (result[0] == '-' && result.find_first_not_of("-0.") == std::string::npos) result.erase(0, 1);
  return result;
}

std::string Fixed(const std::optional<double>& value, int decimals) {
  return value ? Fixed(*value, decimals) : "-";
}

std::string DisplayText(std::string_view bytes) {
  // Most texts are printable ASCII and stay as they are.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
    return std::string(bytes);
  }
  std::string out;
  if (IsValidUtf8(bytes)) {
    for (size_t at = 0; at < bytes.size();) {
      const size_t length = Utf8SequenceLength(bytes, at);
      const uint32_t code = CodePoint(bytes, at, length);
      // Controls and the two noncharacters that XML refuses become "?".
      if (IsControl(code) || code == 0xFFFE || code == 0xFFFF) {
        out += '?';
      } else {
        out.append(bytes, at, length);
      }
      at += length;
    }
    return out;
  }
  for (const char c : bytes) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const uint32_t code = Windows1252CodePoint(byte);
    if (code == 0 || IsControl(code)) {
      out += '?';
    } else {
      AppendUtf8(out, code);
    }
  }
  return out;
}

size_t DisplayWidth(std::string_view utf8) {
  size_t width = 0;
  for (const char c : utf8) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return width;
}

std::string Column(std::string_view utf8, size_t width, bool alignLeft) {
  std::string text(utf8);
  if (DisplayWidth(text) > width) {
    // Keep width - 1 characters and mark the cut.
    size_t kept = 0;
    size_t at = 0;
    while (at < text.size() && kept + 1 < width) {
      ++at;
      while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
      ++kept;
    }
    text = text.substr(0, at) + "~";
  }
  const std::string padding(width - DisplayWidth(text), ' ');
  return alignLeft ? text + padding : padding + text;
}

std::string Counted(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Significant(double value, int digits) {
  if (!std::isfinite(value)) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return std::string(text) == "-0" ? "0" : text;
}

namespace {

// A decimal number as the outputs write one: sign, digits, point, digits, exponent.
bool IsNumberText(std::string_view text) {
  size_t at = 0;
  const auto digits = [&] {
    const size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    return at - start;
  };
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  size_t count = digits();
  if (at < text.size() && text[at] == '.') {
    ++at;
    count += digits();
  }
  if (count == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    if (digits() == 0) return false;
  }
  return at == text.size();
}

}  // namespace

std::string SpreadsheetText(std::string_view text) {
  if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos ||
      IsNumberText(text)) {
    return std::string(text);
  }
  return "'" + std::string(text);
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string XmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string CsvLine(const std::vector<std::string_view>& fields) {
  std::string line;
  bool first = true;
  for (const std::string_view field : fields) {
    if (!first) line += ',';
    // Plain fields, by far the most, go in as they are once no spreadsheet could take them for
    // a formula.
    const bool plain = std::all_of(field.begin(), field.end(), [](char c) {
      return c >= 0x20 && c < 0x7F && c != ',' && c != '"';
    });
    const std::string text = SpreadsheetText(plain ? field : DisplayText(field));
    line += plain ? text : CsvField(text);
    first = false;
  }
  line += '\n';
  return line;
}

std::string CsvNumber(double value) {
  constexpr int kDigits = 10;
  return Significant(value, kDigits);
}

}  // namespace talvex::analysis
