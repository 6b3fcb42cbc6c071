#include "talvex/pack/listing.h"

#include <cstdint>

#include "talvex/exception.h"

namespace talvex::pack {

namespace {

// Code points that change how a terminal lays out what follows them.
bool IsLayoutControl(uint32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0x200E && c <= 0x200F) ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The length of the well-formed UTF-8 sequence at i and its code point; 0 when there is none.
size_t Utf8Sequence(const std::string& text, size_t i, uint32_t& c) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length = 0;
  uint32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1Fu, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0Fu, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07u, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    c = (c << 6) | (next & 0x3Fu);
  }
  if (c < minimum || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string PrintableName(const std::string& name) {
  std::string out;
  for (size_t i = 0; i < name.size();) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      if (byte == '\\') out += '\\';
      out += static_cast<char>(byte);
      ++i;
      continue;
    }
    uint32_t c = 0;
    const size_t length = byte >= 0x80 ? Utf8Sequence(name, i, c) : 0;
    if (length == 0) {
      if (byte == '\t') {
        out += "\\t";
      } else if (byte == '\r') {
        out += "\\r";
      } else if (byte == '\n') {
        out += "\\n";
      } else {
        out += FormatMessage("\\x%02X", static_cast<unsigned>(byte));
      }
      ++i;
    } else {
      out += IsLayoutControl(c) ? FormatMessage("\\u%04X", static_cast<unsigned>(c))
                                : name.substr(i, length);
      i += length;
    }
  }
  return out;
}

}  // namespace talvex::pack
