#pragma once
// Test support of the results and the experiment: a System whose clocks, counter, locale,
// files' character set, folders and command line are plain fields a test sets, the locales the
// tests use, and one-piece encipherment.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scratch_folder.h"
#include "talvex/imagestore/crypto.h"
#include "talvex/system.h"
#include "talvex/utf16_text.h"

namespace talvex::testing {

inline LocalTime At(int year, int month, int day, int hour, int minute, int second) {
  return LocalTime{year, month, day, hour, minute, second, 0};
}

// The folders are real scratch folders, so that results files can be written.
class FakeSystem : public System {
 public:
  FakeSystem() {
    std::filesystem::create_directory(programRoot / "bin");
    programFolder = programRoot / "bin/";
    tempFolder = tempRoot.Path() + "/";
    desktop = desktopRoot.Path();
  }

  // Moves both clocks on; the wall clock may be stepped alone with StepWallClock.
  void AdvanceMs(int64_t ms) { AdvanceNs(ms * 1000000); }
  void AdvanceNs(int64_t ns) {
    monotonicNs += ns;
    wallStepNs += ns;
  }
  void StepWallClock(int64_t ms) { wallStepNs += ms * 1000000; }

  // now, moved on by the steps within its day.
  LocalTime LocalNow() override {
    const int64_t ms = ((now.hour * 60 + now.minute) * 60 + now.second) * 1000 + now.millisecond +
                       wallStepNs / 1000000;
    LocalTime t = now;
    t.hour = static_cast<int>(ms / 3600000);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.millisecond = static_cast<int>(ms % 1000);
    return t;
  }
  int64_t MonotonicNanoseconds() override { return monotonicNs; }
  // The counter runs on between readings, as a free-running counter does.
  bool ReadPerformanceCounter(uint64_t& value) override {
    value = counter;
    counter += 0x9E3779B97F4A7C15u;
    return counterReadable;
  }
  uint32_t TickCount() override { return tickCount; }
  LocaleValues Locale() override { return locale; }
  // With latin1Files, the files' character set is Latin-1, as on a Windows machine whose ANSI
  // code page holds no character beyond U+00FF.
  std::optional<std::string> FileText(const std::string& text) override {
    if (!latin1Files) return text;
    std::string bytes;
    for (const char16_t unit : Utf8ToUtf16(text)) {
      if (unit > 0xFF) return std::nullopt;
      bytes += static_cast<char>(unit);
    }
    return bytes;
  }
  std::string ExecutablePath() override { return programFolder + "talvex"; }
  std::vector<std::string> CommandLineValues() override { return commandLine; }
  int GetDriveKind(const std::string& root) override {
    drivesAsked.push_back(root);
    const auto kind = driveKinds.find(root);
    return kind == driveKinds.end() ? driveKind : kind->second;
  }
  std::string GetTempFolder() override { return tempFolder; }
  std::string GetSpecialFolder(int csidl) override { return csidl == kCsidlDesktop ? desktop : ""; }
  void OpenWebAddress(const std::string&) override {}

  ScratchFolder programRoot;
  ScratchFolder tempRoot;
  ScratchFolder desktopRoot;

  LocalTime now = At(2026, 12, 7, 14, 5, 9);
  int64_t wallStepNs = 0;
  int64_t monotonicNs = int64_t{5000} * 1000000000;
  uint64_t counter = 0x1234567800000000u;
  bool counterReadable = true;
  uint32_t tickCount = 0;
  LocaleValues locale;
  bool latin1Files = false;
  std::string programFolder;  // ends in the separator, as do the temporary folder's
  std::vector<std::string> commandLine;
  int driveKind = kDriveFixed;            // of any root not in driveKinds
  std::map<std::string, int> driveKinds;  // by root
  std::vector<std::string> drivesAsked;
  std::string tempFolder;
  std::string desktop;
};

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

// The bytes enciphered as one RC4 stream.
inline std::string Enciphered(std::string bytes, const imagestore::CipherKey& key) {
  imagestore::StreamCipher(key).Apply(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

}  // namespace talvex::testing
