#include "talvex/platform/windows_locale.h"

#include <windows.h>

#include <string>

#include "talvex/platform/wide_text.h"

namespace talvex::platform {
namespace {

// One locale value as text; "" when the locale has none.
std::string Value(LCID localeId, LCTYPE type) {
  wchar_t buffer[128];  // every value read here is far shorter; longer ones are asked anew
  int length = GetLocaleInfoW(localeId, type, buffer, static_cast<int>(std::size(buffer)));
  if (length > 0) return Narrow(std::wstring_view(buffer, static_cast<size_t>(length - 1)));
  length = GetLocaleInfoW(localeId, type, nullptr, 0);
  if (length <= 0) return "";
  std::wstring large(static_cast<size_t>(length), L'\0');
  length = GetLocaleInfoW(localeId, type, large.data(), length);
  if (length <= 0) return "";
  large.resize(static_cast<size_t>(length - 1));  // the count includes the terminator
  return Narrow(large);
}

}  // namespace

LocaleValues LocaleValuesOf(uint32_t localeId) {
  const LCID id = localeId;
  LocaleValues values;
  // No pattern at all leaves the choice of the default to the date text.
  values.shortDatePattern = Value(id, LOCALE_SSHORTDATE);
  if (const std::string separator = Value(id, LOCALE_SDATE); !separator.empty()) {
    values.dateSeparator = separator;
  }
  if (const std::string separator = Value(id, LOCALE_STIME); !separator.empty()) {
    values.timeSeparator = separator;
  }
  values.twentyFourHour = Value(id, LOCALE_ITIME) == "1";
  values.hourLeadingZero = Value(id, LOCALE_ITLZERO) == "1";
  values.amDesignator = Value(id, LOCALE_S1159);
  values.pmDesignator = Value(id, LOCALE_S2359);
  values.designatorBeforeTime = Value(id, LOCALE_ITIMEMARKPOSN) == "1";
  // A separator of more than one byte (a multi-byte character) has no single-character form.
  const std::string decimal = Value(id, LOCALE_SDECIMAL);
  values.decimalSeparator = decimal.size() == 1 ? decimal[0] : '.';
  return values;
}

LocaleValues ThreadLocaleValues() {
  return LocaleValuesOf(GetThreadLocale());
}

}  // namespace talvex::platform
