#include "talvex/experiment/run_parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "talvex/exception.h"

namespace talvex::experiment {
namespace {

using Values = std::vector<std::string>;

TEST(CommandLine, QuotedProgramPathKeepsItsBlanks) {
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Talvex\\talvex.exe\" 5000 0.2 0.3 0"),
            (Values{"C:\\Program Files\\Talvex\\talvex.exe", "5000", "0.2", "0.3", "0"}));
  EXPECT_EQ(SplitCommandLine("talvex.exe"), (Values{"talvex.exe"}));
  EXPECT_EQ(SplitCommandLine(""), Values{});
}

TEST(CommandLine, QuotesJoinStretchesAndAreDropped) {
  EXPECT_EQ(SplitCommandLine("t.exe a\"b c\"d"), (Values{"t.exe", "ab cd"}));
  EXPECT_EQ(SplitCommandLine("t.exe \"open to the end"), (Values{"t.exe", "open to the end"}));
  EXPECT_EQ(SplitCommandLine("t.exe a\"\"b"), (Values{"t.exe", "ab"}));
}

TEST(CommandLine, EmptyPairsWhereAValueBeginsAreSkipped) {
  EXPECT_EQ(SplitCommandLine("t.exe \"\" 5000"), (Values{"t.exe", "5000"}));
  EXPECT_EQ(SplitCommandLine("t.exe \"\" \"\"x 1"), (Values{"t.exe", "x", "1"}));
  EXPECT_EQ(SplitCommandLine("t.exe \"\"\"\""), (Values{"t.exe"}));
  // A lone quote opens a stretch to the end; an empty one is an empty value and ends the count.
  EXPECT_EQ(SplitCommandLine("t.exe \"\"\" 2"), (Values{"t.exe", " 2"}));
  EXPECT_EQ(SplitCommandLine("t.exe 1 \"\"\""), (Values{"t.exe", "1"}));
}

TEST(CommandLine, ControlCharactersSeparateAndHighBytesBelongToValues) {
  EXPECT_EQ(SplitCommandLine("t.exe\t5000\r\n0.1\x01 caf\xe9"),
            (Values{"t.exe", "5000", "0.1", "caf\xe9"}));
  EXPECT_EQ(SplitCommandLine(std::string_view("t.exe 1\0 2", 10)), (Values{"t.exe", "1"}));
}

void ExpectIntegerFails(const std::string& text) {
  try {
    StrToInt(text);
    ADD_FAILURE() << "no error for '" << text << "'";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value");
  }
}

void ExpectFloatFails(const std::string& text, char separator = '.') {
  try {
    StrToFloat(text, separator);
    ADD_FAILURE() << "no error for '" << text << "'";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid floating point value");
  }
}

TEST(NumberConversion, IntegersInDecimalAndHexadecimal) {
  EXPECT_EQ(StrToInt("5000"), 5000);
  EXPECT_EQ(StrToInt("  -12"), -12);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("$1388"), 5000);
  EXPECT_EQ(StrToInt("x10"), 16);
  EXPECT_EQ(StrToInt("X10"), 16);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("0XfF"), 255);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("$000000010"), 16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("0"), 0);
}

TEST(NumberConversion, IntegerFailuresNameTheText) {
  for (const char* text : {"2147483648", "-2147483649", "99999999999999999999", "$100000000", "",
                           " ", "12 ", "1.5", "0x", "$", "+", "12a", "\t12", "- 1", "$-1"}) {
    ExpectIntegerFails(text);
  }
}

TEST(NumberConversion, FloatsFollowTheLocaleSeparator) {
  EXPECT_DOUBLE_EQ(StrToFloat("0.1", '.'), 0.1);
  EXPECT_DOUBLE_EQ(StrToFloat("0,1", ','), 0.1);
  EXPECT_DOUBLE_EQ(StrToFloat(" -1.5e3 ", '.'), -1500.0);
  EXPECT_DOUBLE_EQ(StrToFloat("1E-2", '.'), 0.01);
  EXPECT_DOUBLE_EQ(StrToFloat("+.5", '.'), 0.5);
  EXPECT_DOUBLE_EQ(StrToFloat("5.", '.'), 5.0);
  EXPECT_DOUBLE_EQ(StrToFloat("1e+2", '.'), 100.0);
  EXPECT_EQ(StrToFloat("1e-400", '.'), 0.0);
  EXPECT_EQ(StrToFloat("0.000e999999", '.'), 0.0);
  ExpectFloatFails("0.1", ',');
  ExpectFloatFails("1,5", '.');
}

TEST(NumberConversion, FloatFailuresNameTheText) {
  for (const char* text :
       {"", " ", ".", "e5", "1e", "1e+", "1.2.3", "nan", "inf", "1e400", "0x10", "1 2", "--1"}) {
    ExpectFloatFails(text);
  }
}

}  // namespace
}  // namespace talvex::experiment
