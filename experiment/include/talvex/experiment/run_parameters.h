#pragma once
// The four positional run parameters: converting the command line's values to numbers.

#include <cstdint>
#include <string>
#include <vector>

#include "talvex/experiment/experiment_record.h"

namespace talvex::experiment {

inline constexpr const char* kDefaultParamLine = "10000 0.1 0.3 1 (by default)";

// The values before the first empty one.
std::vector<std::string> ValuesUpToFirstEmpty(const std::vector<std::string>& values);

// Leading blanks, a sign, decimal digits in the 32-bit signed range or hexadecimal digits
// after "$", "x" or "0x"; nothing after the digits. Raises EConvertError
// "'<text>' is not a valid integer value".
int32_t StrToInt(const std::string& text);

// Blanks, a sign, digits with the given decimal separator, an exponent after "E" or "e",
// blanks. Raises EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(const std::string& text, char decimalSeparator);

// Fills Exposure, PosFraction, NegFraction and ParamLine from exactly four values (the
// defaults otherwise) and sets CopyToDesktop when the fourth is above 0. A value that does
// not convert, a negative exposure or a repeat share above 1 raises EConvertError naming the
// value, leaving the values taken before it set.
void ReadRunParameters(ExperimentRecord& record, const std::vector<std::string>& values,
                       char decimalSeparator);

}  // namespace talvex::experiment
