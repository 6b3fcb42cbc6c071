#pragma once
// What the core asks of the operating system, behind one interface so that tests can
// inject clocks, a locale and folders. The POSIX implementation is in platform/.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "talvex/clock.h"
#include "talvex/local_time.h"
#include "talvex/locale_values.h"

namespace talvex {

// Drive-type codes as the drive-type query reports them.
enum DriveKind : int {
  kDriveUnknown = 0,
  kDriveNoRootFolder = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

// Special-folder value of the desktop.
constexpr int kCsidlDesktop = 0;

// The monotonic clock (IClock::MonotonicNanoseconds) is the one latencies come from.
class System : public IClock {
 public:
  ~System() override = default;

  // Clocks.
  virtual LocalTime LocalNow() = 0;                          // local wall clock, to the ms
  virtual bool ReadPerformanceCounter(uint64_t& value) = 0;  // false: cannot be read
  virtual uint32_t TickCount() = 0;                          // ms since system start

  // Regional settings.
  virtual LocaleValues Locale() = 0;
  // UTF-8 text as the results file holds it: in the machine's ANSI code page on Windows,
  // unchanged elsewhere. Nothing when that character set cannot hold every character exactly.
  virtual std::optional<std::string> FileText(const std::string& text) { return text; }

  // Program and folders. Folder texts end in the path separator unless said otherwise.
  virtual std::string ExecutablePath() = 0;  // full path of the running program
  // The values after the program path, as given (the run parameters stop at an empty one).
  virtual std::vector<std::string> CommandLineValues() = 0;
  virtual int GetDriveKind(const std::string& root) = 0;
  virtual std::string GetTempFolder() = 0;
  virtual std::string GetSpecialFolder(int csidl) = 0;  // no trailing separator; "" if none

  // The shell.
  virtual void OpenWebAddress(const std::string& address) = 0;
};

}  // namespace talvex
