#pragma once
// A System whose clock, locale and folders the test sets.

#include <map>
#include <string>
#include <vector>

#include "talvex/system.h"

namespace talvex::testing {

class FakeSystem : public System {
 public:
  LocalTime now;
  LocaleValues locale;
  std::string tempFolder = "/tmp/";
  std::string desktop;
  std::map<std::string, int> driveKinds;  // by root; kDriveFixed for any other
  std::vector<std::string> drivesAsked;

  LocalTime LocalNow() override { return now; }
  int64_t MonotonicNanoseconds() override { return 0; }
  bool ReadPerformanceCounter(uint64_t& value) override {
    value = 0;
    return true;
  }
  uint32_t TickCount() override { return 0; }
  LocaleValues Locale() override { return locale; }
  std::string ExecutablePath() override { return "/opt/talvex/talvex"; }
  std::vector<std::string> CommandLineValues() override { return {}; }
  int GetDriveKind(const std::string& root) override {
    drivesAsked.push_back(root);
    const auto kind = driveKinds.find(root);
    return kind == driveKinds.end() ? kDriveFixed : kind->second;
  }
  std::string GetTempFolder() override { return tempFolder; }
  std::string GetSpecialFolder(int csidl) override { return csidl == kCsidlDesktop ? desktop : ""; }
  bool FolderIsWritable(const std::string&) override { return true; }
  void OpenWebAddress(const std::string&) override {}
};

inline LocalTime At(int year, int month, int day, int hour, int minute, int second) {
  LocalTime time;
  time.year = year;
  time.month = month;
  time.day = day;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  return time;
}

// dd/MM/yyyy and a 24-hour clock with leading zero.
inline LocaleValues DayFirstLocale() {
  LocaleValues locale;
  locale.shortDatePattern = "dd/MM/yyyy";
  locale.twentyFourHour = true;
  locale.hourLeadingZero = true;
  return locale;
}

// M/d/yyyy and a 12-hour clock without leading zero, designator after the time.
inline LocaleValues MonthFirstLocale() {
  return LocaleValues{};
}

}  // namespace talvex::testing
