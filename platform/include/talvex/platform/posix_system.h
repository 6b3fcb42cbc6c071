#pragma once
// The operating system as the core sees it, on POSIX: clocks, the C library's locale, the
// program's own path and command line, folders, and the shell.

#include <string>
#include <vector>

#include "talvex/system.h"

namespace talvex::platform {

class PosixSystem : public System {
 public:
  PosixSystem();

  LocalTime LocalNow() override;
  int64_t MonotonicNanoseconds() override;
  bool ReadPerformanceCounter(uint64_t& value) override;
  uint32_t TickCount() override;

  // The current locale of the C library (LC_TIME, LC_NUMERIC), as main set it.
  LocaleValues Locale() override;

  std::string ExecutablePath() override;
  std::vector<std::string> CommandLineValues() override;
  // The drive kind of the file system holding the path.
  int GetDriveKind(const std::string& root) override;
  std::string GetTempFolder() override;
  std::string GetSpecialFolder(int csidl) override;

  // Starts xdg-open on the address, detached and without a shell; the outcome is not known.
  void OpenWebAddress(const std::string& address) override;
};

// The process-wide system, for the program's entry point and windows.
System& TheSystem();

// Keeps the command line for CommandLineValues; main calls it first.
void SetCommandLine(int argc, char** argv);

// Ignores the signal of a file-size limit (ulimit -f): a write past the limit then fails
// and is reported as a full disk, instead of ending the program in the middle of a row.
void IgnoreFileSizeLimitSignal();

// The values after the program path, empty ones included: the run parameters take those up to
// the first empty one (experiment::ValuesUpToFirstEmpty).
std::vector<std::string> CommandLineValuesOf(int argc, char** argv);

// The drive kind of a file system type as statfs reports it (f_type); 0 when the type alone
// does not tell (disk file systems are then told apart by their device).
int DriveKindOfFileSystemType(long fileSystemType);

// The desktop folder named in an XDG user-dirs.dirs text (XDG_DESKTOP_DIR="$HOME/..."),
// "$HOME" replaced by home; "" when the text names none.
std::string DesktopFolderFromUserDirs(const std::string& userDirsText, const std::string& home);

}  // namespace talvex::platform
