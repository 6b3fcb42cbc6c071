#pragma once
// A System for tests: clocks, counter, locale, folders and command line are plain fields
// a test sets; folders are real temporary folders so that results files can be written.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "talvex/system.h"

namespace talvex::testing {

// A fresh folder under the temporary folder, removed with its contents at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "talvex-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder's text ending in the separator.
  std::string WithSeparator() const { return path_.string() + kPathSeparator; }

 private:
  std::filesystem::path path_;
};

class FakeSystem : public System {
 public:
  FakeSystem() {
    std::filesystem::create_directories(programRoot.Path() / "bin");
    programFolder = (programRoot.Path() / "bin").string() + kPathSeparator;
    tempFolder = tempRoot.WithSeparator();
    desktopFolder = desktopRoot.Path().string();
  }

  // Moves both clocks on; the wall clock may be stepped alone with StepWallClock.
  void AdvanceMs(int64_t ms) { AdvanceNs(ms * 1000000); }
  void AdvanceNs(int64_t ns) {
    monotonicNs += ns;
    wallNs += ns;
  }
  void StepWallClock(int64_t ms) { wallNs += ms * 1000000; }

  LocalTime LocalNow() override {
    // wallNs counts from 30 December 1899, 00:00.
    const int64_t ms = wallNs / 1000000;
    const int64_t days = ms / 86400000;
    int64_t rest = ms % 86400000;
    LocalTime t = CivilFromDays(days);
    t.hour = static_cast<int>(rest / 3600000);
    rest %= 3600000;
    t.minute = static_cast<int>(rest / 60000);
    rest %= 60000;
    t.second = static_cast<int>(rest / 1000);
    t.millisecond = static_cast<int>(rest % 1000);
    return t;
  }
  int64_t MonotonicNanoseconds() override { return monotonicNs; }
  // The counter runs on between readings, as a free-running counter does.
  bool ReadPerformanceCounter(uint64_t& value) override {
    value = counter;
    counter += counterStep;
    return counterReadable;
  }
  uint32_t TickCount() override { return tickCount; }
  LocaleValues Locale() override { return locale; }
  std::string ExecutablePath() override { return programFolder + "talvex"; }
  std::vector<std::string> CommandLineValues() override { return commandLine; }
  int GetDriveKind(const std::string&) override { return driveKind; }
  std::string GetTempFolder() override { return tempFolder; }
  std::string GetSpecialFolder(int) override { return desktopFolder; }
  bool FolderIsWritable(const std::string&) override { return programFolderWritable; }
  void OpenWebAddress(const std::string& address) override { openedAddresses.push_back(address); }

  TempFolder programRoot;
  TempFolder tempRoot;
  TempFolder desktopRoot;

  // 7 December 2026, 14:05:09.000 local time.
  int64_t wallNs = (int64_t{46363} * 86400000 + ((14 * 60 + 5) * 60 + 9) * 1000) * 1000000;
  int64_t monotonicNs = int64_t{5000} * 1000000000;
  uint64_t counter = 0x1234567800000000u;
  uint64_t counterStep = 0x9E3779B97F4A7C15u;
  bool counterReadable = true;
  uint32_t tickCount = 0;
  LocaleValues locale;
  std::string programFolder;
  std::vector<std::string> commandLine;
  int driveKind = kDriveFixed;
  std::string tempFolder;
  std::string desktopFolder;
  bool programFolderWritable = true;
  std::vector<std::string> openedAddresses;

 private:
  static LocalTime CivilFromDays(int64_t daysSince18991230) {
    const int64_t z = daysSince18991230 - 25569 + 719468;  // days since 0000-03-01
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    LocalTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    return t;
  }
};

}  // namespace talvex::testing
