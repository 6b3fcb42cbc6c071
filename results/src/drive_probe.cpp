#include "talvex/results/drive_probe.h"

namespace talvex::results {

std::string DrivePart(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.compare(0, 2, "\\\\") == 0) {
    const size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string::npos) return path;
    return path.substr(0, path.find('\\', serverEnd + 1));
  }
  // A POSIX path has no drive; the folder holding the file stands for it.
  if (!path.empty() && path[0] == '/') return path.substr(0, path.find_last_of('/') + 1);
  return "";
}

bool ProbeOnCdRom(System& system, const std::string& executablePath) {
  return system.GetDriveKind(DrivePart(executablePath)) == kDriveCdRom;
}

}  // namespace talvex::results
