#pragma once
// The real system with the program folder, the temporary folder and the desktop inside one
// given folder, the run parameters given, decimals written with a point, and a shell that
// only records the addresses it is asked to open. Whole runs in the window tests and the
// benchmarks use it so that nothing is written outside that folder.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "talvex/platform/posix_system.h"
#include "talvex/system.h"

namespace talvex::testing {

class FolderSystem : public System {
 public:
  FolderSystem(std::filesystem::path folder, std::vector<std::string> values)
      : folder_(std::move(folder)), values_(std::move(values)) {}

  std::vector<std::string> opened;  // addresses the shell was asked to open

  LocalTime LocalNow() override { return real_.LocalNow(); }
  int64_t MonotonicNanoseconds() override { return real_.MonotonicNanoseconds(); }
  bool ReadPerformanceCounter(uint64_t& value) override {
    return real_.ReadPerformanceCounter(value);
  }
  uint32_t TickCount() override { return real_.TickCount(); }
  LocaleValues Locale() override {
    LocaleValues values = real_.Locale();
    values.decimalSeparator = '.';
    return values;
  }
  std::string ExecutablePath() override { return (folder_ / "talvex").string(); }
  std::vector<std::string> CommandLineValues() override { return values_; }
  int GetDriveKind(const std::string&) override { return kDriveFixed; }
  std::string GetTempFolder() override { return (folder_ / "tmp").string() + "/"; }
  std::string GetSpecialFolder(int) override { return (folder_ / "Desktop").string(); }
  void OpenWebAddress(const std::string& address) override { opened.push_back(address); }

 private:
  System& real_ = platform::TheSystem();
  std::filesystem::path folder_;
  std::vector<std::string> values_;
};

}  // namespace talvex::testing
