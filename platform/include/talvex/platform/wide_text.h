#pragma once
// Windows only: the wide-character (UTF-16) form of the core's UTF-8 text and back, for the
// Windows API's W functions. On Windows wchar_t is a UTF-16 code unit.

#include <string>
#include <string_view>

#include "talvex/utf16_text.h"

namespace talvex::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 code unit");

inline std::wstring Widen(std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

inline std::string Narrow(std::wstring_view text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

}  // namespace talvex::platform
