#include "talvex/platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "talvex/utf16_text.h"

namespace talvex::platform {
namespace {

using Values = std::vector<std::string>;

TEST(CommandLine, SplitsIntoValues) {
  const std::pair<std::string, Values> cases[] = {
      // A quoted program path keeps its blanks.
      {"\"C:\\Program Files\\Talvex\\talvex.exe\" 5000 0.2 0.3 0",
       {"C:\\Program Files\\Talvex\\talvex.exe", "5000", "0.2", "0.3", "0"}},
      {"talvex.exe", {"talvex.exe"}},
      {"", {}},
      // Quotes join stretches and are dropped.
      {"t.exe a\"b c\"d", {"t.exe", "ab cd"}},
      {"t.exe \"open to the end", {"t.exe", "open to the end"}},
      {"t.exe a\"\"b", {"t.exe", "ab"}},
      // Empty pairs where a value begins are skipped.
      {"t.exe \"\" 5000", {"t.exe", "5000"}},
      {"t.exe \"\" \"\"x 1", {"t.exe", "x", "1"}},
      {"t.exe \"\"\"\"", {"t.exe"}},
      // A lone quote opens a stretch to the end; an empty one is an empty value and ends the
      // count.
      {"t.exe \"\"\" 2", {"t.exe", " 2"}},
      {"t.exe 1 \"\"\"", {"t.exe", "1"}},
      // Control characters separate; high bytes belong to values; NUL ends the line.
      {"t.exe\t5000\r\n0.1\x01 caf\xe9", {"t.exe", "5000", "0.1", "caf\xe9"}},
      {std::string("t.exe 1\0 2", 10), {"t.exe", "1"}},
  };
  for (const auto& [line, values] : cases) EXPECT_EQ(SplitCommandLine(line), values) << line;
}

TEST(Utf16Text, RoundTripsEveryPlane) {
  // ASCII, Latin, CJK, and a letter outside the basic plane (a surrogate pair).
  const std::string utf8 = "k4T19 J\xC3\xBCrgen \xE6\x9D\x8E \xF0\x9F\x98\x80";
  const std::u16string utf16 = u"k4T19 J\u00FCrgen \u674E \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
}

TEST(Utf16Text, MalformedInputBecomesReplacementCharacters) {
  const std::pair<std::string, std::u16string> narrowCases[] = {
      {"a\x80"
       "b",
       u"a\uFFFDb"},                            // a stray continuation byte
      {"a\xC3", u"a\uFFFD"},                    // cut short at the end
      {"\xE6\x9D", u"\uFFFD\uFFFD"},            // cut short, both bytes kept as one each
      {"\xC0\xAF", u"\uFFFD\uFFFD"},            // an overlong "/" must not pass as a separator
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE9t\xE9", u"\uFFFDt\uFFFD"},                    // Latin-1 text is not UTF-8
  };
  for (const auto& [narrow, wide] : narrowCases) EXPECT_EQ(Utf8ToUtf16(narrow), wide) << narrow;
  const std::pair<std::u16string, std::string> wideCases[] = {
      {std::u16string(1, u'\xD800') + u"x", "\xEF\xBF\xBDx"},  // a high surrogate alone
      {std::u16string(1, u'\xDC00'), "\xEF\xBF\xBD"},          // a low surrogate alone
  };
  for (const auto& [wide, narrow] : wideCases) EXPECT_EQ(Utf16ToUtf8(wide), narrow);
}

}  // namespace
}  // namespace talvex::platform
