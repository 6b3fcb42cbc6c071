#pragma once
// The parameter line, the first line of every results file: the four run parameters (exposure
// in ms, the repeat shares of the positive and the negative images, the desktop-copy switch)
// as typed on the command line, or the default line; and the conversions of their values.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::results {

inline constexpr const char* kDefaultParamLine = "10000 0.1 0.3 1 (by default)";

// Leading blanks, a sign, decimal digits in the 32-bit signed range or hexadecimal digits
// after "$", "x" or "0x"; nothing after the digits. Raises EConvertError
// "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string& text);

// Blanks, a sign, digits with the given decimal separator, an exponent after "E" or "e",
// blanks. Raises EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(const std::string& text, char decimalSeparator);

// The parameter line of the command line's values: exactly four, joined by single blanks, or
// else kDefaultParamLine.
std::string ParameterLine(const std::vector<std::string>& values);

// The four run parameters as a parameter line gives them.
struct RunParameters {
  int exposure = 0;  // milliseconds; 0 or less: the image stays until it is rated
  double positiveFraction = 0.0;
  double negativeFraction = 0.0;
  int desktopCopy = 0;
  bool operator==(const RunParameters& other) const;
};

// The run parameters of a parameter line: the default line, or four values joined by single
// blanks, the fractions with a point or a comma; nothing when the line is neither.
std::optional<RunParameters> ParseParameterLine(std::string_view line);

}  // namespace talvex::results
