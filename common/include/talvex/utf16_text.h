#pragma once
// Conversion between UTF-16 and the core's narrow text, UTF-8: the one place where text
// crosses between the two, for resource names read from executables and for every text that
// passes the Windows wide-character interface.

#include <cstdint>
#include <string>
#include <string_view>

namespace talvex {

// A lone surrogate becomes U+FFFD.
inline std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t{text[i + 1]} - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Every byte that does not begin a well-formed sequence (a stray continuation byte, a
// truncated or overlong sequence, an encoded surrogate, a value above U+10FFFF) becomes one
// U+FFFD, so no input is lost silently and none reads past the end.
inline std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    uint32_t c = 0xFFFD;
    size_t length = 1;
    size_t need = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
      c = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      need = 1, minimum = 0x80, c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      need = 2, minimum = 0x800, c = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      need = 3, minimum = 0x10000, c = lead & 0x07u;
    }
    if (need > 0) {
      bool wellFormed = i + need < text.size();
      for (size_t k = 1; wellFormed && k <= need; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        wellFormed = (next & 0xC0) == 0x80;
        c = (c << 6) | (next & 0x3Fu);
      }
      if (wellFormed && c >= minimum && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)) {
        length = need + 1;
      } else {
        c = 0xFFFD;
      }
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

}  // namespace talvex
