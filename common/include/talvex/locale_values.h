#pragma once
// The regional settings the results file and the number conversions depend on, in the
// vocabulary of the Windows locale values (short-date pattern, LOCALE_ITIME, ...).

#include <string>

namespace talvex {

struct LocaleValues {
  std::string shortDatePattern = "M/d/yyyy";  // LOCALE_SSHORTDATE; "/" stands for dateSeparator
  std::string dateSeparator = "/";            // LOCALE_SDATE
  std::string timeSeparator = ":";            // LOCALE_STIME
  bool twentyFourHour = false;                // LOCALE_ITIME = 1
  bool hourLeadingZero = false;               // LOCALE_ITLZERO = 1
  std::string amDesignator = "AM";            // LOCALE_S1159
  std::string pmDesignator = "PM";            // LOCALE_S2359
  bool designatorBeforeTime = false;          // LOCALE_ITIMEMARKPOSN = 1
  char decimalSeparator = '.';                // LOCALE_SDECIMAL
};

}  // namespace talvex
