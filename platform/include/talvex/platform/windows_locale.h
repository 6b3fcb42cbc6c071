#pragma once
// Windows only: the locale values the core uses, read with GetLocaleInfoW.

#include <cstdint>

#include "talvex/locale_values.h"

namespace talvex::platform {

// The values of a locale identifier (an LCID such as 0x0409 for en-US); a value the locale
// does not give keeps its default.
LocaleValues LocaleValuesOf(uint32_t localeId);

// The values of the calling thread's locale (GetThreadLocale).
LocaleValues ThreadLocaleValues();

}  // namespace talvex::platform
