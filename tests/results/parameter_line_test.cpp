#include "talvex/results/parameter_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "talvex/exception.h"

namespace talvex::results {
namespace {

TEST(NumberConversion, IntegersInDecimalAndHexadecimal) {
  const std::pair<const char*, int32_t> cases[] = {{"5000", 5000},     {"  -12", -12},
                                                   {"+7", 7},          {"$1388", 5000},
                                                   {"x10", 16},        {"X10", 16},
                                                   {"0x10", 16},       {"0XfF", 255},
                                                   {"-$10", -16},      {"$FFFFFFFF", -1},
                                                   {"$000000010", 16}, {"2147483647", 2147483647},
                                                   {"0", 0},           {"-2147483648", INT32_MIN}};
  for (const auto& [text, value] : cases) EXPECT_EQ(StrToInt(text), value) << text;
}

TEST(NumberConversion, IntegerFailuresNameTheText) {
  for (const std::string text :
       {"2147483648", "-2147483649", "99999999999999999999", "$100000000", "", " ", "12 ", "1.5",
        "0x", "$", "+", "12a", "\t12", "- 1", "$-1"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.what(), "'" + text + "' is not a valid integer value");
    }
  }
}

TEST(NumberConversion, FloatsFollowTheLocaleSeparator) {
  const std::tuple<const char*, char, double> cases[] = {
      {"0.1", '.', 0.1}, {"0,1", ',', 0.1}, {" -1.5e3 ", '.', -1500.0}, {"1E-2", '.', 0.01},
      {"+.5", '.', 0.5}, {"5.", '.', 5.0},  {"1e+2", '.', 100.0}};
  for (const auto& [text, separator, value] : cases) {
    EXPECT_DOUBLE_EQ(StrToFloat(text, separator), value) << text;
  }
  EXPECT_EQ(StrToFloat("1e-400", '.'), 0.0);
  EXPECT_EQ(StrToFloat("0.000e999999", '.'), 0.0);
}

TEST(NumberConversion, FloatFailuresNameTheText) {
  const std::pair<std::string, char> cases[] = {
      {"0.1", ','}, {"1,5", '.'},   {"", '.'},     {" ", '.'},     {".", '.'},
      {"e5", '.'},  {"1e", '.'},    {"1e+", '.'},  {"1.2.3", '.'}, {"nan", '.'},
      {"inf", '.'}, {"1e400", '.'}, {"0x10", '.'}, {"1 2", '.'},   {"--1", '.'}};
  for (const auto& [text, separator] : cases) {
    try {
      StrToFloat(text, separator);
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.what(), "'" + text + "' is not a valid floating point value");
    }
  }
}

TEST(ParameterLine, FourValuesOrTheDefaultLine) {
  const struct {
    std::string line;
    std::optional<RunParameters> parameters;
  } cases[] = {
      {"10000 0.1 0.3 1 (by default)", RunParameters{10000, 0.1, 0.3, 1}},
      {"5000 0 0 0", RunParameters{5000, 0.0, 0.0, 0}},
      {"5000 0,25 0,5 1", RunParameters{5000, 0.25, 0.5, 1}},  // a comma locale
      {"$10 1e-1 .3 -1", RunParameters{16, 0.1, 0.3, -1}},
      {"5000 0 0", std::nullopt},
      {"5000 0 0 0 0", std::nullopt},
      {"5000  0 0 0", std::nullopt},
      {"5000 zero 0 0", std::nullopt},
      {"10000 0.1 0.3 1 (by default", std::nullopt},
  };
  for (const auto& [line, parameters] : cases) {
    EXPECT_EQ(ParseParameterLine(line), parameters) << line;
  }
  EXPECT_EQ(ParameterLine({"5000", "0,25", "0", "0"}), "5000 0,25 0 0");
  EXPECT_EQ(ParameterLine({"5000", "0", "0"}), kDefaultParamLine);
}

}  // namespace
}  // namespace talvex::results
