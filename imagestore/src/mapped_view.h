#pragma once
// Mapping of a whole file for the reader, with the reader's messages for each failed step.

#include <memory>
#include <string>

#include "talvex/platform/mapped_file.h"

namespace talvex::imagestore {

// Raises EExeError "Couldn't open: <name>", "CreateFileMapping failed" or
// "MapViewOfFile failed".
std::shared_ptr<const platform::MappedFile> MapWholeFile(const std::string& fileName);

}  // namespace talvex::imagestore
