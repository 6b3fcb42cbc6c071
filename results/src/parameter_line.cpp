#include "talvex/results/parameter_line.h"

#include <charconv>
#include <system_error>

#include "talvex/exception.h"

namespace talvex::results {
namespace {

constexpr std::string_view kDefaultSuffix = " (by default)";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

[[noreturn]] void FailInteger(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid integer value");
}

[[noreturn]] void FailFloat(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid floating point value");
}

std::optional<double> Fraction(const std::string& text) {
  for (const char separator : {'.', ','}) {
    try {
      return StrToFloat(text, separator);
    } catch (const EConvertError&) {
    }
  }
  return std::nullopt;
}

}  // namespace

int32_t StrToInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    i += 1;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) FailInteger(text);
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    if (hex) {
      const int digit = HexDigit(text[i]);
      // Hexadecimal digits give any 32-bit pattern, $FFFFFFFF being -1.
      if (digit < 0 || value > 0x0FFFFFFFu) FailInteger(text);
      value = value * 16 + static_cast<uint64_t>(digit);
    } else {
      if (!IsDigit(text[i])) FailInteger(text);
      value = value * 10 + static_cast<uint64_t>(text[i] - '0');
      if (value > 2147483648u) FailInteger(text);
    }
  }
  if (!hex && !negative && value > 2147483647u) FailInteger(text);
  const uint32_t bits = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

double StrToFloat(const std::string& text, char decimalSeparator) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string intDigits;
  std::string fracDigits;
  while (i < n && IsDigit(text[i])) intDigits += text[i++];
  if (i < n && text[i] == decimalSeparator) {
    ++i;
    while (i < n && IsDigit(text[i])) fracDigits += text[i++];
  }
  if (intDigits.empty() && fracDigits.empty()) FailFloat(text);
  std::string exponent;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) exponent += text[i++];
    const size_t firstDigit = i;
    while (i < n && IsDigit(text[i])) exponent += text[i++];
    if (i == firstDigit) FailFloat(text);
  }
  while (i < n && text[i] == ' ') ++i;
  if (i != n) FailFloat(text);

  // Rewritten in the one form the locale-free parser reads.
  std::string plain = (negative ? "-" : "") + (intDigits.empty() ? "0" : intDigits);
  if (!fracDigits.empty()) plain += "." + fracDigits;
  if (!exponent.empty()) plain += "e" + exponent;
  double value = 0.0;
  const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Too small for a double gives zero; too large is no valid value. The decimal exponent
    // of the leading digit tells which.
    const std::string digits = intDigits + fracDigits;
    const size_t lead = digits.find_first_not_of('0');
    int64_t exp10 = 0;
    for (char c : exponent) {
      if (IsDigit(c) && exp10 < 1000000000) exp10 = exp10 * 10 + (c - '0');
    }
    if (!exponent.empty() && exponent[0] == '-') exp10 = -exp10;
    const bool tiny =
        lead == std::string::npos ||
        static_cast<int64_t>(intDigits.size()) - 1 - static_cast<int64_t>(lead) + exp10 < 0;
    if (!tiny) FailFloat(text);
    return negative ? -0.0 : 0.0;
  }
  if (error != std::errc() || end != plain.data() + plain.size()) FailFloat(text);
  return value;
}

std::string ParameterLine(const std::vector<std::string>& values) {
  if (values.size() != 4) return kDefaultParamLine;
  return values[0] + " " + values[1] + " " + values[2] + " " + values[3];
}

bool RunParameters::operator==(const RunParameters& other) const {
  return exposure == other.exposure && positiveFraction == other.positiveFraction &&
         negativeFraction == other.negativeFraction && desktopCopy == other.desktopCopy;
}

std::optional<RunParameters> ParseParameterLine(std::string_view line) {
  if (line == kDefaultParamLine) line.remove_suffix(kDefaultSuffix.size());
  std::vector<std::string> values;
  size_t start = 0;
  while (values.size() <= 4) {
    const size_t blank = line.find(' ', start);
    values.emplace_back(
        line.substr(start, blank == std::string_view::npos ? blank : blank - start));
    if (blank == std::string_view::npos) break;
    start = blank + 1;
  }
  if (values.size() != 4) return std::nullopt;
  RunParameters parameters;
  try {
    parameters.exposure = StrToInt(values[0]);
    parameters.desktopCopy = StrToInt(values[3]);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
  const std::optional<double> positive = Fraction(values[1]);
  const std::optional<double> negative = Fraction(values[2]);
  if (!positive || !negative) return std::nullopt;
  parameters.positiveFraction = *positive;
  parameters.negativeFraction = *negative;
  return parameters;
}

}  // namespace talvex::results
