#pragma once
// Local wall-clock readings and the time stamp built from them.

#include <cstdint>

namespace talvex {

// One reading of the local wall clock, to the millisecond.
struct LocalTime {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  int hour = 0;    // 0..23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Days from 30 December 1899 to the given civil date (may be negative).
inline int64_t DaysSince18991230(int year, int month, int day) {
  // Days from civil, after the well-known era algorithm (proleptic Gregorian).
  const int64_t y = month <= 2 ? year - 1 : year;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t mp = (month + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t daysSince1970 = era * 146097 + doe - 719468;
  return daysSince1970 + 25569;  // 1970-01-01 is day 25569 of this count
}

// The time stamp: days since 30 December 1899 plus the elapsed fraction of the day.
inline double ToTimeStamp(const LocalTime& t) {
  const double msOfDay =
      ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.millisecond;
  return static_cast<double>(DaysSince18991230(t.year, t.month, t.day)) + msOfDay / 86400000.0;
}

}  // namespace talvex
