#include "talvex/platform/command_line.h"

namespace talvex::platform {
namespace {

// One value of a command line starting at position i (see SplitCommandLine).
std::string NextValue(std::string_view text, size_t& i) {
  auto at = [&](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0; };
  for (;;) {
    while (at(i) != 0 && at(i) <= ' ') ++i;
    if (at(i) == '"' && at(i + 1) == '"') {
      i += 2;  // an empty pair where a value would begin is skipped
    } else {
      break;
    }
  }
  std::string value;
  while (at(i) > ' ') {
    if (at(i) == '"') {
      ++i;
      while (at(i) != 0 && at(i) != '"') value += text[i++];
      if (at(i) != 0) ++i;
    } else {
      value += text[i++];
    }
  }
  return value;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view text) {
  // A NUL character ends the text, as it ends the platform's command line.
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> values;
  size_t i = 0;
  // A value comes out empty only once the text has run out.
  for (std::string value = NextValue(text, i); !value.empty(); value = NextValue(text, i)) {
    values.push_back(std::move(value));
  }
  return values;
}

}  // namespace talvex::platform
