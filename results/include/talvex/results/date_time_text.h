#pragma once
// The date and time texts of the rater's locale, as the rows and the file names carry them.

#include <string>

#include "talvex/local_time.h"
#include "talvex/locale_values.h"

namespace talvex::results {

// Date text: the short-date pattern with the locale's date separator.
std::string DateText(const LocalTime& time, const LocaleValues& locale);
// Time text: hour, separator, mm, separator, ss, with the AM/PM designator on a 12-hour clock.
std::string TimeText(const LocalTime& time, const LocaleValues& locale);

}  // namespace talvex::results
