#include "talvex/platform/posix_system.h"

#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "talvex/platform/file.h"
#include "talvex/platform/monotonic_clock.h"
#include "talvex/platform/posix_locale.h"

extern char** environ;

namespace talvex::platform {
namespace {

// File system types (statfs f_type) from the kernel's magic numbers.
constexpr long kIso9660 = 0x9660;
constexpr long kUdf = 0x15013346;
constexpr long kNfs = 0x6969;
constexpr long kSmb = 0x517B;
constexpr long kCifs = 0xFF534D42;
constexpr long kSmb2 = 0xFE534D42;
constexpr long kCoda = 0x73757245;
constexpr long kAfs = 0x5346414F;
constexpr long kNinePee = 0x01021997;
constexpr long kCeph = 0x00C36400;
constexpr long kTmpfs = 0x01021994;
constexpr long kRamfs = 0x858458F6;
constexpr long kFuse = 0x65735546;

std::vector<std::string> gCommandLineValues;

std::string EnvironmentValue(const char* name) {
  const char* value = getenv(name);
  return value != nullptr ? value : "";
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// The file system type of a FUSE mount ("fuse.sshfs", ...) from the mount table.
std::string MountTypeOf(dev_t device) {
  const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::istringstream table(ReadWholeFile("/proc/self/mountinfo"));
  std::string line;
  while (std::getline(table, line)) {
    // Fields: id, parent, major:minor, root, mount point, options..., "-", type, source.
    std::istringstream fields(line);
    std::string id, parent, deviceText;
    fields >> id >> parent >> deviceText;
    if (deviceText != wanted) continue;
    const size_t dash = line.find(" - ");
    if (dash == std::string::npos) return "";
    std::istringstream rest(line.substr(dash + 3));
    std::string type;
    rest >> type;
    return type;
  }
  return "";
}

// A block device whose disk the kernel marks removable (a USB stick, a card reader).
bool IsOnRemovableDisk(dev_t device) {
  if (major(device) == 0) return false;  // no block device behind the file system
  const std::string link =
      "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  char resolved[PATH_MAX];
  if (realpath(link.c_str(), resolved) == nullptr) return false;
  const std::string folder = resolved;
  // A partition's flag sits with its whole disk, one folder up.
  for (const std::string& candidate : {folder, folder.substr(0, folder.find_last_of('/'))}) {
    const std::string flag = FirstLine(ReadWholeFile(candidate + "/removable"));
    if (!flag.empty()) return flag == "1";
  }
  return false;
}

}  // namespace

int DriveKindOfFileSystemType(long fileSystemType) {
  switch (fileSystemType) {
    case kIso9660:
    case kUdf:
      return kDriveCdRom;
    case kNfs:
    case kSmb:
    case kCifs:
    case kSmb2:
    case kCoda:
    case kAfs:
    case kNinePee:
    case kCeph:
      return kDriveRemote;
    case kTmpfs:
    case kRamfs:
      return kDriveRamDisk;
    default:
      return kDriveUnknown;
  }
}

std::string DesktopFolderFromUserDirs(const std::string& userDirsText, const std::string& home) {
  std::istringstream lines(userDirsText);
  std::string line;
  std::string folder;
  while (std::getline(lines, line)) {
    const std::string key = "XDG_DESKTOP_DIR=";
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
    std::string value = line.substr(start + key.size());
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    value = value.substr(1, value.size() - 2);
    // Only "$HOME/..." and absolute paths are allowed in this file.
    if (value.compare(0, 5, "$HOME") == 0) {
      value = home + value.substr(5);
    } else if (value.empty() || value.front() != '/') {
      continue;
    }
    folder = value;  // the last assignment wins, as in a shell
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::vector<std::string> CommandLineValuesOf(int argc, char** argv) {
  std::vector<std::string> values;
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    values.emplace_back(argv[i]);
  }
  return values;
}

void SetCommandLine(int argc, char** argv) {
  gCommandLineValues = CommandLineValuesOf(argc, argv);
}

void IgnoreFileSizeLimitSignal() {
  signal(SIGXFSZ, SIG_IGN);
}

System& TheSystem() {
  static PosixSystem system;
  return system;
}

PosixSystem::PosixSystem() {
  tzset();
}

LocalTime PosixSystem::LocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  LocalTime time;
  time.year = local.tm_year + 1900;
  time.month = local.tm_mon + 1;
  time.day = local.tm_mday;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second reads as :59
  time.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return time;
}

int64_t PosixSystem::MonotonicNanoseconds() {
  return platform::MonotonicNanoseconds();
}

bool PosixSystem::ReadPerformanceCounter(uint64_t& value) {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC_RAW, &now) != 0) return false;
  value = static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
  return true;
}

uint32_t PosixSystem::TickCount() {
  timespec now{};
  if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);  // wraps after 49.7 days, as the tick count does
}

LocaleValues PosixSystem::Locale() {
  return TranslateLocale(CurrentLanginfo());
}

std::string PosixSystem::ExecutablePath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return "";
    if (static_cast<size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<size_t>(length));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> PosixSystem::CommandLineValues() {
  return gCommandLineValues;
}

int PosixSystem::GetDriveKind(const std::string& root) {
  struct statfs fileSystem {};
  struct stat info {};
  if (root.empty() || statfs(root.c_str(), &fileSystem) != 0 || stat(root.c_str(), &info) != 0) {
    return kDriveNoRootFolder;
  }
  const long type = static_cast<long>(fileSystem.f_type);
  const int kind = DriveKindOfFileSystemType(type);
  if (kind != kDriveUnknown) return kind;
  if (type == kFuse) {
    // FUSE carries both network mounts and local disk drivers; only the former are remote.
    const std::string mountType = MountTypeOf(info.st_dev);
    for (const char* remote : {"fuse.sshfs", "fuse.rclone", "fuse.s3fs", "fuse.gcsfuse",
                               "fuse.curlftpfs", "fuse.davfs", "fuse.glusterfs"}) {
      if (mountType == remote) return kDriveRemote;
    }
  }
  return IsOnRemovableDisk(info.st_dev) ? kDriveRemovable : kDriveFixed;
}

std::string PosixSystem::GetTempFolder() {
  std::string folder = EnvironmentValue("TMPDIR");
  if (folder.empty()) folder = "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string PosixSystem::GetSpecialFolder(int csidl) {
  if (csidl != kCsidlDesktop) return "";
  const std::string home = EnvironmentValue("HOME");
  std::string configHome = EnvironmentValue("XDG_CONFIG_HOME");
  if (configHome.empty() && !home.empty()) configHome = home + "/.config";
  std::string desktop;
  if (!configHome.empty()) {
    desktop = DesktopFolderFromUserDirs(ReadWholeFile(configHome + "/user-dirs.dirs"), home);
  }
  if (desktop.empty() && !home.empty()) desktop = home + "/Desktop";
  return FolderExists(desktop) ? desktop : "";
}

void PosixSystem::OpenWebAddress(const std::string& address) {
  // Found on PATH before forking: the child may only call async-signal-safe functions.
  std::string program;
  std::istringstream path(EnvironmentValue("PATH"));
  std::string folder;
  while (std::getline(path, folder, ':')) {
    const std::string candidate = (folder.empty() ? "." : folder) + "/xdg-open";
    if (access(candidate.c_str(), X_OK) == 0) {
      program = candidate;
      break;
    }
  }
  if (program.empty()) return;
  std::string name = "xdg-open";
  char* arguments[] = {name.data(), const_cast<char*>(address.c_str()), nullptr};

  // Twice forked, so that the opener is nobody's child to wait for and leaves no zombie.
  const pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    if (fork() == 0) {
      setsid();
      execve(program.c_str(), arguments, environ);
    }
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace talvex::platform
