#include <string>

#include "talvex/imagestore/exe_image.h"
#include "talvex/utf16_text.h"

namespace talvex::imagestore {

// The narrow code page of Talvex's text is UTF-8 on every platform, so the default
// conversion of directory text is UTF-16 to UTF-8.
std::string Utf16ToAnsi(const std::u16string& text) {
  return Utf16ToUtf8(text);
}

}  // namespace talvex::imagestore
