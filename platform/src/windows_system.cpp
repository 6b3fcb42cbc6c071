#include "talvex/platform/windows_system.h"

#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "talvex/platform/command_line.h"
#include "talvex/platform/file.h"
#include "talvex/platform/monotonic_clock.h"
#include "talvex/platform/paths.h"
#include "talvex/platform/wide_text.h"
#include "talvex/platform/windows_locale.h"

namespace talvex::platform {
namespace {

constexpr size_t kLongestPath = 32768;  // the longest path the wide-character API takes

HWND shellOwner = nullptr;

}  // namespace

void SetShellOwnerWindow(void* window) {
  shellOwner = static_cast<HWND>(window);
}

System& TheSystem() {
  static WindowsSystem system;
  return system;
}

LocalTime WindowsSystem::LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  LocalTime time;
  time.year = now.wYear;
  time.month = now.wMonth;
  time.day = now.wDay;
  time.hour = now.wHour;
  time.minute = now.wMinute;
  time.second = now.wSecond;
  time.millisecond = now.wMilliseconds;
  return time;
}

int64_t WindowsSystem::MonotonicNanoseconds() {
  return platform::MonotonicNanoseconds();
}

bool WindowsSystem::ReadPerformanceCounter(uint64_t& value) {
  LARGE_INTEGER counter{};
  if (!QueryPerformanceCounter(&counter)) return false;
  value = static_cast<uint64_t>(counter.QuadPart);
  return true;
}

uint32_t WindowsSystem::TickCount() {
  // The 32-bit count wraps after 49.7 days, as the random source expects.
  return static_cast<uint32_t>(GetTickCount64());
}

LocaleValues WindowsSystem::Locale() {
  return ThreadLocaleValues();
}

std::optional<std::string> WindowsSystem::FileText(const std::string& text) {
  if (text.empty()) return text;
  const std::wstring wide = Widen(text);
  const UINT codePage = GetACP();
  // The UTF-8 code page holds every character, and refuses the best-fit flag.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* const defaultUsed = utf8 ? nullptr : &usedDefault;
  const int wideLength = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(codePage, flags, wide.data(), wideLength, nullptr, 0,
                                         nullptr, defaultUsed);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<size_t>(length), '\0');
  if (WideCharToMultiByte(codePage, flags, wide.data(), wideLength, out.data(), length, nullptr,
                          defaultUsed) != length ||
      usedDefault) {
    return std::nullopt;
  }
  return out;
}

std::string WindowsSystem::ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return "";
    // A path that fills the buffer was cut short: ask again with more room.
    if (length < buffer.size()) return Narrow(std::wstring_view(buffer.data(), length));
    if (buffer.size() >= kLongestPath) return "";
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> WindowsSystem::CommandLineValues() {
  std::vector<std::string> values = SplitCommandLine(Narrow(GetCommandLineW()));
  if (!values.empty()) values.erase(values.begin());  // the program path
  return values;
}

int WindowsSystem::GetDriveKind(const std::string& root) {
  if (root.empty()) return kDriveNoRootFolder;
  const UINT kind = GetDriveTypeW(Widen(WithTrailingSeparator(root)).c_str());
  return kind <= DRIVE_RAMDISK ? static_cast<int>(kind) : kDriveUnknown;
}

std::string WindowsSystem::GetTempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(static_cast<DWORD>(std::size(buffer)), buffer);
  if (length == 0 || length >= std::size(buffer)) return "";
  return WithTrailingSeparator(Narrow(std::wstring_view(buffer, length)));
}

std::string WindowsSystem::GetSpecialFolder(int csidl) {
  // The desktop as a folder of files, not the shell's virtual desktop.
  const int folder = csidl == kCsidlDesktop ? CSIDL_DESKTOPDIRECTORY : csidl;
  wchar_t buffer[MAX_PATH];
  if (SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return "";
  std::string path = Narrow(buffer);
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

void WindowsSystem::OpenWebAddress(const std::string& address) {
  ShellExecuteW(shellOwner, L"open", Widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace talvex::platform
