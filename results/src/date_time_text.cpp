#include "talvex/results/date_time_text.h"

#include <cstdint>
#include <string>

namespace talvex::results {
namespace {

constexpr const char* kDefaultDatePattern = "M/d/yy";

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::string TwoDigits(int value) {
  value %= 100;
  if (value < 0) value = -value;
  return std::string(1, static_cast<char>('0' + value / 10)) + static_cast<char>('0' + value % 10);
}

std::string Padded(int value, size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

int DayOfWeek(const LocalTime& time) {
  // Day 0 of the count, 30 December 1899, was a Saturday.
  const int64_t days = DaysSince18991230(time.year, time.month, time.day);
  return static_cast<int>(((days % 7) + 7 + 6) % 7);
}

std::string DayName(const LocalTime& time, bool abbreviated) {
  const std::string name = kDayNames[DayOfWeek(time)];
  return abbreviated ? name.substr(0, 3) : name;
}

std::string MonthName(int month, bool abbreviated) {
  if (month < 1 || month > 12) return "";
  const std::string name = kMonthNames[month - 1];
  return abbreviated ? name.substr(0, 3) : name;
}

}  // namespace

std::string DateText(const LocalTime& time, const LocaleValues& locale) {
  const std::string& pattern =
      locale.shortDatePattern.empty() ? std::string(kDefaultDatePattern) : locale.shortDatePattern;
  std::string out;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '\'' || c == '"') {
      // Quoted literal text; a doubled quote stands for the quote itself.
      size_t j = i + 1;
      if (j < pattern.size() && pattern[j] == c) {
        out += c;
        i = j + 1;
        continue;
      }
      while (j < pattern.size()) {
        if (pattern[j] == c) {
          if (j + 1 < pattern.size() && pattern[j + 1] == c) {
            out += c;
            j += 2;
            continue;
          }
          break;
        }
        out += pattern[j++];
      }
      i = j + 1;
      continue;
    }
    if (c == '/') {
      out += locale.dateSeparator;
      ++i;
      continue;
    }
    const char lower = static_cast<char>(c | 0x20);
    if (lower != 'd' && lower != 'm' && lower != 'y' && lower != 'g') {
      out += c;
      ++i;
      continue;
    }
    size_t run = 1;
    while (i + run < pattern.size() && static_cast<char>(pattern[i + run] | 0x20) == lower) ++run;
    i += run;
    switch (lower) {
      case 'd':
        if (run == 1)
          out += std::to_string(time.day);
        else if (run == 2)
          out += TwoDigits(time.day);
        else
          out += DayName(time, run == 3);
        break;
      case 'm':  // a date pattern has no minutes: m is the month whatever its case
        if (run == 1)
          out += std::to_string(time.month);
        else if (run == 2)
          out += TwoDigits(time.month);
        else
          out += MonthName(time.month, run == 3);
        break;
      case 'y':
        if (run == 1)
          out += std::to_string(time.year % 100);
        else if (run == 2)
          out += TwoDigits(time.year);
        else
          out += Padded(time.year, 4);
        break;
      default:  // the era: the Gregorian calendar has none worth writing
        break;
    }
  }
  return out;
}

std::string TimeText(const LocalTime& time, const LocaleValues& locale) {
  int hour = time.hour;
  if (!locale.twentyFourHour) {
    hour %= 12;
    if (hour == 0) hour = 12;
  }
  std::string text = locale.hourLeadingZero ? TwoDigits(hour) : std::to_string(hour);
  text +=
      locale.timeSeparator + TwoDigits(time.minute) + locale.timeSeparator + TwoDigits(time.second);
  if (!locale.twentyFourHour) {
    const std::string& designator = time.hour < 12 ? locale.amDesignator : locale.pmDesignator;
    if (!designator.empty()) {
      text = locale.designatorBeforeTime ? designator + " " + text : text + " " + designator;
    }
  }
  return text;
}

}  // namespace talvex::results
