#include "talvex/platform/windows_system.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "talvex/platform/tool_io.h"
#include "talvex/platform/wide_text.h"
#include "talvex/platform/windows_locale.h"
#include "windows_scratch.h"

namespace talvex::platform {
namespace {

constexpr uint32_t kEnglishUnitedStates = 0x0409;
constexpr uint32_t kGermanGermany = 0x0407;

// Sets the calling thread's locale for the length of a test.
class ScopedThreadLocale {
 public:
  explicit ScopedThreadLocale(uint32_t localeId) : old_(GetThreadLocale()) {
    ok_ = SetThreadLocale(MAKELCID(localeId, SORT_DEFAULT)) != FALSE;
  }
  ~ScopedThreadLocale() { SetThreadLocale(old_); }
  ScopedThreadLocale(const ScopedThreadLocale&) = delete;
  ScopedThreadLocale& operator=(const ScopedThreadLocale&) = delete;
  bool Ok() const { return ok_; }

 private:
  LCID old_;
  bool ok_ = false;
};

TEST(WindowsLocale, TwoLocalesThroughTheThreadLocale) {
  WindowsSystem system;
  {
    ScopedThreadLocale locale(kEnglishUnitedStates);
    ASSERT_TRUE(locale.Ok());
    const LocaleValues values = system.Locale();
    EXPECT_EQ(values.shortDatePattern, "M/d/yyyy");
    EXPECT_EQ(values.dateSeparator, "/");
    EXPECT_EQ(values.timeSeparator, ":");
    EXPECT_FALSE(values.twentyFourHour);
    EXPECT_FALSE(values.hourLeadingZero);
    EXPECT_EQ(values.amDesignator, "AM");
    EXPECT_EQ(values.pmDesignator, "PM");
    EXPECT_FALSE(values.designatorBeforeTime);
    EXPECT_EQ(values.decimalSeparator, '.');
  }
  {
    // Releases of the locale data differ in the leading zeros of the German short date
    // ("dd.MM.yyyy" or "d.M.yyyy"), not in its order or separators.
    ScopedThreadLocale locale(kGermanGermany);
    ASSERT_TRUE(locale.Ok());
    const LocaleValues values = system.Locale();
    EXPECT_TRUE(values.shortDatePattern == "dd.MM.yyyy" || values.shortDatePattern == "d.M.yyyy")
        << values.shortDatePattern;
    EXPECT_EQ(values.dateSeparator, ".");
    EXPECT_EQ(values.timeSeparator, ":");
    EXPECT_TRUE(values.twentyFourHour);
    EXPECT_TRUE(values.hourLeadingZero);
    EXPECT_EQ(values.decimalSeparator, ',');
  }
  // Each call reads the thread's locale as it is then.
  EXPECT_EQ(system.Locale().shortDatePattern, LocaleValuesOf(GetThreadLocale()).shortDatePattern);
}

TEST(WindowsSystem, DriveKindsOfRoots) {
  WindowsSystem system;
  // The drive part of a path comes without its backslash; the query needs one.
  EXPECT_EQ(system.GetDriveKind("C:"), kDriveFixed);
  EXPECT_EQ(system.GetDriveKind("C:\\"), kDriveFixed);
  EXPECT_EQ(system.GetDriveKind(""), kDriveNoRootFolder);
  // The highest free drive letter names no drive.
  const DWORD drives = GetLogicalDrives();
  for (char letter = 'Z'; letter >= 'D'; --letter) {
    if ((drives & (1u << (letter - 'A'))) != 0) continue;
    EXPECT_EQ(system.GetDriveKind(std::string(1, letter) + ":"), kDriveNoRootFolder) << letter;
    break;
  }
  // A drive the Wine prefix of the test run maps as a CD-ROM (scripts/wine-run.sh), where
  // the tests run under Wine.
  const char* cdRom = getenv("TALVEX_TEST_CDROM_DRIVE");
  if (cdRom != nullptr && *cdRom != '\0') {
    EXPECT_EQ(system.GetDriveKind(cdRom), kDriveCdRom) << cdRom;
  }
}

TEST(WindowsSystem, FoldersEndAsTheCoreExpects) {
  WindowsSystem system;
  const std::string temp = system.GetTempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(Widen(temp))));

  const std::string desktop = system.GetSpecialFolder(kCsidlDesktop);
  if (!desktop.empty()) {
    EXPECT_NE(desktop.back(), '\\');
    EXPECT_EQ(desktop[1], ':') << desktop;
  }
  EXPECT_EQ(system.GetSpecialFolder(-1), "");
}

TEST(WindowsSystem, ExecutablePathAndCommandLineOfThisProgram) {
  WindowsSystem system;
  const std::string path = system.ExecutablePath();
  ASSERT_GE(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), ":\\") << path;
  EXPECT_EQ(std::filesystem::path(Widen(path)).filename(), L"platform_tests.exe");
  // The raw command line (the test run gives it the report's path), split by the program's
  // splitter, holds what the tools take from it by the C runtime's rules.
  EXPECT_EQ(system.CommandLineValues(), ToolArguments(0, nullptr));
}

TEST(WindowsSystem, FileTextIsTheAnsiCodePageWithoutStandIns) {
  WindowsSystem system;
  EXPECT_EQ(system.FileText("k4T19\t12/7/2026\t2:05:31 PM"), "k4T19\t12/7/2026\t2:05:31 PM");
  // Whatever the code page: a text is written so that it reads back as itself, or not at all.
  for (const std::string text :
       {"J\xC3\xBCrgen", "\xC5\x81ukasz", "\xEF\xAC\x81le", "\xE6\x9D\x8E", "\xF0\x9F\x98\x80"}) {
    const std::optional<std::string> written = system.FileText(text);
    if (!written) continue;
    const int size = static_cast<int>(written->size());
    std::wstring back(written->size(), L'\0');
    back.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS,
                                                        written->data(), size, back.data(), size)));
    EXPECT_EQ(Narrow(back), text);
  }
  // In the Western European code page, Wine's default: what a best fit would write as a
  // look-alike ("Lukasz", "file") is refused.
  if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP() << ", not 1252";
  EXPECT_EQ(system.FileText("J\xC3\xBCrgen \xE2\x82\xAC"), "J\xFCrgen \x80");
  EXPECT_FALSE(system.FileText("\xC5\x81ukasz"));
  EXPECT_FALSE(system.FileText("\xEF\xAC\x81le"));
  EXPECT_FALSE(system.FileText("\xF0\x9F\x98\x80"));
}

TEST(WindowsSystem, ClocksAgreeWithTheSystem) {
  WindowsSystem system;
  const int64_t before = system.MonotonicNanoseconds();
  const uint32_t ticksBefore = system.TickCount();
  Sleep(50);
  const int64_t elapsed = system.MonotonicNanoseconds() - before;
  EXPECT_GE(elapsed, 40000000);     // the sleep, less the tick granularity
  EXPECT_LT(elapsed, 60000000000);  // and far from a wrong scale
  EXPECT_GE(system.TickCount() - ticksBefore, 30u);
  uint64_t counter = 0;
  ASSERT_TRUE(system.ReadPerformanceCounter(counter));
  EXPECT_NE(counter, 0u);

  SYSTEMTIME reference{};
  GetLocalTime(&reference);
  const LocalTime now = system.LocalNow();
  const double apart =
      ToTimeStamp(now) -
      ToTimeStamp(LocalTime{reference.wYear, reference.wMonth, reference.wDay, reference.wHour,
                            reference.wMinute, reference.wSecond, reference.wMilliseconds});
  EXPECT_GE(apart, 0.0);
  EXPECT_LT(apart, 5.0 / 86400.0);
}

}  // namespace
}  // namespace talvex::platform
