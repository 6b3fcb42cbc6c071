#pragma once
// The operating system as the core sees it, on Windows: the clocks of kernel32, the thread's
// locale values, the program's own path and raw command line, drive kinds, the temporary and
// desktop folders, and the shell. Every text crosses the wide-character API as UTF-8.

#include <optional>
#include <string>
#include <vector>

#include "talvex/system.h"

namespace talvex::platform {

class WindowsSystem : public System {
 public:
  LocalTime LocalNow() override;            // GetLocalTime
  int64_t MonotonicNanoseconds() override;  // QueryPerformanceCounter
  bool ReadPerformanceCounter(uint64_t& value) override;
  uint32_t TickCount() override;  // GetTickCount

  LocaleValues Locale() override;  // the thread's locale
  // The ANSI code page (GetACP), without best-fit substitutes: a character the code page does
  // not hold as itself refuses the whole text.
  std::optional<std::string> FileText(const std::string& text) override;

  std::string ExecutablePath() override;  // GetModuleFileNameW
  // GetCommandLineW split by SplitCommandLine, without the program path.
  std::vector<std::string> CommandLineValues() override;
  // GetDriveTypeW of the root, with the trailing backslash the call requires.
  int GetDriveKind(const std::string& root) override;
  std::string GetTempFolder() override;  // GetTempPathW, ending in "\"
  // The desktop's file-system folder (CSIDL_DESKTOPDIRECTORY) for kCsidlDesktop.
  std::string GetSpecialFolder(int csidl) override;

  // ShellExecuteW with the verb "open" and the shell's owner window; the outcome is not
  // examined.
  void OpenWebAddress(const std::string& address) override;
};

// The process-wide system, for the program's entry point and windows.
System& TheSystem();

// The window (an HWND) that owns what the shell opens: the program's main window while it
// exists; null: none.
void SetShellOwnerWindow(void* window);

}  // namespace talvex::platform
