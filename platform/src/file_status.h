#pragma once
// The file statuses that read the same on every platform, for the POSIX and Windows files.

#include "talvex/platform/file.h"

namespace talvex::platform {

// A file that was to be appended to is no longer the one made at Start.
FileStatus NotTheSameFileStatus();

}  // namespace talvex::platform
