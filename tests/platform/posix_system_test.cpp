#include "talvex/platform/posix_system.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "scratch_folder.h"

namespace talvex::platform {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

// Sets an environment variable for the length of a test.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnvironment() { Set(old_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void Set(const std::optional<std::string>& value) {
    value ? setenv(name_, value->c_str(), 1) : unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> old_;
};

// The values as given, an empty one included: the run parameters stop at it, not the system.
TEST(CommandLine, ValuesFollowTheProgramPath) {
  char program[] = "/opt/talvex/talvex";
  char a[] = "5000";
  char b[] = "0.5";
  char empty[] = "";
  char c[] = "1";
  char* argv[] = {program, a, b, empty, c, nullptr};
  EXPECT_EQ(CommandLineValuesOf(5, argv), (std::vector<std::string>{"5000", "0.5", "", "1"}));
  EXPECT_TRUE(CommandLineValuesOf(1, argv).empty());
  EXPECT_TRUE(CommandLineValuesOf(0, argv).empty());

  SetCommandLine(3, argv);
  EXPECT_EQ(TheSystem().CommandLineValues(), (std::vector<std::string>{"5000", "0.5"}));
  SetCommandLine(0, argv);
}

TEST(PosixSystem, ClocksGiveSaneReadings) {
  PosixSystem system;
  const LocalTime now = system.LocalNow();
  EXPECT_GE(now.year, 2020);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  EXPECT_TRUE(now.day >= 1 && now.day <= 31);
  EXPECT_TRUE(now.hour >= 0 && now.hour <= 23);
  EXPECT_TRUE(now.second >= 0 && now.second <= 59);
  EXPECT_TRUE(now.millisecond >= 0 && now.millisecond <= 999);
  const int64_t first = system.MonotonicNanoseconds();
  EXPECT_LE(first, system.MonotonicNanoseconds());
  uint64_t counter = 0;
  EXPECT_TRUE(system.ReadPerformanceCounter(counter));
  EXPECT_NE(counter, 0u);
}

TEST(PosixSystem, ExecutablePathIsThisProgram) {
  PosixSystem system;
  const std::string path = system.ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_EQ(std::filesystem::path(path).filename(), "platform_tests");
}

TEST(PosixSystem, TempFolderEndsInTheSeparator) {
  PosixSystem system;
  {
    ScopedEnvironment tmp("TMPDIR", std::string("/var/scratch"));
    EXPECT_EQ(system.GetTempFolder(), "/var/scratch/");
  }
  {
    ScopedEnvironment tmp("TMPDIR", std::string("/var/scratch/"));
    EXPECT_EQ(system.GetTempFolder(), "/var/scratch/");
  }
  ScopedEnvironment tmp("TMPDIR", std::nullopt);
  EXPECT_EQ(system.GetTempFolder(), "/tmp/");
}

TEST(DriveKind, FileSystemTypesMapToDriveKinds) {
  // ISO 9660, UDF, NFS, CIFS, tmpfs; ext4 is told by its device.
  const std::pair<long, int> cases[] = {{0x9660, kDriveCdRom},       {0x15013346, kDriveCdRom},
                                        {0x6969, kDriveRemote},      {0xFF534D42, kDriveRemote},
                                        {0x01021994, kDriveRamDisk}, {0xEF53, kDriveUnknown}};
  for (const auto& [type, kind] : cases) EXPECT_EQ(DriveKindOfFileSystemType(type), kind) << type;
}

TEST(DriveKind, RealPaths) {
  PosixSystem system;
  EXPECT_EQ(system.GetDriveKind("/no/such/folder"), kDriveNoRootFolder);
  EXPECT_EQ(system.GetDriveKind(""), kDriveNoRootFolder);
  EXPECT_EQ(system.GetDriveKind("C:"), kDriveNoRootFolder);
  struct statfs shm {};
  if (statfs("/dev/shm", &shm) == 0 && shm.f_type == 0x01021994) {
    EXPECT_EQ(system.GetDriveKind("/dev/shm"), kDriveRamDisk);
  }
  // Kernel file systems have no device and no kind of their own: they read as fixed.
  EXPECT_EQ(system.GetDriveKind("/proc"), kDriveFixed);
}

TEST(DesktopFolder, UserDirsTextNamesTheDesktop) {
  const std::pair<const char*, const char*> cases[] = {
      {"# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", "/home/rater/Schreibtisch"},
      {"XDG_DESKTOP_DIR=\"/srv/desk/\"\r\n", "/srv/desk"},
      {"XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", ""},
      // Relative and unquoted values are not allowed in this file.
      {"XDG_DESKTOP_DIR=\"Desktop\"\n", ""},
      {"XDG_DESKTOP_DIR=$HOME/Desktop\n", ""},
      {"XDG_DESKTOP_DIR=\"$HOME/First\"\nXDG_DESKTOP_DIR=\"$HOME/Second\"\n",
       "/home/rater/Second"}};
  for (const auto& [text, folder] : cases) {
    EXPECT_EQ(DesktopFolderFromUserDirs(text, "/home/rater"), folder) << text;
  }
}

TEST(DesktopFolder, SpecialFolderExistsOrIsEmpty) {
  ScratchFolder scratch;
  ScopedEnvironment home("HOME", scratch.Path());
  ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
  PosixSystem system;
  EXPECT_EQ(system.GetSpecialFolder(kCsidlDesktop), "");  // no Desktop folder yet
  std::filesystem::create_directory(scratch / "Desktop");
  EXPECT_EQ(system.GetSpecialFolder(kCsidlDesktop), scratch / "Desktop");
  EXPECT_EQ(system.GetSpecialFolder(5), "");

  std::filesystem::create_directories(scratch / ".config");
  std::filesystem::create_directory(scratch / "Bureau");
  WriteBytes(scratch / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
  EXPECT_EQ(system.GetSpecialFolder(kCsidlDesktop), scratch / "Bureau");
  WriteBytes(scratch / ".config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Missing\"\n");
  EXPECT_EQ(system.GetSpecialFolder(kCsidlDesktop), "");

  ScopedEnvironment otherConfig("XDG_CONFIG_HOME", scratch / "other");
  std::filesystem::create_directory(scratch / "other");
  WriteBytes(scratch / "other/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
  EXPECT_EQ(system.GetSpecialFolder(kCsidlDesktop), scratch / "Bureau");
}

TEST(PosixSystem, WebAddressGoesToTheOpenerAsOneArgumentWithoutAShell) {
  ScratchFolder scratch;
  const std::string record = scratch / "opened";
  WriteBytes(scratch / "xdg-open", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"" + record +
                                       ".part\"\n"
                                       "mv \"" +
                                       record + ".part\" \"" + record + "\"\n");
  ASSERT_EQ(chmod((scratch / "xdg-open").c_str(), 0755), 0);
  ScopedEnvironment path("PATH", scratch.Path() + ":/usr/bin:/bin");

  const std::string address = "https://example.org/a b?x=1&y=$(touch " + scratch.Path() +
                              "/injected);touch " + scratch.Path() + "/injected2";
  PosixSystem system;
  system.OpenWebAddress(address);
  // The opener runs detached; wait for its record (bounded, not timed).
  for (int i = 0; i < 1000 && !std::filesystem::exists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ReadBytes(record), "1|" + address);
  EXPECT_FALSE(std::filesystem::exists(scratch / "injected"));
  EXPECT_FALSE(std::filesystem::exists(scratch / "injected2"));
}

// The opener is the first executable xdg-open on the search path; a file of that name that
// cannot be run is passed over, and without any the address is dropped.
TEST(PosixSystem, WebAddressOpenerIsTheFirstExecutableOnThePath) {
  ScratchFolder scratch;
  const std::string record = scratch / "opened";
  const std::string opener = "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + record + "\"\n";
  std::filesystem::create_directory(scratch / "plain");
  std::filesystem::create_directory(scratch / "runnable");
  WriteBytes(scratch / "plain/xdg-open", opener);
  WriteBytes(scratch / "runnable/xdg-open", opener);
  ASSERT_EQ(chmod((scratch / "runnable/xdg-open").c_str(), 0755), 0);
  PosixSystem system;
  {
    ScopedEnvironment path("PATH", scratch / "plain");
    system.OpenWebAddress("https://example.org/dropped");
  }
  {
    ScopedEnvironment path("PATH", (scratch / "plain") + ":" + (scratch / "runnable"));
    system.OpenWebAddress("https://example.org/opened");
  }
  for (int i = 0; i < 1000 && !std::filesystem::exists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ReadBytes(record), "https://example.org/opened\n");
}

}  // namespace
}  // namespace talvex::platform
