#pragma once
// Translation of the C library's locale information (nl_langinfo) into the locale values
// the core uses: the short-date pattern with "/" for the date separator, the time separator,
// the clock, the designators and the decimal separator.

#include <string>

#include "talvex/locale_values.h"

namespace talvex::platform {

// The C library's texts the translation reads.
struct LanginfoTexts {
  std::string dateFormat;      // D_FMT, e.g. "%d.%m.%Y"
  std::string timeFormat;      // T_FMT, e.g. "%H:%M:%S" or "%r"
  std::string timeFormatAmPm;  // T_FMT_AMPM, what "%r" stands for
  std::string amText;          // AM_STR
  std::string pmText;          // PM_STR
  std::string radix;           // RADIXCHAR
};

LocaleValues TranslateLocale(const LanginfoTexts& texts);

// The texts of the current global locale.
LanginfoTexts CurrentLanginfo();
// The texts of a named locale; false when it is not installed.
bool NamedLanginfo(const std::string& localeName, LanginfoTexts& texts);

}  // namespace talvex::platform
