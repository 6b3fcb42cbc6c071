#pragma once
// Whether the program lies on a CD-ROM, whose results then go to the temporary folder.

#include <string>

#include "talvex/system.h"

namespace talvex::results {

// The drive part of a path (letter and colon, or \\server\share; on POSIX the folder) and
// whether the path's drive is a CD-ROM drive.
std::string DrivePart(const std::string& path);
bool ProbeOnCdRom(System& system, const std::string& executablePath);

}  // namespace talvex::results
