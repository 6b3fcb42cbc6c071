#include "talvex/results/rater_id.h"

#include <string_view>

#include "talvex/ascii.h"
#include "talvex/exception.h"

namespace talvex::results {
namespace {

// Characters no Windows file name may hold, besides the control characters.
constexpr std::string_view kNameBreakers = "/\\<>:\"|?*";
constexpr const char* kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
// Windows takes the superscript digits one to three in COM and LPT names for the digits.
constexpr const char* kSuperscriptDigits[] = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};

bool IsControlByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 32 || byte == 127;
}

// Whether a name names a device on Windows: its part before the first dot, without blanks at
// its end, is a device's name in any letter case.
bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  base.erase(base.find_last_not_of(' ') + 1);
  base = AsciiUpper(base);
  for (const char* device : kDeviceNames) {
    if (base == device) return true;
  }
  if (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0) return false;
  const std::string number = base.substr(3);
  if (number.size() == 1 && number[0] >= '1' && number[0] <= '9') return true;
  for (const char* digit : kSuperscriptDigits) {
    if (number == digit) return true;
  }
  return false;
}

}  // namespace

std::string RaterIdRefusal(System& system, const std::string& raterId) {
  if (raterId.size() > kMaxRaterIdBytes) {
    return FormatMessage("This ID is too long. Please use at most %zu letters and digits.",
                         kMaxRaterIdBytes);
  }
  if (raterId.find_first_not_of(' ') == std::string::npos || raterId.back() == '.' ||
      raterId.back() == ' ' || IsDeviceName(raterId)) {
    return kUnusableIdMessage;
  }
  for (const char c : raterId) {
    if (IsControlByte(c) || kNameBreakers.find(c) != std::string_view::npos) {
      return kUnusableIdMessage;
    }
  }
  if (!system.FileText(raterId)) return kUnwritableIdMessage;
  return "";
}

bool IsUsableRaterId(System& system, const std::string& raterId) {
  return RaterIdRefusal(system, raterId).empty();
}

}  // namespace talvex::results
